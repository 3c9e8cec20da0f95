#include "data/component/engines/Backend.h"

#include "data/component/SqlText.h"
#include "platform/GermanValues.h"

#include <QAtomicInt>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlField>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <mutex>
#include <optional>

namespace {

// Said when the connection broke after the server may have done a write.
const QString kOutcomeInDoubt =
    QStringLiteral("Sie brach ab, während gespeichert wurde; ob es noch gespeichert wurde, "
                   "ist ungewiss.");

// A statement proven single is remembered up to this many texts per server;
// the component's own statements repeat, host texts rarely do.
constexpr qsizetype kMaxRememberedStatements = 512;

// The texts proven single statements, per server. The proof is the server's
// parser's verdict on the text alone, the same for every session of that
// server, so it is kept for the process: a form opened again (a session of
// its own) asks the server nothing it asked before, which on PostgreSQL is a
// round trip per statement. Background key readers prove on their threads.
struct ProvenStatements
{
    std::mutex mutex;
    QHash<QString, QSet<QString>> byServer;
};

ProvenStatements &provenStatements()
{
    static ProvenStatements proven;
    return proven;
}

} // namespace

Backend::Backend(const ConnectionParams &params)
    : m_params(params), m_connectionName(newConnectionName())
{}

Backend::~Backend()
{
    close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

QString Backend::newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("qrt-connection-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

QString Backend::engineText(const QSqlError &error)
{
    // The engine's own words first. SQLite reports "not an error" for what
    // the driver refused by itself (a second statement); then the driver
    // is the one with something to say.
    QString text = error.databaseText().trimmed();
    if (text.isEmpty() || text == QLatin1String("not an error"))
        text = error.driverText().trimmed();
    return text;
}

void Backend::openDatabase(const QString &driver)
{
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        throw ComError(E_FAIL,
                       QStringLiteral("Der Qt-SQL-Treiber %1 ist nicht installiert.").arg(driver));
    }
    m_db = QSqlDatabase::addDatabase(driver, m_connectionName);
    configureDatabase(m_db);
    if (!m_db.open())
        throw ComError(classifyOpenError(m_db.lastError()), engineText(m_db.lastError()));
    m_opened = true;
}

void Backend::close()
{
    m_lost = false;
    m_opened = false;
    dropSideConnections();
    if (m_db.isValid() && m_db.isOpen())
        m_db.close();
    m_transactionDepth = 0;
}

bool Backend::isReusable()
{
    return !m_lost && m_db.isOpen() && m_transactionDepth == 0;
}

void Backend::prepareForReuse(int commandTimeout)
{
    m_tableSqlNames.clear();
    m_columnSqlNames.clear();
    m_schemas.clear();
    setCommandTimeout(commandTimeout);
}

void Backend::reconnectIfLost()
{
    // A driver that found its connection broken while rows came closes it
    // without an error of ours.
    if (m_opened && !m_db.isOpen())
        m_lost = true;
    if (!m_lost)
        return;
    if (m_transactionDepth > 0) {
        // The transaction went with the connection. Until its writer ends
        // it, nothing of it may run on a new connection, where it would be
        // committed piece by piece.
        throw ComError(E_CONNECTION_ABORTED,
                       QStringLiteral("Die Verbindung zur Datenbank wurde während des Speicherns "
                                      "unterbrochen; nichts davon wurde gespeichert."));
    }
    // Whatever ran on the dead connection is gone with it: its transaction,
    // its cursors, its prepared statements. The connection is made anew
    // under a new name, so that the driver of the old one goes too and the
    // statements still prepared on it are dropped without asking a server
    // that no longer knows them.
    dropSideConnections();
    const QString driver = m_db.driverName();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName = newConnectionName();
    m_failedInTransaction.clear();
    // Every statement is prepared anew on the new connection.
    m_inlineSql.clear();
    m_db = QSqlDatabase::addDatabase(driver, m_connectionName);
    configureDatabase(m_db);
    if (!m_db.open()) {
        throw ComError(E_CONNECTION_ABORTED,
                       QStringLiteral("Die Verbindung zur Datenbank ist unterbrochen und lässt "
                                      "sich noch nicht wiederherstellen.\n") +
                           engineText(m_db.lastError()));
    }
    m_lost = false;
    ++m_generation;
    afterOpen();
}

void Backend::raiseLost(const QString &engine, const QString &outcome)
{
    m_lost = true;
    QString reason = interruptionReason();
    if (!outcome.isEmpty())
        reason = reason.isEmpty() ? outcome : reason + QLatin1Char(' ') + outcome;
    // The error's own text already says that the connection broke; the
    // description adds why, when known, and what becomes of the entries.
    const QString entries = QStringLiteral("Ihre Eingaben bleiben erhalten; der nächste Versuch "
                                           "verbindet neu.");
    throw ComError(E_CONNECTION_ABORTED,
                   (reason.isEmpty() ? entries : reason + QLatin1Char(' ') + entries) +
                       (engine.isEmpty() ? QString() : QLatin1Char('\n') + engine));
}

QSqlQuery Backend::newQuery() const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return query;
}

