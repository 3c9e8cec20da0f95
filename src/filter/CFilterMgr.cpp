#include "filter/CFilterMgr.h"

#include "data/DateText.h"
#include "data/FieldConversion.h"
#include "data/component/Recordset.h"
#include "data/component/SqlDialect.h"
#include "data/component/TransactionGuard.h"
#include "filter/CFilterDlg.h"
#include "platform/ComError.h"
#include "platform/GermanValues.h"
#include "platform/TextLength.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

const QString kDroppedColumnMessage = QStringLiteral(
    "Der Filter bezieht sich auf Spalten, die nicht mehr in der Datenbank vorkommen. Diese "
    "Kriterien werden nicht berückichtigt!");

// A text inside a text literal.
QString quoted(QString text)
{
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

// Whether a criterion of this condition has an operand.
bool hasOperand(qint32 condition)
{
    return condition != FilterCondition::NoValue && condition != FilterCondition::HasValue;
}

// A number as the form reads it (FieldFormat): "1.234,56", "-1.234", ",5".
// Its reading is digits, a sign and a decimal point alone, so that it is
// one literal of the condition and never an expression ("1-2") or the
// start of a comment ("--").
FieldFormat::Reading numberReading(TypeCategory category, const QString &text)
{
    const FieldFormat format = category == TypeCategory::WholeNumber
                                   ? FieldFormat::wholeNumber(std::numeric_limits<qint64>::min(),
                                                              std::numeric_limits<qint64>::max())
                                   : FieldFormat::decimal(0, -1);
    return format.read(text, QDate::currentDate());
}

// A yes/no value as SQL: one literal. The engines' own words (true, false,
// 1, 0, -1) stay as typed; the German ones become theirs.
QString yesNoOperand(const QString &text)
{
    static const QRegularExpression literal(QStringLiteral("^(true|false|-?1|0)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (literal.match(text).hasMatch())
        return text;
    const QString word = text.trimmed().toLower();
    if (word == QLatin1String("ja"))
        return QStringLiteral("true");
    if (word == QLatin1String("nein"))
        return QStringLiteral("false");
    return QString();
}

constexpr QChar kLikeEscape = QChar(SqlDialect::likeEscape);

// subject LIKE (ILIKE) the pattern literal, with the escape character named
// where the literal uses it (SQLite has none by default).
QString likeTest(const SqlDialect &sql, const QString &subject, const QString &literal)
{
    QString test = subject + QLatin1String(sql.containsOp) + literal;
    if (literal.contains(kLikeEscape))
        test += QStringLiteral(" ESCAPE '") + kLikeEscape + QLatin1Char('\'');
    return test;
}

QString unescapeLike(const QString &pattern)
{
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) == kLikeEscape && i + 1 < pattern.size())
            ++i;
        text += pattern.at(i);
    }
    return text;
}

// What a stored operand must look like for its column, so that a value
// saved by one user (or edited in the table by hand) cannot change the
// structure of another user's condition.
bool isOperandOf(TypeCategory category, qint32 condition, const QString &operand,
                 const SqlDialect &dialect)
{
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+([.,][0-9]+)?$"));
    // A quote inside a text comes doubled (a field's value filtered by).
    static const QRegularExpression text(QStringLiteral("^'([^']|'')*'$"));
    static const QRegularExpression date(
        QStringLiteral("^([#'])[0-9]{1,4}-[0-9]{1,2}-[0-9]{1,2}\\1$"));
    if (!hasOperand(condition))
        return true;
    switch (category) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional:
        return number.match(operand).hasMatch();
    case TypeCategory::Text:
    case TypeCategory::Unknown:
        return text.match(operand).hasMatch();
    case TypeCategory::Date:
        return date.match(operand).hasMatch() && operand.front() == dialect.dateQuote;
    case TypeCategory::YesNo:
        return !operand.isEmpty() && yesNoOperand(operand) == operand;
    }
    return false;
}

// A value of the distinct-value list as the user would type it into a
// criterion on a column of that category.
QString valueText(TypeCategory category, const Variant &value)
{
    // What the form shows of a type it does not know is its text.
    if (category == TypeCategory::Unknown)
        return value.toString();
    switch (value.type()) {
    case Variant::Type::I2:
    case Variant::Type::I4:
    case Variant::Type::Int:
    case Variant::Type::I8:
        return QString::number(value.toInt64());
    case Variant::Type::R4:
    case Variant::Type::R8:
        // NaN and the infinities are no number anyone types. The shortest
        // digits that read back as the same number: a filter for it finds it.
        if (!std::isfinite(value.toDouble()))
            break;
        return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest)
            .replace(QLatin1Char('.'), QLatin1Char(','));
    case Variant::Type::Decimal:
        // All its digits, with the decimal comma users type.
        return value.decimalText().replace(QLatin1Char('.'), QLatin1Char(','));
    case Variant::Type::Date:
        return DateText::FormatDate(value);
    case Variant::Type::Text:
        // A number the driver handed over as text (PostgreSQL's numeric).
        if (category == TypeCategory::Fractional) {
            const Variant number = Variant::decimal(value.toString());
            return number.isEmpty() ? QString() : valueText(category, number);
        }
        return value.toString();
    case Variant::Type::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Variant::Type::Empty:
    case Variant::Type::Null:
        break;
    }
    return QString();
}

