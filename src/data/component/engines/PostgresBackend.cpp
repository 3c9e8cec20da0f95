#include "data/component/engines/PostgresBackend.h"
#include "data/component/engines/PgResult.h"

#include "data/component/SqlText.h"
#include "data/component/TransactionGuard.h"

#include <QRegularExpression>
#include <QSqlDriver>

#include <poll.h>

namespace {

// How long past its own statement timeout a server may take to say so
// before the watchdog stops waiting for it: as long again as the timeout,
// at most 5 seconds. A fixed 5 seconds would stretch a short timeout the
// host chose (2 seconds) to several times its length.
int answerGraceSeconds(int commandTimeout)
{
    return qBound(1, commandTimeout, 5);
}

PGconn *pgConnection(const QSqlDatabase &db)
{
    if (!db.isValid() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

// QPSQL's "?" placeholders as the server's own "$n", outside literals,
// quoted names and comments, the way the driver converts them itself.
QString withNumberedParameters(const QString &sql)
{
    QString result;
    result.reserve(sql.size() + 8);
    int parameter = 0;
    QChar quote;
    bool lineComment = false;
    bool blockComment = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < sql.size() ? sql.at(i + 1) : QChar();
        if (lineComment) {
            lineComment = c != QLatin1Char('\n');
        } else if (blockComment) {
            if (c == QLatin1Char('*') && next == QLatin1Char('/')) {
                result += c;
                ++i;
                result += next;
                blockComment = false;
                continue;
            }
        } else if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            lineComment = true;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            blockComment = true;
        } else if (c == QLatin1Char('?')) {
            result += QLatin1Char('$') + QString::number(++parameter);
            continue;
        }
        result += c;
    }
    return result;
}

// A value as libpq reads it in its settings: quoted, with a backslash
// before a quote or a backslash.
QString libpqQuoted(QString value)
{
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    value.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

class PostgresKeySource final : public KeySource
{
public:
    PostgresKeySource(PostgresBackend *backend, QString cursor)
        : m_backend(backend), m_cursor(std::move(cursor)), m_generation(backend->generation())
    {}
    ~PostgresKeySource() override
    {
        if (!m_cursor.isEmpty())
            m_backend->closeCursor(m_cursor, m_generation);
    }

    bool read(KeyStore &keys, qsizetype maxRows) override
    {
        if (m_backend->generation() != m_generation)
            throw ComError(E_CONNECTION_ABORTED,
                           QStringLiteral("Die Schlüssel wurden auf einer Verbindung gelesen, "
                                          "die nicht mehr besteht."));
        QSqlQuery query;
        m_backend->fetch(query, m_cursor, maxRows);
        qsizetype rows = 0;
        while (query.next()) {
            keys.appendFrom(query);
            ++rows;
        }
        if (rows < maxRows) {
            m_backend->closeCursor(m_cursor, m_generation);
            m_cursor.clear();
            return false;
        }
        return true;
    }

private:
    PostgresBackend *m_backend;
    QString m_cursor;
    int m_generation;
};

// The key query's one cursor on a background reader's own connection.
class OwnKeySource final : public KeySource
{
public:
    explicit OwnKeySource(PostgresBackend *backend) : m_backend(backend) {}
    ~OwnKeySource() override
    {
        if (m_open)
            m_backend->closeOwn();
    }

    bool read(KeyStore &keys, qsizetype maxRows) override
    {
        QSqlQuery query;
        m_backend->fetchOwn(query, maxRows);
        qsizetype rows = 0;
        while (query.next()) {
            keys.appendFrom(query);
            ++rows;
        }
        if (rows < maxRows) {
            m_open = false;
            m_backend->closeOwn();
            return false;
        }
        return true;
    }

private:
    PostgresBackend *m_backend;
    bool m_open = true;
};

constexpr const char *kOwnCursor = "qrt_all_keys";

} // namespace

PostgresBackend::PostgresBackend(const ConnectionParams &params) : Backend(params)
{
    try {
        openDatabase(QStringLiteral("QPSQL"));
    } catch (const ComError &error) {
        throw explainedOpenError(error);
    }
}

PostgresBackend::~PostgresBackend()
{
    dropSideConnections();
}

void PostgresBackend::configureDatabase(QSqlDatabase &db)
{
    db.setHostName(m_params.host.isEmpty() ? QStringLiteral("localhost") : m_params.host);
    if (m_params.port > 0)
        db.setPort(m_params.port);
    db.setUserName(m_params.user);
    db.setPassword(m_params.password);
    db.setDatabaseName(m_params.database);
    // The driver joins these with blanks into libpq's settings; every
    // connection of this backend (the reader's too) gets the same, so none
    // of them goes unencrypted or unverified.
    QStringList options;
    // libpq waits at least two seconds; 0 would wait for ever.
    if (m_params.connectTimeout > 0)
        options << QStringLiteral("connect_timeout=%1").arg(qMax(2, m_params.connectTimeout));
    const auto add = [&options](const char *name, const QString &value) {
        if (!value.isEmpty())
            options << QLatin1String(name) + QLatin1Char('=') + libpqQuoted(value);
    };
    add("sslmode", m_params.sslMode);
    add("sslrootcert", m_params.sslRootCert);
    add("application_name", m_params.applicationName);
    add("port", m_params.ports);
    add("target_session_attrs", m_params.targetSessionAttrs);
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

void PostgresBackend::afterOpen()
{
    // Behind a pooler (PgBouncer) the server listens on another port than
    // the one connected to, and a setting made now would stay with the
    // pooled server session for whichever client gets it next, while this
    // client's next transaction may run elsewhere. Nothing the library does
    // relies on these settings (money goes as a number, bytea is read in
    // both forms, statements are watched on this side as well), so there
    // they are left to the server's and the role's configuration.
    QSqlQuery probe = newQuery();
    exec(probe, QStringLiteral("SELECT inet_server_port()"));
    const PGconn *connection = pgConnection(m_db);
    m_pooled = probe.next() && !probe.value(0).isNull() && connection &&
               probe.value(0).toString() != QString::fromLatin1(PQport(connection));
    probe.finish();
    if (m_pooled)
        return;
    applyCommandTimeout();
    // money's text follows lc_monetary; in C it is always "$1,234.56" out
    // and takes "1234.56" in. bytea's text is the server's usual hex (the
    // driver asks for the old escape form, and reads either).
    QSqlQuery query = newQuery();
    exec(query, QStringLiteral("SET lc_monetary TO 'C'"));
    exec(query, QStringLiteral("SET bytea_output TO 'hex'"));
}

void PostgresBackend::applyCommandTimeout()
{
    if (m_pooled)
        return;
    QSqlQuery query = newQuery();
    exec(query,
         QStringLiteral("SET statement_timeout = %1").arg(qint64(m_params.commandTimeout) * 1000));
    if (!m_readerName.isEmpty()) {
        QSqlQuery reader = readerQuery();
        readerExec(reader, QStringLiteral("SET statement_timeout = %1")
                               .arg(qint64(m_params.commandTimeout) * 1000));
    }
}

bool PostgresBackend::readsUnquotedAs(const QString &written, const QString &catalogName) const
{
    // Unquoted names fold to lower case: QRTFILTER names qrtfilter, and a
    // table created as "Kunden" needs its quotes.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_$]*$"));
    return plain.match(written).hasMatch() && !SqlText::isReservedWord(written) &&
           written.toLower() == catalogName;
}

pg_conn *PostgresBackend::nativeConnection(const QSqlDatabase &db)
{
    return pgConnection(db);
}

void PostgresBackend::verifySingleStatement(const QString &sql)
{
    PGconn *connection = pgConnection(m_db);
    if (!connection)
        return;
    PgResult result;
    watched([&] {
        result.reset(PQprepare(connection, "", withNumberedParameters(sql).toUtf8().constData(), 0,
                               nullptr));
        return true;
    });
    if (PQstatus(connection) == CONNECTION_BAD)
        raiseLost(QString::fromUtf8(PQerrorMessage(connection)).trimmed());
    if (result && PQresultStatus(result.get()) == PGRES_COMMAND_OK)
        return;
    const char *state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
    if (!state) {
        // The client could not ask the server: unproven texts do not run.
        throw ComError(DB_E_ERRORSINCOMMAND,
                       QStringLiteral("Die SQL-Anweisung konnte nicht geprüft werden.\n") +
                           QString::fromUtf8(PQerrorMessage(connection)).trimmed());
    }
    const char *position =
        result ? PQresultErrorField(result.get(), PG_DIAG_STATEMENT_POSITION) : nullptr;
    // The server refuses a second statement with a syntax error that points
    // nowhere; a real syntax error points at its place and is left for the
    // statement itself to report, as is every other error of analysis
    // outside a transaction.
    if (state && qstrcmp(state, "42601") == 0 && !position) {
        throw ComError(DB_SEC_E_PERMISSIONDENIED,
                       QStringLiteral("Die SQL-Anweisung enthält mehr als eine Anweisung; keine "
                                      "davon wurde ausgeführt.\n") +
                           QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed());
    }
    // Inside a transaction the failed check has aborted it, and the
    // statement itself could only report that. The check's own reason (a
    // wait for a lock cancelled by the timeout, say) is the one to read.
    if (inTransaction()) {
        raise(QSqlError(QString(), QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed(),
                        QSqlError::StatementError, QString::fromLatin1(state)));
    }
}

HRESULT_T PostgresBackend::classifyOpenError(const QSqlError &error) const
{
    // libpq's own words (English or German), or OpenSSL's, which are never
    // translated. Nothing of the login has been sent when these happen.
    static const QRegularExpression noTls(
        QStringLiteral("server does not support SSL|Server unterstützt kein SSL"));
    static const QRegularExpression refusedCertificate(QStringLiteral(
        "certificate verify failed|server certificate for|Server-Zertifikat für|"
        "host name from server certificate|Hostnamen des Servers nicht aus dem Serverzertifikat|"
        "root certificate file|Root-Zertifikat-Datei"));
    const QString text = error.databaseText();
    if (text.contains(noTls))
        return SEC_E_UNSUPPORTED_FUNCTION;
    if (text.contains(refusedCertificate))
        return SEC_E_UNTRUSTED_ROOT;

    // A refused connection reaches the driver without a result, so without
    // its SQLSTATE: only libpq's text tells a refused login (the server's
    // words, or the client's own when it had no password to send), in the
    // server's English or German. A role that does not exist is a wrong
    // user name; with password authentication the server words it as a
    // failed password anyway.
    static const QRegularExpression refusedLogin(
        QStringLiteral("authentication failed|no password supplied|role \\S+ does not exist|"
                       "Authentifizierung .* fehlgeschlagen|kein Passwort angegeben|"
                       "Rolle \\S+ existiert nicht"));
    if (error.databaseText().contains(refusedLogin))
        return DB_SEC_E_AUTH_FAILED;
    return Backend::classifyOpenError(error);
}

ComError PostgresBackend::explainedOpenError(const ComError &error) const
{
    QString why;
    if (error.code() == SEC_E_UNTRUSTED_ROOT)
        why = QStringLiteral("Die verschlüsselte Verbindung zum Datenbankserver wurde abgelehnt: "
                             "sein Zertifikat ist nicht von der angegebenen Zertifizierungsstelle "
                             "(sslrootcert) unterschrieben, gehört zu einem anderen Servernamen, "
                             "oder die Datei der Zertifizierungsstelle fehlt. Benutzername und "
                             "Passwort wurden nicht gesendet.");
    else if (error.code() == SEC_E_UNSUPPORTED_FUNCTION)
        why = QStringLiteral("Die Verbindung verlangt Verschlüsselung (sslmode=%1), der "
                             "Datenbankserver bietet aber keine an. Benutzername und Passwort "
                             "wurden nicht gesendet.")
                  .arg(m_params.sslMode);
    if (why.isEmpty())
        return error;
    return ComError(error.code(), why + QLatin1Char('\n') + error.description());
}

bool PostgresBackend::connectionBroken(const QSqlError &error) const
{
    const QString state = error.nativeErrorCode();
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return true; // connection exception, or the server is shutting down
    PGconn *connection = pgConnection(m_db);
    return connection && PQstatus(connection) == CONNECTION_BAD;
}

QString PostgresBackend::valueMark(const ColumnSchema &column) const
{
    return column.type == AdoType::Currency ? QStringLiteral("CAST(? AS numeric)")
                                            : QStringLiteral("?");
}

QString PostgresBackend::explainedError(const QSqlError &error) const
{
    // read_only_sql_transaction: a standby, or a server that turned into one
    // in a failover, or a database set read-only by its administrator.
    if (error.nativeErrorCode() == QLatin1String("25006"))
        return QStringLiteral("Die Datenbank nimmt zurzeit keine Änderungen an, weil sie nur "
                              "gelesen werden kann (etwa ein Bereitschaftsserver). Es wurde "
                              "nichts gespeichert.");
    return QString();
}

void PostgresBackend::statementStarts(const QSqlDatabase &db)
{
    PGconn *connection = pgConnection(db);
    if (connection && m_params.commandTimeout > 0)
        m_watchdog.arm(PQsocket(connection),
                       m_params.commandTimeout + answerGraceSeconds(m_params.commandTimeout));
}

void PostgresBackend::statementEnds()
{
    m_watchdog.disarm();
}

QString PostgresBackend::interruptionReason() const
{
    if (!m_watchdog.fired())
        return QString();
    return QStringLiteral("Der Datenbankserver hat nicht innerhalb von %1 Sekunden geantwortet.")
        .arg(m_params.commandTimeout + answerGraceSeconds(m_params.commandTimeout));
}

bool PostgresBackend::isReusable()
{
    if (!Backend::isReusable() || m_openCursors > 0)
        return false;
    PGconn *connection = pgConnection(m_db);
    if (!connection)
        return false;
    if (PQstatus(connection) != CONNECTION_OK || PQtransactionStatus(connection) != PQTRANS_IDLE)
        return false;
    // An idle session hears nothing from its server unless the server ends
    // it (restarted, an administrator, an idle limit): then its last words
    // or the closed socket are waiting there. Looking tells without a round
    // trip, and without handing those words to libpq, which would print them.
    pollfd socket{PQsocket(connection), POLLIN, 0};
    return socket.fd >= 0 && ::poll(&socket, 1, 0) == 0;
}

void PostgresBackend::dropSideConnections()
{
    if (m_readerName.isEmpty())
        return;
    {
        QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
        reader.close();
    }
    QSqlDatabase::removeDatabase(m_readerName);
    m_readerName.clear();
    m_openCursors = 0;
}

void PostgresBackend::lockSchemaChange(const QString &name)
{
    QSqlQuery query = newQuery();
    prepare(query, QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
    query.addBindValue(QStringLiteral("qrt schema ") + name);
    exec(query);
    query.finish();
}

// --- the reader connection ------------------------------------------------------

QSqlDatabase PostgresBackend::readerDatabase()
{
    const bool created = m_readerName.isEmpty();
    if (created) {
        m_readerName = m_connectionName + QStringLiteral("-keys");
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_readerName);
        configureDatabase(reader);
    }
    QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
    if (!reader.isOpen()) {
        if (!reader.open())
            raise(reader.lastError());
        if (!m_pooled) {
            QSqlQuery timeout(reader);
            timeout.exec(QStringLiteral("SET statement_timeout = %1")
                             .arg(qint64(m_params.commandTimeout) * 1000));
        }
    }
    return reader;
}

QSqlQuery PostgresBackend::readerQuery()
{
    QSqlQuery query(readerDatabase());
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return query;
}

bool PostgresBackend::readerExec(QSqlQuery &query, const QString &sql)
{
    struct Watch
    {
        PostgresBackend *self;
        ~Watch() { self->statementEnds(); }
    } watch{this};
    statementStarts(readerDatabase());
    return query.exec(sql);
}

QString PostgresBackend::declareCursor(const QString &sql)
{
    reconnectIfLost();
    // The key query holds the host's condition and order: it is proven one
    // statement on the main connection before the reader declares it.
    requireSingleStatement(sql);
    QSqlQuery query = readerQuery();
    if (m_openCursors == 0 && !readerExec(query, QStringLiteral("BEGIN READ ONLY")))
        raise(query.lastError());
    const QString name = QStringLiteral("qrt_keys_%1").arg(++m_cursorCounter);
    // A savepoint keeps a refused query from ending the transaction that the
    // other open cursors live in.
    const bool declared =
        readerExec(query, QStringLiteral("SAVEPOINT qrt_declare")) &&
        readerExec(query, QStringLiteral("DECLARE %1 NO SCROLL CURSOR FOR %2").arg(name, sql));
    if (!declared) {
        const QSqlError error = query.lastError();
        QSqlQuery cleanup = readerQuery();
        readerExec(cleanup, m_openCursors == 0
                                ? QStringLiteral("ROLLBACK")
                                : QStringLiteral("ROLLBACK TO SAVEPOINT qrt_declare"));
        raise(error);
    }
    readerExec(query, QStringLiteral("RELEASE SAVEPOINT qrt_declare"));
    ++m_openCursors;
    return name;
}

void PostgresBackend::fetch(QSqlQuery &query, const QString &cursor, qsizetype rows)
{
    query = readerQuery();
    if (!readerExec(query, QStringLiteral("FETCH FORWARD %1 FROM %2").arg(rows).arg(cursor))) {
        const QSqlError error = query.lastError();
        PGconn *connection = pgConnection(QSqlDatabase::database(m_readerName, false));
        if (connection && PQstatus(connection) == CONNECTION_BAD)
            raiseLost(engineText(error));
        raise(error);
    }
}

void PostgresBackend::closeCursor(const QString &name, int generation)
{
    // A cursor of a connection that has since been replaced went with it.
    if (generation != m_generation || m_readerName.isEmpty())
        return;
    QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
    if (!reader.isOpen())
        return;
    QSqlQuery query(reader);
    readerExec(query, QStringLiteral("CLOSE %1").arg(name));
    if (--m_openCursors <= 0) {
        m_openCursors = 0;
        readerExec(query, QStringLiteral("COMMIT"));
    }
}

std::unique_ptr<KeySource> PostgresBackend::openKeySource(const QString &sql, int width)
{
    Q_UNUSED(width);
    const QString cursor = declareCursor(sql);
    return std::make_unique<PostgresKeySource>(this, cursor);
}

QString PostgresBackend::limitedQuery(const QString &sql, qsizetype rows) const
{
    return sql + QStringLiteral(" LIMIT %1").arg(rows);
}

void PostgresBackend::readLimited(const QString &sql, qsizetype rows, KeyStore &keys)
{
    // A bounded read must not use a parallel index scan: on a million rows
    // with an index on NAME, ORDER BY NAME, id LIMIT 1024 became a Gather
    // Merge over a parallel index scan with an incremental sort that took a
    // quarter of a second (reversed, half a second), where the plain index
    // scan reads about a thousand rows in milliseconds. Without such an
    // index the read is a top-N sort of the whole table, and there two
    // workers scanning beside the leader take a third off (75 against 110 ms
    // on a million rows), so only parallel index scans are ruled out (by
    // the largest threshold the server takes, in 8 kB pages). SET LOCAL
    // keeps the setting to this read (inside a caller's transaction, to the
    // rest of that one).
    const QString limited = limitedQuery(sql, rows);
    const QString noParallelIndexScan =
        QStringLiteral("SET LOCAL min_parallel_index_scan_size = 715827882");
    // Proven one statement before the transaction begins: the server's
    // check of a text it then refuses (an unknown column) would end the
    // transaction, and the read would report that instead of the column.
    reconnectIfLost();
    requireSingleStatement(beginStatement());
    requireSingleStatement(noParallelIndexScan);
    requireSingleStatement(limited);
    QSqlQuery query = newQuery(); // outlives the transaction, see Backend
    TransactionGuard transaction(*this);
    exec(query, noParallelIndexScan);
    exec(query, limited);
    while (query.next())
        keys.appendFrom(query);
    query.finish();
    transaction.commit();
}

void PostgresBackend::ownExec(QSqlQuery &query, const QString &sql)
{
    if (!watched([&] { return query.exec(sql); }))
        raise(query.lastError());
}

std::unique_ptr<KeySource> PostgresBackend::openOwnKeySource(const QString &sql, int width)
{
    Q_UNUSED(width);
    // The key query holds the host's condition and order: proven one
    // statement before it goes into the cursor.
    requireSingleStatement(sql);
    QSqlQuery query = newQuery();
    ownExec(query, QStringLiteral("BEGIN READ ONLY"));
    ownExec(
        query,
        QStringLiteral("DECLARE %1 NO SCROLL CURSOR FOR %2").arg(QLatin1String(kOwnCursor), sql));
    return std::make_unique<OwnKeySource>(this);
}

void PostgresBackend::fetchOwn(QSqlQuery &query, qsizetype rows)
{
    query = newQuery();
    ownExec(query,
            QStringLiteral("FETCH FORWARD %1 FROM %2").arg(rows).arg(QLatin1String(kOwnCursor)));
}

void PostgresBackend::closeOwn()
{
    // Ending the transaction closes the cursor; a failed one is gone anyway.
    QSqlQuery query = newQuery();
    watched([&] { return query.exec(QStringLiteral("ROLLBACK")); });
}

std::function<void()> PostgresBackend::canceller()
{
    PGconn *connection = pgConnection(m_db);
    if (!connection)
        return {};
    std::shared_ptr<PGcancel> cancel(PQgetCancel(connection), PQfreeCancel);
    if (!cancel)
        return {};
    return [cancel] {
        char reason[256];
        PQcancel(cancel.get(), reason, int(sizeof reason));
    };
}

// --- catalog ----------------------------------------------------------------------

namespace {

// A default as pg_get_expr prints it, without its casts and the
// parentheses around it: "'DE'::bpchar" -> 'DE', "(-1)" -> -1,
// "'4.99'::numeric(6,2)" -> '4.99'. A cast inside (a function's argument)
// stays, and so the expression stays no constant.
QString withoutCasts(QString text)
{
    for (;;) {
        text = text.trimmed();
        qsizetype cut = -1;
        qsizetype depth = 0;
        QChar quote;
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            const QChar c = text.at(i);
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar(); // a doubled quote closes and opens again
            } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quote = c;
            } else if (c == QLatin1Char('(')) {
                ++depth;
            } else if (c == QLatin1Char(')')) {
                --depth;
            } else if (depth == 0 && c == QLatin1Char(':') && text.at(i + 1) == QLatin1Char(':')) {
                cut = i;
                ++i;
            }
        }
        if (cut < 0)
            return text;
        text = text.left(cut);
    }
}

} // namespace