void Backend::requireSingleStatement(const QString &sql)
{
    // The server, not the session: kind, address and database.
    const QString server = QString::number(int(m_params.kind)) + QLatin1Char('\n') + m_params.host +
                           QLatin1Char(':') + QString::number(m_params.port) + QLatin1Char('\n') +
                           m_params.database;
    ProvenStatements &proven = provenStatements();
    {
        std::lock_guard<std::mutex> lock(proven.mutex);
        if (proven.byServer.value(server).contains(sql))
            return;
    }
    const SqlText::Quoting quoting = dialectFor(kind()).bracketIdentifiers
                                         ? SqlText::Quoting::Brackets
                                         : SqlText::Quoting::Standard;
    if (SqlText::hasStatementSeparator(sql, quoting)) {
        throw ComError(DB_SEC_E_PERMISSIONDENIED,
                       QStringLiteral("Die SQL-Anweisung enthält ein Semikolon außerhalb von "
                                      "Texten; eine zweite Anweisung wird nicht ausgeführt."));
    }
    verifySingleStatement(sql);
    std::lock_guard<std::mutex> lock(proven.mutex);
    QSet<QString> &texts = proven.byServer[server];
    if (texts.size() >= kMaxRememberedStatements)
        texts.clear();
    texts.insert(sql);
}

void Backend::reconnectIfLost(QSqlQuery &query)
{
    const int generation = m_generation;
    reconnectIfLost();
    if (m_generation != generation)
        query = newQuery(); // made for the connection that is gone
}

void Backend::prepare(QSqlQuery &query, const QString &sql)
{
    if (!isOpen())
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Die Verbindung ist nicht geöffnet."));
    reconnectIfLost(query);
    requireSingleStatement(sql);
    if (sendsValuesInline()) {
        query.finish();
        m_inlineSql.insert(query.result(), sql);
        return;
    }
    if (!query.prepare(sql))
        raise(query.lastError());
}

void Backend::exec(QSqlQuery &query, const QString &sql)
{
    if (!isOpen())
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Die Verbindung ist nicht geöffnet."));
    reconnectIfLost(query);
    requireSingleStatement(sql);
    if (!watched([&] { return query.exec(sql); }))
        raiseFailed(query, nullptr);
}

void Backend::exec(QSqlQuery &query)
{
    execChecked(query, nullptr);
}

bool Backend::next(QSqlQuery &query)
{
    if (query.next())
        return true;
    const QSqlError error = query.lastError();
    if (connectionBroken(error) || !m_db.isOpen())
        raiseLost(engineText(error));
    if (error.type() != QSqlError::NoError)
        raiseFailed(query, nullptr);
    return false;
}

void Backend::execWrite(QSqlQuery &query, const RowWrite &write)
{
    execChecked(query, &write);
}