const QString kInvalidOperandMessage =
    QStringLiteral("Das gespeicherte Filterkriterium für die Spalte %1 enthält keinen gültigen "
                   "Wert (%2). Es wird nicht berücksichtigt.");

} // namespace

CFilterMgr::CFilterMgr()
    : m_strFilterTable(QStringLiteral("QRTFILTER")), m_strItemTable(QStringLiteral("QRTFILTERITEM"))
{}

CFilterMgr::~CFilterMgr() = default;

bool CFilterMgr::LoadConfig(const QString &document)
{
    m_criteria.clear();
    m_configured = false;
    if (!CBaseMgr::LoadConfig(document))
        return false;
    ReadSuppressColumns(document);
    if (!GetSpaltenInfos(m_tableName, true))
        return false;
    CreateFilterTables();
    m_configured = true;
    return true;
}

const SqlDialect &CFilterMgr::dialect() const
{
    return dialectFor(databaseKindFromNumber(m_dbType));
}

// --- criteria -------------------------------------------------------------------

qint32 CFilterMgr::FindColumn(const QString &column) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).name == column)
            return qint32(i);
    }
    return -1;
}

TypeCategory CFilterMgr::CategoryAt(qint32 position) const
{
    if (position < 0 || position >= m_columns.size())
        return TypeCategory::Unknown;
    return m_columns.at(position).category;
}

QVector<qint32> CFilterMgr::ConditionsFor(qint32 position) const
{
    if (position < 0 || position >= m_columns.size())
        return {};
    return FilterCondition::offeredFor(CategoryAt(position));
}

QString CFilterMgr::FormatValue(qint32 position, qint32 condition, const QString &value,
                                const QDate &date, bool forSql) const
{
    if (!hasOperand(condition) || position < 0 || position >= m_columns.size())
        return QString();
    switch (CategoryAt(position)) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional: {
        // Users type a decimal comma and perhaps thousands points; SQL
        // wants a point alone, and the line shows the field's normal form.
        const FieldFormat::Reading typed = numberReading(CategoryAt(position), value);
        if (!typed.ok)
            return value;
        return forSql ? typed.value : typed.shown;
    }
    case TypeCategory::Text: {
        if (forSql) {
            // "enthält" finds what the user typed, wildcards included.
            return condition == FilterCondition::Contains
                       ? QStringLiteral("'%") + dialect().escapeLike(value) + QStringLiteral("%'")
                       : QLatin1Char('\'') + quoted(value) + QLatin1Char('\'');
        }
        return QLatin1Char('\'') + shownText(value, condition) + QLatin1Char('\'');
    }
    case TypeCategory::Date:
        return forSql ? dialect().dateLiteral(date) : DateText::FormatDate(Variant::fromDate(date));
    case TypeCategory::YesNo:
        return forSql ? yesNoOperand(value) : value;
    case TypeCategory::Unknown:
        // A value of a type the form does not know is compared as a text
        // literal: the engine converts it, and nothing of it is SQL.
        return forSql ? QLatin1Char('\'') + quoted(value) + QLatin1Char('\'') : value;
    }
    return value;
}

QString CFilterMgr::shownText(const QString &value, qint32 condition)
{
    if (condition == FilterCondition::Contains) {
        // "enthält" searches for exactly what the user typed, wildcards
        // included: a stored '%Mei\%er%' reads as Mei%er again.
        if (value.size() >= 4 && value.startsWith(QStringLiteral("'%")) &&
            value.endsWith(QStringLiteral("%'")))
            return unescapeLike(value.mid(2, value.size() - 4));
        return value;
    }
    // Elsewhere quotes and percent signs are not shown: a stored 'Meier'
    // reads as Meier; a quote of the text itself, stored doubled
    // ('O''Brien'), as one.
    QString text = value;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\'')))
        text = text.mid(1, text.size() - 2).replace(QStringLiteral("''"), QStringLiteral("\x01"));
    return text.remove(QLatin1Char('\''))
        .remove(QLatin1Char('%'))
        .replace(QChar(1), QLatin1Char('\''));
}

QDate CFilterMgr::ParseSqlDate(const QString &value) const
{
    // Read as the C library reads "'%d-%d-%d'": the quote must match, a
    // field that cannot be read stays 0 and makes the date invalid.
    const char quote = char(dialect().dateQuote.toLatin1());
    const QByteArray format = quote + QByteArray("%d-%d-%d") + quote;
    int year = 0;
    int month = 0;
    int day = 0;
    std::sscanf(value.toUtf8().constData(), format.constData(), &year, &month, &day);
    if (!DateText::IsValidDate(year, month, day))
        return QDate();
    return QDate(year, month, day);
}