QStringList PostgresBackend::tableNames()
{
    QSqlQuery query = newQuery();
    exec(query,
         QStringLiteral(
             "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
             "WHERE c.relkind IN ('r','v','p') AND n.nspname = ANY (current_schemas(false)) "
             "ORDER BY c.relname"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

PostgresBackend::TableHead PostgresBackend::findTable(const QString &name)
{
    QSqlQuery query = newQuery();
    // As the engine resolves the name in SQL (unquoted names fold to lower
    // case, "a.b" names a schema); failing that, a table of exactly that
    // name, so that a host may pass Kunden for a table created as "Kunden".
    // to_regclass refuses a text that is no name at all (a blank in it), so
    // it only sees texts that look like one.
    prepare(query,
            QStringLiteral(
                "SELECT c.oid::int8, c.relname, d.oid IS NOT NULL, quote_ident(c.relname), "
                "c.relkind IN ('v','m'), NOT has_any_column_privilege(c.oid, 'UPDATE'), "
                "current_setting('transaction_read_only')::boolean "
                "FROM (SELECT CASE WHEN ? ~ '^(\"([^\"]|\"\")+\"|[^[:space:]\".]+)"
                "(\\.(\"([^\"]|\"\")+\"|[^[:space:]\".]+))?$' THEN to_regclass(?) END AS oid) d "
                "JOIN pg_class c ON c.oid = COALESCE(d.oid, to_regclass(quote_ident(?)))"));
    query.addBindValue(name.trimmed());
    query.addBindValue(name.trimmed());
    query.addBindValue(name.trimmed());
    exec(query);
    if (!query.next())
        throw ComError(DB_E_NOTABLE,
                       QStringLiteral("Die Tabelle %1 gibt es in der Datenbank nicht.").arg(name));
    TableHead head;
    head.oid = query.value(0).toLongLong();
    head.name = query.value(1).toString();
    head.sqlName = query.value(2).toBool() ? name.trimmed() : query.value(3).toString();
    head.isView = query.value(4).toBool();
    head.readOnly = query.value(5).toBool();
    head.databaseReadOnly = query.value(6).toBool();
    query.finish();
    return head;
}

QString PostgresBackend::readTableSqlName(const QString &name)
{
    return findTable(name).sqlName;
}

TableSchema PostgresBackend::readTable(const QString &name)
{
    const TableHead head = findTable(name);
    const qlonglong oid = head.oid;
    TableSchema table;
    table.name = head.name;
    table.sqlName = head.sqlName;
    table.isView = head.isView;
    table.readOnly = head.readOnly;
    table.databaseReadOnly = head.databaseReadOnly;
    QSqlQuery query = newQuery();

    // Per column: its type as declared, the type underneath a domain (what
    // the column's values are), whether it accepts NULL (a domain may say
    // no), identity ('a' always, 'd' by default), generated ('s'), default,
    // and the underlying type's kind and category (enum 'e', array 'A',
    // bit string 'V').
    exec(
        query,
        QStringLiteral(
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod), "
            "format_type(b.oid, CASE WHEN t.typtype = 'd' THEN t.typtypmod ELSE a.atttypmod END), "
            "a.attnotnull OR t.typnotnull, a.attidentity, a.attgenerated, "
            "a.atthasdef AND a.attgenerated = '', "
            "COALESCE(pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', false), "
            "b.typtype, b.typcategory, t.typtype = 'd', "
            "CASE WHEN a.attgenerated = '' THEN pg_get_expr(d.adbin, d.adrelid) END "
            "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
            "JOIN pg_type b ON b.oid = CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid END "
            "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
            "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum")
            .arg(oid));
    while (query.next()) {
        const QString columnName = query.value(0).toString();
        const QString declared = query.value(1).toString();
        const QString underlying = query.value(2).toString();
        const QString kind = query.value(8).toString();
        const QString category = query.value(9).toString();
        const bool domain = query.value(10).toBool();
        // Enums, arrays, bit strings, ranges and composites have names the
        // type rules may take for something else ("status_int", "text[]").
        const bool plainType = kind == QLatin1String("b") && category != QLatin1String("A") &&
                               category != QLatin1String("V");
        ColumnSchema column = columnFromDeclaredType(columnName, plainType ? underlying : QString(),
                                                     UnknownTypes::Other);
        if (!query.value(3).toBool())
            column.attributes |= adColNullable;
        const QString identity = query.value(4).toString();
        column.autoIncrement = !identity.isEmpty() || query.value(7).toBool();
        column.hasDefault = query.value(6).toBool();
        if (column.hasDefault && !column.autoIncrement)
            applyDefault(column, withoutCasts(query.value(11).toString()));
        if (!query.value(5).toString().isEmpty()) {
            column.readOnly = true;
            column.readOnlyReason = ReadOnlyReason::Generated;
        } else if (identity == QLatin1String("a")) {
            column.readOnly = true;
            column.readOnlyReason = ReadOnlyReason::Identity;
        }
        // Whatever the server may refuse once the form's text has become a
        // value: numbers out of range or precision, a domain's check, texts
        // of types the form does not know. (Texts are cut to size and dates
        // are valid before they get here.)
        // (Bytes are checked by their digits, see toDriver.)
        if (domain || (column.valueKind != ValueKind::Text && column.valueKind != ValueKind::Date &&
                       column.valueKind != ValueKind::DateTime &&
                       column.valueKind != ValueKind::Boolean && !isBinaryType(column.type)))
            column.checkedType = declared;
        table.columns << column;
    }
    query.finish();

    readAllowedValues(query, oid, table);

    exec(query,
         QStringLiteral("SELECT c.conname, c.contype, a.attname, f.relname, r.attname "
                        "FROM pg_constraint c "
                        "CROSS JOIN LATERAL unnest(c.conkey) WITH ORDINALITY AS k(attnum, ord) "
                        "JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = k.attnum "
                        "LEFT JOIN pg_class f ON f.oid = c.confrelid "
                        "LEFT JOIN pg_attribute r ON r.attrelid = c.confrelid "
                        "AND r.attnum = c.confkey[k.ord] "
                        "WHERE c.conrelid = %1 AND c.contype IN ('p','u','f') "
                        "ORDER BY c.contype = 'p' DESC, c.conname, k.ord")
             .arg(oid));
    while (query.next()) {
        const QString keyName = query.value(0).toString();
        if (table.keys.isEmpty() || table.keys.last().name != keyName) {
            KeySchema key;
            key.name = keyName;
            const QString type = query.value(1).toString();
            key.type = type == QLatin1String("p")   ? adKeyPrimary
                       : type == QLatin1String("u") ? adKeyUnique
                                                    : adKeyForeign;
            key.relatedTable = query.value(3).toString();
            table.keys << key;
        }
        table.keys.last().columns << query.value(2).toString();
        if (table.keys.last().type == adKeyForeign)
            table.keys.last().relatedColumns << query.value(4).toString();
    }
    query.finish();
    return table;
}

void PostgresBackend::readAllowedValues(QSqlQuery &query, qlonglong oid, TableSchema &table)
{
    // Per column: an enum's labels in their order ('e'), and the checks of
    // the column alone ('c') and of its domain ('d') as the server writes
    // them back. A column's list is what all of them allow together. (The
    // labels as text: a union of name and text would be of type name, and
    // cut every rule at 63 bytes.)
    exec(query, QStringLiteral(
                    "SELECT a.attname, 'e', e.enumlabel::text, e.enumsortorder FROM pg_attribute a "
                    "JOIN pg_type t ON t.oid = a.atttypid "
                    "JOIN pg_enum e ON e.enumtypid = CASE WHEN t.typtype = 'd' THEN t.typbasetype "
                    "ELSE t.oid END "
                    "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped "
                    "UNION ALL SELECT a.attname, 'c', pg_get_constraintdef(c.oid), 0 "
                    "FROM pg_constraint c JOIN pg_attribute a ON a.attrelid = c.conrelid "
                    "AND a.attnum = c.conkey[1] "
                    "WHERE c.conrelid = %1 AND c.contype = 'c' AND cardinality(c.conkey) = 1 "
                    "UNION ALL SELECT a.attname, 'd', pg_get_constraintdef(c.oid), 0 "
                    "FROM pg_attribute a JOIN pg_constraint c ON c.contypid = a.atttypid "
                    "AND c.contype = 'c' "
                    "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped "
                    "ORDER BY 1, 2, 4")
                    .arg(oid));
    QHash<QString, QVector<QStringList>> lists; // per column, each rule's values
    QString lastColumn;
    while (query.next()) {
        const QString column = query.value(0).toString();
        const QString kind = query.value(1).toString();
        const QString text = query.value(2).toString();
        QVector<QStringList> &rules = lists[column];
        if (kind == QLatin1String("e")) {
            if (lastColumn != column || rules.isEmpty())
                rules.append(QStringList());
            rules.last() << text;
        } else {
            const QStringList values = SqlText::listedValues(
                text, kind == QLatin1String("d") ? QStringLiteral("VALUE") : column);
            if (!values.isEmpty())
                rules.append(values);
        }
        lastColumn = column;
    }
    query.finish();
    for (ColumnSchema &column : table.columns)
        column.allowedValues = allowedByAll(lists.value(column.name));
}

QStringList PostgresBackend::rowIdentity(const TableSchema &table) const
{
    QStringList identity = Backend::rowIdentity(table);
    // The row's address; updates return the new one. A view's rows have none.
    if (identity.isEmpty() && !table.isView)
        identity << QStringLiteral("ctid");
    return identity;
}

// --- values -------------------------------------------------------------------

Variant PostgresBackend::fromDriver(const QVariant &value, const ColumnSchema &column) const
{
    // money as the C locale writes it: "-$1,234.56".
    if (column.type == AdoType::Currency && value.metaType().id() == QMetaType::QString) {
        static const QRegularExpression money(QStringLiteral("^(-?)\\$([0-9,]+(\\.[0-9]+)?)$"));
        const QRegularExpressionMatch match = money.match(value.toString().trimmed());
        if (match.hasMatch())
            return Variant::decimal(match.captured(1) + match.captured(2).remove(QLatin1Char(',')));
    }
    return Backend::fromDriver(value, column);
}

QString PostgresBackend::selectExpression(const ColumnSchema &column, const QString &name) const
{
    // The driver makes QTime of a time (dropping microseconds), nothing of
    // a timetz, and raw bytes of a bytea; the server's text is exact. money
    // as a number needs no locale to be read.
    // A bytea's digits are its value's text on every engine, read as such
    // whatever bytea_output the session behind a pooler has.
    if (isBinaryType(column.type))
        return QStringLiteral("encode(%1, 'hex')").arg(name);
    if (column.valueKind == ValueKind::Other)
        return name + QStringLiteral("::text");
    // The driver turns a timestamptz into the program's local time, which
    // is not the session's time zone (the server's TimeZone) in which the
    // texts we write are read: a value written back unchanged would move.
    // As a timestamp it is the session's wall clock, which the driver
    // keeps as it is (for a timestamp, the cast changes nothing).
    if (column.valueKind == ValueKind::DateTime)
        return name + QStringLiteral("::timestamp");
    if (column.type == AdoType::Currency)
        return name + QStringLiteral("::numeric");
    return name;
}

void PostgresBackend::checkValue(const ColumnSchema &column, const QVariant &driverValue)
{
    if (column.checkedType.isEmpty() || driverValue.isNull())
        return;
    // Asked in a savepoint when a transaction is open, so that a refusal
    // does not end it.
    const bool inside = inTransaction();
    QSqlQuery query = newQuery();
    if (inside)
        exec(query, QStringLiteral("SAVEPOINT qrt_check"));
    prepare(query, QStringLiteral("SELECT CAST(? AS %1)").arg(column.checkedType));
    query.addBindValue(driverValue.toString());
    const bool accepted = runPrepared(query);
    const QSqlError error = query.lastError();
    QString schema;
    EngineRefusal refusal = accepted ? EngineRefusal() : reportedRefusal(error, query, &schema);
    query.finish();
    if (inside) {
        QSqlQuery end = newQuery();
        exec(end, accepted ? QStringLiteral("RELEASE SAVEPOINT qrt_check")
                           : QStringLiteral("ROLLBACK TO SAVEPOINT qrt_check"));
    }
    if (accepted)
        return;
    if (connectionBroken(error))
        raiseLost(engineText(error));
    if (!refusal.isEmpty()) {
        // The value is the column's, whatever type the server names (the
        // domain, or the type underneath it).
        refusal.columns = QStringList(column.name);
        refusal.typeName = column.checkedType;
        if (refusal.rule == EngineRefusal::Rule::InvalidText &&
            !column.checkedType.endsWith(QLatin1String("[]")))
            refusal.allowedValues = enumLabels(column.checkedType);
    }
    // With its refusal the error names the column already; the description
    // is the server's words.
    throw ComError(DB_E_CANTCONVERTVALUE,
                   refusal.isEmpty()
                       ? QStringLiteral("Der Wert \"%1\" passt nicht zum Datentyp %2 der Spalte "
                                        "%3.\n")
                                 .arg(driverValue.toString(), column.checkedType, column.name) +
                             engineText(error)
                       : engineText(error))
        .withRefusal(std::move(refusal));
}

void PostgresBackend::adaptComparison(const QString &table, const ColumnSchema &column,
                                      QString *columnSql, QString *operand)
{
    Q_UNUSED(table);
    Q_UNUSED(columnSql);
    // money has no comparison with a number, but a number converts to money.
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (column.type == AdoType::Currency && number.match(*operand).hasMatch())
        *operand = QLatin1Char('(') + *operand + QStringLiteral(")::money");
}