void Backend::execChecked(QSqlQuery &query, const RowWrite *write)
{
    if (!isOpen())
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Die Verbindung ist nicht geöffnet."));
    if (m_lost)
        throw ComError(E_CONNECTION_ABORTED,
                       QStringLiteral("Die Verbindung zur Datenbank wurde unterbrochen; die "
                                      "Anweisung muss neu vorbereitet werden."));
    if (!runPrepared(query))
        raiseFailed(query, write);
}

void Backend::raiseFailed(QSqlQuery &query, const RowWrite *write)
{
    keepUntilTransactionEnds(query);
    const QSqlError error = query.lastError();
    if (connectionBroken(error)) {
        // A write of its own, outside a transaction, may have been done
        // before the answer was lost.
        if (write && !inTransaction())
            raiseLost(engineText(error), kOutcomeInDoubt);
        raise(error, EngineRefusal());
    }
    if (inTransaction() && failureEndsTransaction()) {
        // Ended at once, before the refusal is explained: the session is
        // of no more use to it, and behind a pooler it would stay held
        // while the explanation waits for another one, which, when every
        // pooled session is held so, never comes free.
        try {
            rollbackTransaction();
        } catch (const ComError &) {
            // The refusal is what the user needs to hear about.
        }
    }
    raise(error, refusalOf(error, query, write));
}

bool Backend::runPrepared(QSqlQuery &query)
{
    if (!sendsValuesInline())
        return watched([&] { return query.exec(); });
    const auto prepared = m_inlineSql.constFind(query.result());
    if (prepared == m_inlineSql.constEnd())
        throw ComError(E_FAIL, QStringLiteral("Die Anweisung ist nicht vorbereitet."));
    const QString sql = *prepared;
    const QString text = withValuesInline(query, sql);
    const bool ok = watched([&] { return query.exec(text); });
    // A query shared with a copy gets a result of its own from exec.
    m_inlineSql.insert(query.result(), sql);
    return ok;
}

QString Backend::withValuesInline(const QSqlQuery &query, const QString &sql) const
{
    const QVariantList values = query.boundValues();
    const QList<qsizetype> marks = SqlText::placeholders(sql);
    if (marks.size() != values.size())
        throw ComError(E_INVALIDARG,
                       QStringLiteral("Die Anweisung hat %1 Platzhalter, aber %2 Werte.")
                           .arg(marks.size())
                           .arg(values.size()));
    // As the driver writes the values of its EXECUTE: by the value's type,
    // NULL for a null one.
    QString text;
    qsizetype from = 0;
    QSqlField field;
    for (qsizetype i = 0; i < marks.size(); ++i) {
        const QVariant &value = values.at(i);
        field.setMetaType(value.metaType());
        if (value.isNull())
            field.clear();
        else
            field.setValue(value);
        text += QStringView(sql).mid(from, marks.at(i) - from);
        text += m_db.driver()->formatValue(field);
        from = marks.at(i) + 1;
    }
    text += QStringView(sql).mid(from);
    return text;
}

void Backend::keepUntilTransactionEnds(const QSqlQuery &query)
{
    // A statement that failed inside a transaction cannot be freed until the
    // transaction ends (PostgreSQL refuses everything in an aborted one, and
    // the driver would complain about it): a copy keeps it alive till then.
    if (inTransaction())
        m_failedInTransaction.append(query);
}

bool Backend::watched(const std::function<bool()> &run)
{
    struct Watch
    {
        Backend *self;
        ~Watch() { self->statementEnds(); }
    } watch{this};
    statementStarts(m_db);
    return run();
}

void Backend::raise(const QSqlError &error, EngineRefusal refusal)
{
    QString text = engineText(error);
    if (connectionBroken(error))
        raiseLost(text);
    if (const QString meaning = explainedError(error); !meaning.isEmpty())
        text = meaning + QLatin1Char('\n') + text;
    throw ComError(classifyError(error), text).withRefusal(std::move(refusal));
}