QString CFilterMgr::CheckCriterion(qint32 position, qint32 condition, const QString &valueText,
                                   Origin origin) const
{
    if (!hasOperand(condition))
        return QString(); // no value goes into the condition
    const TypeCategory category = CategoryAt(position);
    // A date criterion takes its value from the date picker, which always has one.
    if (category != TypeCategory::Date && valueText.isEmpty())
        return QStringLiteral("Bitte ein Filterkriterium eingeben!");
    // A field's value may be as long as the store's column takes, its
    // quotes included.
    const int maxLength = origin == Origin::Typed ? MaxValueLength : MaxStoredLength - 2;
    if (category != TypeCategory::Date && TextLength::characters(valueText) > maxLength)
        return QStringLiteral("Der Filtertext darf höchstens %1 Zeichen lang sein.").arg(maxLength);
    // Every accepted value becomes exactly one literal of the condition.
    // A text of blanks reads as no number at all, and is none either.
    if ((category == TypeCategory::WholeNumber || category == TypeCategory::Fractional) &&
        numberReading(category, valueText).value.isEmpty())
        return QStringLiteral("Die gewählte Spalte ist numerisch. Bitte geben Sie eine Zahl als "
                              "Filterkriterium ein!");
    // The condition travels inside the form's configuration document.
    if (!CXmlHelper::canCarry(valueText))
        return QStringLiteral("Bitte keine Steuerzeichen im Filtertext verwenden!");
    // A field's value goes into its literal with its quotes doubled; a
    // typed one keeps the rule users know from the dialog.
    if ((category == TypeCategory::Text || category == TypeCategory::Unknown) &&
        origin == Origin::Typed && valueText.contains(QLatin1Char('\'')))
        return QStringLiteral("Bitte keine einfachen Anführungszeichen im Filtertext verwenden!");
    if (category == TypeCategory::YesNo && yesNoOperand(valueText).isEmpty())
        return QStringLiteral("Die gewählte Spalte ist ein Ja/Nein-Feld. Bitte geben Sie ja oder "
                              "nein als Filterkriterium ein!");
    return QString();
}

CFilterMgr::AddResult CFilterMgr::AddCriterion(qint32 position, qint32 condition,
                                               const QString &valueText, const QDate &date,
                                               QString *line, QWidget *owner)
{
    return addChecked(position, condition, valueText, date, Origin::Typed, line, owner);
}

CFilterMgr::AddResult CFilterMgr::AddSelection(const QString &column, const Variant &value,
                                               bool exclude, QString *line, QWidget *owner)
{
    const qint32 position = FindColumn(column);
    if (position < 0) {
        // A column the host keeps out of the filter.
        qrt::inform(QStringLiteral("Nach dem Feld %1 kann nicht gefiltert werden.").arg(column),
                    owner);
        return AddResult::Refused;
    }
    if (value.isEmptyOrNull())
        return addChecked(position, exclude ? FilterCondition::HasValue : FilterCondition::NoValue,
                          QString(), QDate(), Origin::Field, line, owner);
    const TypeCategory category = CategoryAt(position);
    QString text = valueText(category, value);
    if (category == TypeCategory::YesNo && yesNoOperand(text).isEmpty())
        text = value.toBool() ? QStringLiteral("ja") : QStringLiteral("nein");
    // A date criterion compares whole days: a moment with a time of day
    // would find nothing, not even this record.
    const QDateTime moment = value.toDateTime();
    if (text.isEmpty() ||
        (category == TypeCategory::Date && moment.isValid() && moment.time() != QTime(0, 0))) {
        qrt::inform(QStringLiteral("Nach dem Wert im Feld %1 kann nicht nach Auswahl gefiltert "
                                   "werden. Bitte verwenden Sie dafür „Datensätze filtern“.")
                        .arg(column),
                    owner);
        return AddResult::Refused;
    }
    return addChecked(position, exclude ? FilterCondition::Except : FilterCondition::Equal, text,
                      moment.date(), Origin::Field, line, owner);
}

CFilterMgr::AddResult CFilterMgr::addChecked(qint32 position, qint32 condition,
                                             const QString &valueText, const QDate &date,
                                             Origin origin, QString *line, QWidget *owner)
{
    if (position < 0 || position >= m_columns.size())
        return AddResult::NoColumn;
    const QString refusal = CheckCriterion(position, condition, valueText, origin);
    if (!refusal.isEmpty()) {
        qrt::warn(refusal, owner);
        return AddResult::Refused;
    }
    const QString column = m_columns.at(position).name;
    const FilterCriterion criterion{column, condition,
                                    FormatValue(position, condition, valueText, date, true)};
    // A type the form does not know (uuid, enum, interval, json, arrays ...)
    // is compared as text the engine converts; whether it can, and whether
    // the type has such a comparison at all, only the engine knows.
    if (CategoryAt(position) == TypeCategory::Unknown && hasOperand(condition) &&
        !acceptsCriterion(criterion)) {
        qrt::inform(QStringLiteral("Nach der Spalte %1 kann so nicht gefiltert werden: die "
                                   "Datenbank kann ihre Werte nicht mit %2 vergleichen.")
                        .arg(column, criterion.value));
        return AddResult::Refused;
    }
    m_criteria.append(criterion);
    // The line shows what the user typed (12,5), not the operand (12.5); a
    // field's value as it will be listed again.
    if (line && origin == Origin::Field)
        *line = CriterionLine(criterion);
    else if (line)
        *line = column + QLatin1Char(' ') + FilterCondition::listText(condition) +
                QLatin1Char(' ') + FormatValue(position, condition, valueText, date, false);
    return AddResult::Added;
}