EngineRefusal Backend::refusalOf(const QSqlError &error, const QSqlQuery &query,
                                 const RowWrite *write)
{
    Q_UNUSED(error);
    Q_UNUSED(query);
    Q_UNUSED(write);
    return EngineRefusal();
}

HRESULT_T Backend::classifyError(const QSqlError &error) const
{
    const QString state = error.nativeErrorCode();
    if (state.startsWith(QLatin1String("08"))) // SQLSTATE class 08: connection exception
        return E_FAIL;
    if (state.startsWith(QLatin1String("23"))) // class 23: integrity constraint violation
        return DB_E_INTEGRITYVIOLATION;
    if (state == QLatin1String("42P01") || state == QLatin1String("42S02"))
        return DB_E_NOTABLE;
    if (error.type() == QSqlError::ConnectionError && state.isEmpty())
        return E_FAIL;
    return DB_E_ERRORSINCOMMAND;
}

HRESULT_T Backend::classifyOpenError(const QSqlError &error) const
{
    // SQLSTATE class 28: the login was refused (ODBC's
    // "Login failed" is 28000).
    if (error.nativeErrorCode().startsWith(QLatin1String("28")))
        return DB_SEC_E_AUTH_FAILED;
    return E_FAIL;
}

bool Backend::connectionBroken(const QSqlError &error) const
{
    return error.nativeErrorCode().startsWith(QLatin1String("08"));
}

void Backend::beginTransaction()
{
    if (m_transactionDepth > 0) {
        ++m_transactionDepth;
        return;
    }
    // Opened anew before the count starts: a new connection starts with
    // none, and the transaction's nested parts must find this one open.
    reconnectIfLost();
    m_transactionDepth = 1;
    QSqlQuery query = newQuery();
    try {
        exec(query, beginStatement());
    } catch (...) {
        m_transactionDepth = 0;
        throw;
    }
    ++m_transactionSerial;
}

void Backend::commitTransaction()
{
    if (m_transactionDepth == 0)
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Es ist keine Transaktion geöffnet."));
    if (--m_transactionDepth > 0)
        return;
    QSqlQuery query = newQuery();
    const bool ok = watched([&] { return query.exec(QStringLiteral("COMMIT")); });
    if (!ok) {
        // A refused commit leaves SQLite's transaction open and ends
        // PostgreSQL's; roll back so that both end in the same, known state.
        // (A constraint checked at the end, DEFERRABLE, refuses here.)
        const QSqlError error = query.lastError();
        if (connectionBroken(error)) {
            // The server may have committed before its answer was lost.
            m_failedInTransaction.clear();
            raiseLost(engineText(error), kOutcomeInDoubt);
        }
        EngineRefusal refusal = refusalOf(error, query, nullptr);
        QSqlQuery rollback = newQuery();
        rollback.exec(QStringLiteral("ROLLBACK"));
        m_failedInTransaction.clear();
        raise(error, std::move(refusal));
    }
}

void Backend::rollbackTransaction()
{
    if (m_transactionDepth == 0)
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Es ist keine Transaktion geöffnet."));
    // A rollback always ends the whole transaction, however deep it was.
    m_transactionDepth = 0;
    if (m_lost) {
        m_failedInTransaction.clear();
        return; // the server has rolled it back with the connection
    }
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("ROLLBACK"));
    m_failedInTransaction.clear();
}

QStringList Backend::rowIdentity(const TableSchema &table) const
{
    QStringList identity;
    for (const QString &column : table.primaryKey())
        identity << quoteIdentifier(column);
    return identity;
}

void Backend::readLimited(const QString &sql, qsizetype rows, KeyStore &keys)
{
    QSqlQuery query = newQuery();
    exec(query, limitedQuery(sql, rows));
    while (query.next())
        keys.appendFrom(query);
    query.finish();
}

std::unique_ptr<KeySource> Backend::openKeySource(const QString &sql, int width)
{
    QSqlQuery query = newQuery();
    exec(query, sql);
    return std::make_unique<EagerKeySource>(std::move(query), width);
}

QString Backend::limitedQuery(const QString &sql, qsizetype rows) const
{
    Q_UNUSED(sql);
    Q_UNUSED(rows);
    return QString();
}

std::unique_ptr<KeySource> Backend::openOwnKeySource(const QString &sql, int width)
{
    return Backend::openKeySource(sql, width);
}

QString Backend::quoteIdentifier(const QString &name) const
{
    // The whole name as one identifier, whatever it holds. The driver's own
    // escaping takes a "." for the end of a schema's name (a column "Tel."
    // would become "Tel"."") and leaves a name that starts or ends with a
    // quote unquoted (a column Name" would stand bare in the statement), so
    // only its quote characters are taken from it.
    const QString sample =
        m_db.driver()->escapeIdentifier(QStringLiteral("a"), QSqlDriver::FieldName);
    if (sample.size() != 3 || sample.at(1) != QLatin1Char('a'))
        return m_db.driver()->escapeIdentifier(name, QSqlDriver::FieldName);
    const QChar close = sample.at(2);
    return sample.at(0) + QString(name).replace(close, QString(2, close)) + close;
}

bool Backend::readsUnquotedAs(const QString &written, const QString &catalogName) const
{
    // Names are matched ignoring case here, as SQL Server and SQLite do.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(written).hasMatch() && !SqlText::isReservedWord(written) &&
           written.compare(catalogName, Qt::CaseInsensitive) == 0;
}

QString Backend::sqlName(const QString &name) const
{
    return isPlainName(name) ? name : quoteIdentifier(name);
}

QString Backend::tableSqlName(const QString &name)
{
    const auto known = m_tableSqlNames.constFind(name);
    if (known != m_tableSqlNames.constEnd())
        return *known;
    const QString resolved = readTableSqlName(name);
    m_tableSqlNames.insert(name, resolved);
    return resolved;
}

QString Backend::columnSqlName(const QString &table, const QString &column)
{
    const QString cacheKey = table + QLatin1Char('\n') + column;
    const auto known = m_columnSqlNames.constFind(cacheKey);
    if (known != m_columnSqlNames.constEnd())
        return *known;
    const TableSchema schema = readTable(table);
    QString catalogName;
    for (const ColumnSchema &candidate : schema.columns) {
        if (candidate.name == column) {
            catalogName = candidate.name;
            break;
        }
        if (catalogName.isNull() && candidate.name.compare(column, Qt::CaseInsensitive) == 0)
            catalogName = candidate.name;
    }
    // A column the table lacks stays as given: the engine says it is missing.
    const QString resolved = catalogName.isNull() || readsUnquotedAs(column, catalogName)
                                 ? column
                                 : quoteIdentifier(catalogName);
    m_columnSqlNames.insert(cacheKey, resolved);
    return resolved;
}

void Backend::setCommandTimeout(int seconds)
{
    m_params.commandTimeout = qMax(0, seconds);
    if (m_db.isOpen() && !m_lost)
        applyCommandTimeout();
}

// --- values -----------------------------------------------------------------