void CFilterMgr::RemoveCriterion(qsizetype index)
{
    if (index >= 0 && index < m_criteria.size())
        m_criteria.removeAt(index);
}

void CFilterMgr::ResetCriteria()
{
    m_criteria.clear();
}

QString CFilterMgr::CriterionLine(const FilterCriterion &criterion) const
{
    const qint32 position = FindColumn(criterion.column);
    const QDate date = ParseSqlDate(criterion.value);
    QString shown = FormatValue(position, criterion.condition, criterion.value, date, false);
    if (CategoryAt(position) == TypeCategory::Text && hasOperand(criterion.condition))
        shown =
            QLatin1Char('\'') + shownText(criterion.value, criterion.condition) + QLatin1Char('\'');
    // A number operand ("12.5") reads as the form shows numbers ("12,5").
    if ((CategoryAt(position) == TypeCategory::WholeNumber ||
         CategoryAt(position) == TypeCategory::Fractional) &&
        hasOperand(criterion.condition)) {
        const FieldFormat::Reading operand = FieldFormat::decimal(0, -1).readValue(criterion.value);
        if (operand.ok)
            shown =
                CategoryAt(position) == TypeCategory::WholeNumber ? operand.value : operand.shown;
    }
    // An operand that is no date of ours (edited in the table by hand) is
    // shown as stored rather than as an empty value.
    if (CategoryAt(position) == TypeCategory::Date && hasOperand(criterion.condition) &&
        !date.isValid())
        shown = criterion.value;
    return criterion.column + QLatin1Char(' ') + FilterCondition::listText(criterion.condition) +
           QLatin1Char(' ') + shown;
}

QStringList CFilterMgr::ListCriteria(QWidget *owner)
{
    QStringList lines;
    for (qsizetype i = 0; i < m_criteria.size();) {
        const FilterCriterion &criterion = m_criteria.at(i);
        const qint32 position = FindColumn(criterion.column);
        if (position < 0) {
            qrt::warn(kDroppedColumnMessage, owner);
            m_criteria.removeAt(i);
            continue;
        }
        if (!isOperandOf(CategoryAt(position), criterion.condition, criterion.value, dialect())) {
            qrt::warn(kInvalidOperandMessage.arg(criterion.column, criterion.value), owner);
            m_criteria.removeAt(i);
            continue;
        }
        lines << CriterionLine(m_criteria.at(i));
        ++i;
    }
    return lines;
}

bool CFilterMgr::acceptsCriterion(const FilterCriterion &criterion)
{
    const QVector<FilterCriterion> all = m_criteria;
    m_criteria = {criterion};
    const QString condition = GetCondition();
    m_criteria = all;
    return runsCondition(condition);
}

QString CFilterMgr::GetCondition() const
{
    QString condition;
    return BuildCondition(&condition, nullptr) ? condition : QStringLiteral(" 1=0");
}

bool CFilterMgr::BuildCondition(QString *result, QString *why) const
{
    const SqlDialect &sql = dialect();
    QString condition;
    for (const FilterCriterion &criterion : m_criteria) {
        // Only what the column list and the operand rules vouch for goes in.
        const qint32 position = FindColumn(criterion.column);
        if (position < 0) {
            if (why)
                *why = QStringLiteral("Der Filter kann nicht angewendet werden, weil die Spalte "
                                      "%1 nicht in der Tabelle gefunden wird. Ohne dieses "
                                      "Kriterium würden mehr Datensätze angezeigt als gewünscht.")
                           .arg(criterion.column);
            return false;
        }
        if (!isOperandOf(CategoryAt(position), criterion.condition, criterion.value, sql)) {
            if (why)
                *why = QStringLiteral("Der Filter kann nicht angewendet werden, weil sein "
                                      "Kriterium für die Spalte %1 keinen gültigen Wert enthält "
                                      "(%2).")
                           .arg(criterion.column, criterion.value);
            return false;
        }
        const QString name = sqlName(criterion.column);
        QString column = name;
        QString operand = criterion.value;
        if (criterion.condition != FilterCondition::Contains && hasOperand(criterion.condition))
            adaptComparison(criterion.column, &column, &operand);
        // An empty field differs from every value: <> alone would hide it.
        if (criterion.condition == FilterCondition::Except) {
            condition += QStringLiteral(" AND (") + column + QStringLiteral("<>") + operand +
                         QStringLiteral(" OR ") + name + QLatin1String(sql.isNullTest) +
                         QLatin1Char(')');
            continue;
        }
        condition += QStringLiteral(" AND ") + column;
        switch (criterion.condition) {
        case FilterCondition::Equal:
            condition += QLatin1Char('=') + operand;
            break;
        case FilterCondition::NotEqual:
            condition += QStringLiteral("<>") + operand;
            break;
        case FilterCondition::Contains:
            condition += likeTest(sql, QString(), criterion.value); // after the column
            break;
        case FilterCondition::Greater:
            condition += QLatin1Char('>') + operand;
            break;
        case FilterCondition::Less:
            condition += QLatin1Char('<') + operand;
            break;
        case FilterCondition::NoValue:
            condition += QLatin1String(sql.isNullTest);
            break;
        case FilterCondition::HasValue:
            condition += QStringLiteral(" IS NOT NULL");
            break;
        default:
            break; // a code of no condition contributes its column only
        }
    }
    // Drop the first " AND" but keep its blank: hosts know the leading blank.
    *result = condition.mid(4);
    return true;
}