namespace {

[[noreturn]] void cannotConvert(const Variant &value, const ColumnSchema &column)
{
    throw ComError(DB_E_CANTCONVERTVALUE,
                   QStringLiteral("Der Wert \"%1\" passt nicht zum Datentyp der Spalte %2.")
                       .arg(value.toString(), column.name));
}

QString timeText(const QTime &time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

} // namespace

bool Backend::parseDateText(const QString &text, QDate *date, QTime *time)
{
    // Year first ("2021-03-07 14:30:00"), as engines store days and times,
    // read by the scanner of the record texts: the expression below was a
    // tenth of the time of an export of many dated rows.
    if (text.size() > 4 && text.at(4) == QLatin1Char('-') &&
        GermanValues::recordDateTime(text, date, time))
        return true;
    // ISO 8601 as the engines and other programs write it: a day, then
    // perhaps a time with fractions and a zone. The zone is not applied:
    // dates are wall-clock values, as written.
    static const QRegularExpression iso(QStringLiteral(
        "^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2})(?:[.,](\\d+))?)?"
        "\\s*(?:Z|[+-]\\d{2}(?::?\\d{2})?)?)?$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = iso.match(trimmed);
    if (match.hasMatch()) {
        *date =
            QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
        const int ms = (match.captured(7) + QStringLiteral("000")).left(3).toInt();
        *time = QTime(match.captured(4).toInt(), match.captured(5).toInt(),
                      match.captured(6).toInt(), ms);
        return date->isValid() && time->isValid();
    }
    *time = QTime(0, 0);
    *date = QDate::fromString(trimmed, QStringLiteral("d.M.yyyy"));
    if (date->isValid())
        return true;
    *time = QTime::fromString(trimmed, Qt::ISODate);
    if (time->isValid()) {
        *date = QDate(1899, 12, 30);
        return true;
    }
    return false;
}

const TableSchema &Backend::schema(const QString &table)
{
    auto known = m_schemas.find(table);
    if (known == m_schemas.end())
        known = m_schemas.insert(table, readTable(table));
    return *known;
}

Variant Backend::fromDriverUntyped(const QVariant &value)
{
    if (value.isNull())
        return Variant::null();
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return Variant::wholeNumber(value.toLongLong());
    case QMetaType::Float:
    case QMetaType::Double:
        return Variant(value.toDouble());
    case QMetaType::QDate:
        return Variant::fromDate(value.toDate());
    case QMetaType::QDateTime:
        return Variant::fromDateTime(value.toDateTime());
    case QMetaType::QTime:
        return Variant(timeText(value.toTime()));
    case QMetaType::QByteArray:
        return Variant(QString::fromLatin1(value.toByteArray().toHex()));
    default:
        return Variant(value.toString());
    }
}

Variant Backend::fromDriver(const QVariant &value, const ColumnSchema &column) const
{
    if (value.isNull())
        return Variant::null();
    bool ok = false;
    switch (column.valueKind) {
    case ValueKind::Small:
    case ValueKind::Integer:
    case ValueKind::BigInteger: {
        const qint64 number = value.toLongLong(&ok);
        if (ok)
            return Variant::wholeNumber(number, column.valueKind == ValueKind::Small);
        break;
    }
    case ValueKind::Floating: {
        const double number = value.toDouble(&ok);
        if (ok)
            return Variant(number);
        break;
    }
    case ValueKind::Decimal: {
        Variant decimal = Variant::decimal(value.toString());
        if (decimal.isEmpty()) {
            const double number = value.toDouble(&ok);
            if (ok && !std::isfinite(number))
                return Variant(number); // NUMERIC's NaN has no digits
            if (ok)
                decimal = Variant::decimal(number);
        }
        if (!decimal.isEmpty())
            return decimal;
        break;
    }
    case ValueKind::Date:
    case ValueKind::DateTime: {
        QDate date;
        QTime time(0, 0);
        bool ok = true;
        if (value.metaType().id() == QMetaType::QDate) {
            date = value.toDate();
        } else if (value.metaType().id() == QMetaType::QDateTime) {
            const QDateTime dateTime = value.toDateTime();
            date = dateTime.date();
            time = dateTime.time();
        } else if (value.metaType().id() == QMetaType::QString) {
            ok = parseDateText(value.toString(), &date, &time);
        } else {
            ok = false;
        }
        if (ok && date.isValid() && time.isValid())
            return Variant::fromDateAndTime(date, time);
        break;
    }
    case ValueKind::Text:
        if (value.metaType().id() == QMetaType::QByteArray)
            return Variant(QString::fromUtf8(value.toByteArray()));
        return Variant(value.toString());
    case ValueKind::Boolean: {
        if (value.metaType().id() == QMetaType::Bool)
            return Variant(value.toBool());
        if (const std::optional<bool> word = GermanValues::yesNoWord(value.toString()))
            return Variant(*word);
        const qint64 number = value.toLongLong(&ok);
        if (ok)
            return Variant(number != 0);
        break;
    }
    case ValueKind::Other:
        return fromDriverUntyped(value);
    }
    // What the column's type cannot hold is handed up as it is, so that
    // nothing stored is lost and the layers above can say what is wrong.
    return fromDriverUntyped(value);
}

QVariant Backend::toDriver(const Variant &value, const ColumnSchema &column,
                           const QVariant &storedLike) const
{
    Q_UNUSED(storedLike); // one form per column type here
    if (value.isEmptyOrNull())
        return QVariant();
    bool ok = false;
    switch (column.valueKind) {
    case ValueKind::Small:
    case ValueKind::Integer:
    case ValueKind::BigInteger: {
        if (value.isInteger() || value.type() == Variant::Type::Bool)
            return QVariant(qlonglong(value.toInt64()));
        const QString text =
            value.type() == Variant::Type::Text ? value.toString().trimmed() : value.decimalText();
        const qlonglong exact = text.toLongLong(&ok);
        if (ok)
            return QVariant(exact);
        const double number = value.toDouble(&ok);
        if (ok && std::isfinite(number) && std::fabs(number) < 9.2e18)
            return QVariant(qlonglong(std::nearbyint(number)));
        cannotConvert(value, column);
    }
    case ValueKind::Floating: {
        const double number = value.toDouble(&ok);
        if (ok && value.type() != Variant::Type::Date)
            return QVariant(number);
        cannotConvert(value, column);
    }
    case ValueKind::Decimal: {
        const Variant decimal =
            value.type() == Variant::Type::Decimal ? value
            : value.type() == Variant::Type::Text  ? Variant::decimal(value.toString())
            : value.isInteger() ? Variant::decimal(QString::number(value.toInt64()))
                                : Variant::decimal(value.toDouble(&ok));
        if (decimal.isEmpty() || value.type() == Variant::Type::Date)
            cannotConvert(value, column);
        return QVariant(decimal.decimalText());
    }
    case ValueKind::Date:
    case ValueKind::DateTime: {
        QDate date;
        QTime time;
        if (!dateOf(value, &date, &time))
            cannotConvert(value, column);
        // Dates travel as ISO text on every engine: SQLite keeps them so
        // (and compares them as text), the others convert exactly.
        if (column.valueKind == ValueKind::Date || time.msecsSinceStartOfDay() == 0)
            return QVariant(date.toString(Qt::ISODate));
        return QVariant(date.toString(Qt::ISODate) + QLatin1Char(' ') +
                        time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz")
                                                  : QStringLiteral("HH:mm:ss")));
    }
    case ValueKind::Text:
        // An empty text is a text, not NULL (a null QString would bind as NULL).
        return QVariant(value.toString().isNull() ? QString(QLatin1String("")) : value.toString());
    case ValueKind::Boolean: {
        if (value.type() == Variant::Type::Bool || value.isInteger() || value.isFloating())
            return QVariant(value.toBool());
        const QString text = value.toString().trimmed();
        if (const std::optional<bool> word = GermanValues::yesNoWord(text))
            return QVariant(*word);
        if (text == QLatin1String("1") || text == QLatin1String("0"))
            return QVariant(text == QLatin1String("1"));
        cannotConvert(value, column);
    }
    case ValueKind::Other:
        if (isBinaryType(column.type)) {
            // The bytes the digits stand for, and nothing else: fromHex
            // would skip what is no digit.
            const QString digits = value.toString();
            const bool hex =
                digits.size() % 2 == 0 && std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
                    return c.unicode() < 128 && std::isxdigit(c.unicode());
                });
            if (!hex)
                cannotConvert(value, column);
            return QVariant(QByteArray::fromHex(digits.toLatin1()));
        }
        return QVariant(value.toString());
    }
    return QVariant(value.toString());
}