QString CFilterMgr::sqlName(const QString &column) const
{
    return m_connection ? m_connection->sqlName(column) : column;
}

void CFilterMgr::adaptComparison(const QString &column, QString *columnSql, QString *operand) const
{
    if (!m_connection || m_connection->State() != adStateOpen)
        return;
    try {
        m_connection->adaptComparison(m_tableName, column, columnSql, operand);
    } catch (const ComError &) {
        // The column as the catalog cannot tell: compared as written, and
        // the engine says what it thinks of that when the filter runs.
    }
}

bool CFilterMgr::runsCondition(const QString &condition)
{
    if (!m_connection)
        return true; // nothing to ask; TestCondition tells later
    QString table = m_tableName;
    try {
        table = m_connection->sqlTableName(m_tableName);
        Recordset rows;
        rows.Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE") + condition,
                  *m_connection, adOpenDynamic, adLockOptimistic, -1);
        rows.Close();
        return true;
    } catch (const ComError &) {
        return false;
    }
}

QString CFilterMgr::GetSelectStatement() const
{
    QString table = m_tableName;
    if (m_connection && m_connection->State() == adStateOpen) {
        try {
            table = m_connection->sqlTableName(m_tableName);
        } catch (const ComError &) {
            // Not in the catalog: the statement says so when it runs.
        }
    }
    return QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + GetCondition();
}

bool CFilterMgr::TestCondition()
{
    if (!m_connection)
        return false;
    const QString sql = GetSelectStatement();
    try {
        Recordset rows;
        rows.Open(sql, *m_connection, adOpenDynamic, adLockOptimistic, -1);
        rows.Close();
        return true;
    } catch (const ComError &error) {
        // A refused text is never tried another way, and a lost connection
        // is not the condition's fault.
        if (!mayRetryAsQuery(error))
            return false;
    }
    try {
        Recordset rows = m_connection->Execute(sql, nullptr, 0);
        if (rows.IsOpen()) {
            rows.Close();
            return true;
        }
    } catch (const ComError &) {
    }
    return false;
}

bool CFilterMgr::mayRetryAsQuery(const ComError &error)
{
    return error.code() != DB_SEC_E_PERMISSIONDENIED && error.code() != E_CONNECTION_ABORTED;
}

// --- saved filters -----------------------------------------------------------------

Connection &CFilterMgr::openConnection() const
{
    if (!m_connection)
        throw ComError(E_POINTER);
    return *m_connection;
}

void CFilterMgr::execute(const QString &sql)
{
    openConnection().Execute(sql, nullptr, 0);
}

Recordset CFilterMgr::openForReading(const QString &sql)
{
    Connection &connection = openConnection();
    try {
        Recordset rows;
        rows.Open(sql, connection, adOpenDynamic, adLockOptimistic, -1);
        return rows;
    } catch (const ComError &error) {
        if (!mayRetryAsQuery(error))
            throw;
        return connection.Execute(sql, nullptr, 0);
    }
}

namespace {

const char *const kFilterTableColumns =
    "(QRTFILTER_ID INT NOT NULL,BEZEICHNUNG VARCHAR(255) NOT NULL, CONSTRAINT PK_QRTFILTER "
    "PRIMARY KEY (QRTFILTER_ID))";
const char *const kItemTableColumns =
    "(QRTFILTERITEM_ID  INT NOT NULL,QRTFILTER_ID INT NOT NULL,SPALTE VARCHAR(255) NOT NULL,BED "
    "SMALLINT NOT NULL,WERT VARCHAR(255) NOT NULL,CONSTRAINT PK_QRTFILTERITEM PRIMARY KEY "
    "(QRTFILTERITEM_ID)";

} // namespace