bool Backend::dateOf(const Variant &value, QDate *date, QTime *time)
{
    if (value.type() == Variant::Type::Date || value.isFloating()) {
        Variant::partsFromOle(value.toDouble(), date, time);
    } else if (value.type() == Variant::Type::Text) {
        if (!parseDateText(value.toString(), date, time))
            *date = QDate();
    } else {
        *date = QDate();
    }
    return date->isValid() && time->isValid();
}

namespace {

// Whether a value read for the column is one of the column's kind, and not
// a text the column's type could not read ('now' for a date).
bool isOfKind(const Variant &value, ValueKind kind)
{
    switch (kind) {
    case ValueKind::Small:
    case ValueKind::Integer:
    case ValueKind::BigInteger:
        return value.isInteger();
    case ValueKind::Floating:
        return value.isFloating();
    case ValueKind::Decimal:
        return value.type() == Variant::Type::Decimal;
    case ValueKind::Date:
    case ValueKind::DateTime:
        return value.type() == Variant::Type::Date;
    case ValueKind::Boolean:
        return value.type() == Variant::Type::Bool;
    case ValueKind::Text:
    case ValueKind::Other:
        return value.type() == Variant::Type::Text;
    }
    return false;
}

// The text inside parentheses that enclose all of it, else the text.
QString withoutOuterParentheses(QString text)
{
    for (;;) {
        text = text.trimmed();
        if (!text.startsWith(QLatin1Char('(')) || !text.endsWith(QLatin1Char(')')))
            return text;
        int depth = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == QLatin1Char('('))
                ++depth;
            else if (text.at(i) == QLatin1Char(')') && --depth == 0 && i + 1 < text.size())
                return text; // "(a) + (b)"
        }
        text = text.mid(1, text.size() - 2);
    }
}

} // namespace