void CFilterMgr::CreateFilterTables()
{
    CreateLibraryTables({m_strFilterTable, m_strItemTable},
                        [this](Connection &connection, const QStringList &missing) {
                            createMissingFilterTables(connection, missing);
                        });
}

void CFilterMgr::createMissingFilterTables(Connection &connection, const QStringList &missing)
{
    const QString create = connection.canCreateIfNotExists()
                               ? QStringLiteral("CREATE TABLE IF NOT EXISTS ")
                               : QStringLiteral("CREATE TABLE ");
    if (missing.contains(m_strFilterTable))
        execute(create + m_strFilterTable + QLatin1String(kFilterTableColumns));
    if (!missing.contains(m_strItemTable))
        return;
    const QString foreignKey = QStringLiteral("CONSTRAINT FK_QRTFILTER FOREIGN KEY (QRTFILTER_ID) "
                                              "REFERENCES ") +
                               m_strFilterTable + QStringLiteral(" (QRTFILTER_ID)");
    if (connection.canAddConstraint()) {
        execute(create + m_strItemTable + QLatin1String(kItemTableColumns) + QLatin1Char(')'));
        execute(QStringLiteral("ALTER TABLE ") + m_strItemTable + QStringLiteral(" ADD ") +
                foreignKey);
    } else {
        // SQLite cannot add a constraint to a table; it is declared with it.
        execute(create + m_strItemTable + QLatin1String(kItemTableColumns) + QLatin1Char(',') +
                foreignKey + QLatin1Char(')'));
    }
}

qint32 CFilterMgr::FindFilterId(const QString &name)
{
    Recordset rows = openConnection().Execute(
        QStringLiteral("SELECT QRTFILTER_ID FROM ") + m_strFilterTable +
            QStringLiteral(" WHERE BEZEICHNUNG = '") + quoted(name) + QLatin1Char('\''),
        nullptr, 0);
    if (rows.IsEOF())
        return -1;
    const Variant key = rows.Fields().Item(0).Value();
    return key.isEmptyOrNull() ? -1 : key.toInt32();
}

QString CFilterMgr::checkSaving(const QString &name) const
{
    // Counted as the engine counts: PostgreSQL refuses a longer text, SQLite
    // would keep it, and a filter saved on one must load on the other.
    if (TextLength::characters(name) > MaxStoredLength)
        return QStringLiteral("Der Name des Filters darf höchstens %1 Zeichen lang sein.")
            .arg(MaxStoredLength);
    for (const FilterCriterion &criterion : m_criteria) {
        if (TextLength::characters(criterion.column) > MaxStoredLength ||
            TextLength::characters(criterion.value) > MaxStoredLength)
            return QStringLiteral("Das Filterkriterium für die Spalte %1 kann nicht gespeichert "
                                  "werden: Spalte und Wert dürfen höchstens %2 Zeichen lang sein.")
                .arg(criterion.column)
                .arg(MaxStoredLength);
    }
    return QString();
}

bool CFilterMgr::SaveFilter(const QString &name)
{
    const QString refusal = checkSaving(name);
    if (!refusal.isEmpty())
        throw ComError(E_INVALIDARG, refusal);
    Connection &connection = openConnection();
    // Declared before the transaction, so that they still are when it rolls
    // back: PostgreSQL frees their statements only before that.
    Recordset filters;
    Recordset items;
    TransactionGuard transaction(connection);
    writeFilter(name, filters, items);
    transaction.commit();
    return true;
}

void CFilterMgr::writeFilter(const QString &name, Recordset &filters, Recordset &items)
{
    Connection &connection = openConnection();
    // Keys are computed inside the open transaction, so the criteria rows
    // of one filter get ascending keys in criteria order.
    filters.Open(m_strFilterTable, connection, adOpenDynamic, adLockOptimistic, -1);
    filters.AddNew();
    const qint32 key = GetNextKey(QStringLiteral("QRTFILTER_ID"), m_strFilterTable);
    filters.Fields().Item(QStringLiteral("QRTFILTER_ID")).PutValue(Variant(key));
    // Written as a value, so a name such as O'Brien needs no quoting.
    filters.Fields().Item(QStringLiteral("BEZEICHNUNG")).PutValue(Variant(name));
    filters.Update();
    filters.Close();

    items.Open(m_strItemTable, connection, adOpenDynamic, adLockOptimistic, -1);
    for (const FilterCriterion &criterion : std::as_const(m_criteria)) {
        items.AddNew();
        FieldList &fields = items.Fields();
        fields.Item(QStringLiteral("QRTFILTERITEM_ID"))
            .PutValue(Variant(GetNextKey(QStringLiteral("QRTFILTERITEM_ID"), m_strItemTable)));
        fields.Item(QStringLiteral("QRTFILTER_ID")).PutValue(Variant(key));
        fields.Item(QStringLiteral("SPALTE")).PutValue(Variant(criterion.column));
        fields.Item(QStringLiteral("BED")).PutValue(Variant(criterion.condition));
        // WERT is NOT NULL, and a null text would be written as NULL.
        fields.Item(QStringLiteral("WERT"))
            .PutValue(Variant(criterion.value.isNull() ? QStringLiteral("") : criterion.value));
        items.Update();
    }
    items.Close();
}