void Backend::applyDefault(ColumnSchema &column, const QString &expression) const
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    static const QRegularExpression quoted(QStringLiteral("^'((?:[^']|'')*)'$"));
    const QString text = withoutOuterParentheses(expression);
    if (text.compare(QLatin1String("CURRENT_DATE"), Qt::CaseInsensitive) == 0) {
        column.defaultIsToday = true;
        return;
    }
    QVariant literal;
    if (number.match(text).hasMatch()) {
        // Dates held as numbers (SQLite's julian days) are read from numbers.
        const bool asDate =
            column.valueKind == ValueKind::Date || column.valueKind == ValueKind::DateTime;
        literal = asDate ? QVariant(text.toDouble()) : QVariant(text);
    } else if (const QRegularExpressionMatch match = quoted.match(text); match.hasMatch()) {
        literal = match.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"));
    } else if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        literal = text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    } else {
        return; // NULL, a function, an expression: the engine's to compute
    }
    const Variant value = fromDriver(literal, column);
    if (isOfKind(value, column.valueKind))
        column.defaultValue = value;
}

QVariant Backend::storedSample(const QString &table, const ColumnSchema &column)
{
    Q_UNUSED(table);
    Q_UNUSED(column);
    return QVariant();
}

void Backend::checkValue(const ColumnSchema &column, const QVariant &driverValue)
{
    Q_UNUSED(column);
    Q_UNUSED(driverValue);
}

QString Backend::selectExpression(const ColumnSchema &column, const QString &name) const
{
    Q_UNUSED(column);
    return name;
}

void Backend::adaptComparison(const QString &table, const ColumnSchema &column, QString *columnSql,
                              QString *operand)
{
    Q_UNUSED(table);
    Q_UNUSED(column);
    Q_UNUSED(columnSql);
    Q_UNUSED(operand);
}

// --- EagerKeySource -----------------------------------------------------------

EagerKeySource::EagerKeySource(QSqlQuery query, int width) : m_query(std::move(query))
{
    Q_UNUSED(width);
}

bool EagerKeySource::read(KeyStore &keys, qsizetype maxRows)
{
    Q_UNUSED(maxRows);
    // Everything at once: a statement left open on the main connection would
    // keep its read lock, and on SQLite even delay the commit of our writes.
    while (m_query.next())
        keys.appendFrom(m_query);
    m_query.finish();
    return false;
}