bool CFilterMgr::ReplaceFilter(qint32 key, const QString &name)
{
    const QString refusal = checkSaving(name);
    if (!refusal.isEmpty())
        throw ComError(E_INVALIDARG, refusal);
    // Transactions nest: the delete and the save join this one, so a save
    // that fails brings the old filter back.
    Connection &connection = openConnection();
    Recordset filters;
    Recordset items;
    TransactionGuard transaction(connection);
    DeleteFilter(key);
    writeFilter(name, filters, items);
    transaction.commit();
    return true;
}

void CFilterMgr::DeleteFilter(qint32 key)
{
    Connection &connection = openConnection();
    TransactionGuard transaction(connection);
    // The criteria go first, so the foreign key holds at every step.
    connection.Execute(
        QStringLiteral("DELETE FROM %1 WHERE QRTFILTER_ID = %2").arg(m_strItemTable).arg(key),
        nullptr, 0);
    connection.Execute(
        QStringLiteral("DELETE FROM %1 WHERE QRTFILTER_ID = %2").arg(m_strFilterTable).arg(key),
        nullptr, 0);
    transaction.commit();
}

void CFilterMgr::LoadFilter(const QString &name)
{
    // Read into a new list: a load that fails keeps the criteria the user had.
    QVector<FilterCriterion> loaded;
    Recordset rows = openForReading(
        QStringLiteral("SELECT SPALTE,BED,WERT FROM ") + m_strItemTable +
        QStringLiteral(" WHERE QRTFILTER_ID = (SELECT QRTFILTER_ID FROM QRTFILTER WHERE "
                       "BEZEICHNUNG = '") +
        quoted(name) + QStringLiteral("')"));
    while (!rows.IsEOF()) {
        FieldList &fields = rows.Fields();
        loaded.append(FilterCriterion{fields.Item(QStringLiteral("SPALTE")).Value().toString(),
                                      fields.Item(QStringLiteral("BED")).Value().toInt32(),
                                      fields.Item(QStringLiteral("WERT")).Value().toString()});
        rows.MoveNext();
    }
    rows.Close();
    m_criteria = loaded;
}

void CFilterMgr::GetFilterNames(QStringList &names)
{
    Recordset rows = openForReading(QStringLiteral("SELECT BEZEICHNUNG FROM ") + m_strFilterTable);
    while (!rows.IsEOF()) {
        names << rows.Fields().Item(QStringLiteral("BEZEICHNUNG")).Value().toString();
        rows.MoveNext();
    }
    rows.Close();
}

void CFilterMgr::GetDistinctValues(const QString &column, QStringList &values)
{
    // Names as the engine needs them: a column called user is that column,
    // not the name of the one who asks.
    // Read as the records are read, so that a value offered is the value
    // shown (all of a time's microseconds, for one).
    Connection &connection = openConnection();
    const QString name = connection.sqlValueExpression(m_tableName, column);
    Recordset rows =
        openForReading(QStringLiteral("SELECT DISTINCT ") + name + QStringLiteral(" FROM ") +
                       connection.sqlTableName(m_tableName) + QStringLiteral(" ORDER BY ") + name);
    const qint32 position = FindColumn(column);
    const TypeCategory category = CategoryAt(position);
    while (!rows.IsEOF()) {
        const Variant value = rows.Fields().Item(0).Value();
        QString text = valueText(category, value);
        // Numbers as the form shows them: "12,5", an amount "1234,50".
        if ((category == TypeCategory::WholeNumber || category == TypeCategory::Fractional) &&
            !text.isEmpty()) {
            const ColumnInfo &info = m_columns.at(position);
            bool typeError = false;
            const QString record = FieldConversion::toRecordText(info, value, &typeError);
            if (!typeError)
                text = FieldConversion::formatOf(info).show(record);
        }
        if (!text.isEmpty())
            values << text;
        rows.MoveNext();
    }
    rows.Close();
}

void CFilterMgr::GetPickableValues(qint32 position, int maxLength, QStringList &values)
{
    if (position < 0 || position >= m_columns.size())
        return;
    // The engines' own words for a yes/no value are not the user's.
    if (CategoryAt(position) == TypeCategory::YesNo) {
        values << QStringLiteral("ja") << QStringLiteral("nein");
        return;
    }
    QStringList distinct;
    GetDistinctValues(m_columns.at(position).name, distinct);
    for (const QString &value : std::as_const(distinct)) {
        if (value.size() <= maxLength &&
            CheckCriterion(position, FilterCondition::Equal, value, Origin::Typed).isEmpty())
            values << value;
    }
}

bool CFilterMgr::ShowDialog(QString &condition, QWidget *parent)
{
    if (!m_configured) {
        qrt::inform(QStringLiteral("Der Filter kann nicht angezeigt werden, weil keine Verbindung "
                                   "zur Tabelle besteht."),
                    parent, UserMessages::Severity::Error);
        return false;
    }
    CFilterDlg dialog(this, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The dialog accepts only a condition that can be built.
    return BuildCondition(&condition, nullptr);
}

bool CFilterMgr::configure(const QString &document)
{
    try {
        return LoadConfig(document);
    } catch (const ComError &error) {
        // The filter tables could not be created: the caller gets false and
        // the user the database's reason, not an exception.
        qrt::inform(error.message(), nullptr, UserMessages::Severity::Error);
        return false;
    }
}

void CFilterMgr::shareConnections(const std::shared_ptr<ConnectionShare> &share)
{
    setConnectionShare(share);
}

bool CFilterMgr::edit(QString &condition, QWidget *parent)
{
    return ShowDialog(condition, parent);
}

bool CFilterMgr::addSelection(const QString &column, const Variant &value, bool exclude, bool anew,
                              QString &condition, QWidget *parent)
{
    if (!m_configured)
        return false; // configure has told the user why
    const QVector<FilterCriterion> before = m_criteria;
    if (anew)
        ResetCriteria();
    QString why;
    if (AddSelection(column, value, exclude, nullptr, parent) == AddResult::Added &&
        BuildCondition(&condition, &why))
        return true;
    // Refused: the criteria are as they were, so that the dialog shows the
    // filter in force.
    m_criteria = before;
    if (!why.isEmpty())
        qrt::warn(why, parent);
    return false;
}

QString CFilterMgr::findCondition(const QStringList &columns, const QString &text,
                                  FindMatch match) const
{
    // A text the configuration document cannot carry is no text a field shows.
    if (text.isEmpty() || !CXmlHelper::canCarry(text))
        return QString();
    QStringList parts;
    for (const QString &column : columns) {
        const QString part = showsText(FindColumn(column), text, match);
        if (!part.isEmpty())
            parts << part;
    }
    return parts.isEmpty()
               ? QString()
               : QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QString CFilterMgr::showsText(qint32 position, const QString &text, FindMatch match) const
{
    if (position < 0 || position >= m_columns.size())
        return QString();
    const SqlDialect &sql = dialect();
    const QString column = m_columns.at(position).name;
    const QString name = sqlName(column);
    // The column compared with one operand, as the filter compares it.
    const auto compared = [&](const char *op, QString operand) {
        QString subject = name;
        adaptComparison(column, &subject, &operand);
        return subject + QLatin1String(op) + operand;
    };
    // The column's text against a pattern, as "enthält" matches it; a
    // letter beyond ASCII in the text needs the engine's case folding where
    // its LIKE ignores only ASCII case.
    const bool fold = sql.caseFold && std::any_of(text.cbegin(), text.cend(), [](QChar c) {
                          return c.unicode() >= 0x80 && c.isLetter();
                      });
    const auto like = [&](QString subject, const QString &value) {
        QString pattern = sql.escapeLike(fold ? value.toCaseFolded() : value);
        if (fold)
            subject = QLatin1String(sql.caseFold) + QLatin1Char('(') + subject + QLatin1Char(')');
        if (match != FindMatch::WholeField)
            pattern += QLatin1Char('%');
        if (match == FindMatch::AnyPart)
            pattern.prepend(QLatin1Char('%'));
        return likeTest(sql, subject, QLatin1Char('\'') + quoted(pattern) + QLatin1Char('\''));
    };
    const TypeCategory category = CategoryAt(position);
    switch (category) {
    case TypeCategory::Text:
        return like(name, text);
    case TypeCategory::Unknown:
        return like(QStringLiteral("CAST(") + name + QStringLiteral(" AS TEXT)"), text);
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional: {
        // As the user writes the number (1.234,56); a part of it as digits.
        const FieldFormat::Reading number = numberReading(category, text);
        if (!number.ok || number.value.isEmpty())
            return QString();
        if (match == FindMatch::WholeField)
            return compared("=", number.value);
        return like(QStringLiteral("CAST(") + name + QStringLiteral(" AS TEXT)"), number.value);
    }
    case TypeCategory::Date: {
        // The day the user sees, whatever time of day the value holds.
        const FieldFormat::Reading date = FieldFormat::date().read(text, QDate::currentDate());
        QDate day;
        QTime time;
        if (!date.ok || !GermanValues::recordDateTime(date.value, &day, &time))
            return QString();
        return QLatin1Char('(') + compared(">=", sql.dateLiteral(day)) + QStringLiteral(" AND ") +
               compared("<", sql.dateLiteral(day.addDays(1))) + QLatin1Char(')');
    }
    case TypeCategory::YesNo: {
        const QString operand = yesNoOperand(text);
        return operand.isEmpty() ? QString() : compared("=", operand);
    }
    }
    return QString();
}
