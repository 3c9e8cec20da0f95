#include "filter/CFilterMgr.h"

#include "data/DateText.h"
#include "data/component/Recordset.h"
#include "data/component/SqlDialect.h"
#include "filter/CFilterDlg.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"

#include <cstdio>

namespace {

const QString kDroppedColumnMessage = QStringLiteral(
    "Der Filter bezieht sich auf Spalten, die nicht mehr in der Datenbank vorkommen. Diese "
    "Kriterien werden nicht berückichtigt!");

// A name inside a text literal.
QString quoted(QString text)
{
    return text.replace(QLatin1Char('\''), QStringLiteral("''"));
}

bool isNumberInput(const QString &text)
{
    // Only the characters are checked: a sign or a comma in the wrong place
    // gives SQL that the database refuses, and TestCondition reports that.
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('-') &&
            c != QLatin1Char(','))
            return false;
    }
    return true;
}

// A value of the distinct-value list as the user would type it.
QString valueText(const Variant &value)
{
    switch (value.type()) {
    case Variant::Type::I2:
    case Variant::Type::I4:
        return QString::number(value.toInt32());
    case Variant::Type::R4:
    case Variant::Type::R8:
        return QString::asprintf("%f", value.toDouble())
            .replace(QLatin1Char('.'), QLatin1Char(','));
    case Variant::Type::Date:
        return DateText::FormatDate(value);
    case Variant::Type::Text:
        return value.toString();
    case Variant::Type::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Variant::Type::Empty:
    case Variant::Type::Null:
    case Variant::Type::Int:
    case Variant::Type::Decimal:
        break;
    }
    return QString();
}

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
    if (condition == FilterCondition::NoValue || position < 0 || position >= m_columns.size())
        return QString();
    switch (CategoryAt(position)) {
    case TypeCategory::Fractional:
        // Users type a decimal comma; SQL wants a point.
        return forSql ? QString(value).replace(QLatin1Char(','), QLatin1Char('.')) : value;
    case TypeCategory::Text: {
        if (forSql) {
            return condition == FilterCondition::Contains
                       ? QStringLiteral("'%") + value + QStringLiteral("%'")
                       : QLatin1Char('\'') + value + QLatin1Char('\'');
        }
        // A stored '%Meier%' reads as 'Meier': the wildcards are ours, not the user's.
        QString shown =
            QLatin1Char('\'') + QString(value).remove(QLatin1Char('\'')) + QLatin1Char('\'');
        return shown.remove(QLatin1Char('%'));
    }
    case TypeCategory::Date:
        return forSql ? dialect().dateLiteral(date) : DateText::FormatDate(Variant::fromDate(date));
    case TypeCategory::Unknown:
    case TypeCategory::WholeNumber:
    case TypeCategory::YesNo:
        break;
    }
    return value;
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

QString CFilterMgr::CheckCriterion(qint32 position, qint32 condition,
                                   const QString &valueText) const
{
    const TypeCategory category = CategoryAt(position);
    // A date criterion takes its value from the date picker, which always has one.
    if (condition != FilterCondition::NoValue && category != TypeCategory::Date &&
        valueText.isEmpty())
        return QStringLiteral("Bitte ein Filterkriterium eingeben!");
    if ((category == TypeCategory::WholeNumber || category == TypeCategory::Fractional) &&
        !isNumberInput(valueText))
        return QStringLiteral("Die gewählte Spalte ist numerisch. Bitte geben Sie eine Zahl als "
                              "Filterkriterium ein!");
    // The value goes into the condition as it is; a quote would end the literal.
    if (category == TypeCategory::Text && valueText.contains(QLatin1Char('\'')))
        return QStringLiteral("Bitte keine einfachen Anführungszeichen im Filtertext verwenden!");
    return QString();
}

CFilterMgr::AddResult CFilterMgr::AddCriterion(qint32 position, qint32 condition,
                                               const QString &valueText, const QDate &date,
                                               QString *line)
{
    if (position < 0 || position >= m_columns.size())
        return AddResult::NoColumn;
    const QString refusal = CheckCriterion(position, condition, valueText);
    if (!refusal.isEmpty()) {
        qrt::inform(refusal);
        return AddResult::Refused;
    }
    const QString column = m_columns.at(position).name;
    m_criteria.append(FilterCriterion{column, condition,
                                      FormatValue(position, condition, valueText, date, true)});
    // The line shows what the user typed (12,5), not the operand (12.5).
    if (line)
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
    // An operand that is no date of ours (edited in the table by hand) is
    // shown as stored rather than as an empty value.
    if (CategoryAt(position) == TypeCategory::Date &&
        criterion.condition != FilterCondition::NoValue && !date.isValid())
        shown = criterion.value;
    return criterion.column + QLatin1Char(' ') + FilterCondition::listText(criterion.condition) +
           QLatin1Char(' ') + shown;
}

QStringList CFilterMgr::ListCriteria()
{
    QStringList lines;
    for (qsizetype i = 0; i < m_criteria.size();) {
        if (FindColumn(m_criteria.at(i).column) < 0) {
            qrt::inform(kDroppedColumnMessage);
            m_criteria.removeAt(i);
            continue;
        }
        lines << CriterionLine(m_criteria.at(i));
        ++i;
    }
    return lines;
}

QString CFilterMgr::GetCondition() const
{
    const SqlDialect &sql = dialect();
    QString condition;
    for (const FilterCriterion &criterion : m_criteria) {
        condition += QStringLiteral(" AND ") + criterion.column;
        switch (criterion.condition) {
        case FilterCondition::Equal:
            condition += QLatin1Char('=') + criterion.value;
            break;
        case FilterCondition::NotEqual:
            condition += QStringLiteral("<>") + criterion.value;
            break;
        case FilterCondition::Contains:
            condition += QLatin1String(sql.containsOp) + criterion.value;
            break;
        case FilterCondition::Greater:
            condition += QLatin1Char('>') + criterion.value;
            break;
        case FilterCondition::Less:
            condition += QLatin1Char('<') + criterion.value;
            break;
        case FilterCondition::NoValue:
            condition += QLatin1String(sql.isNullTest);
            break;
        default:
            break; // a code of no condition contributes its column only
        }
    }
    // Drop the first " AND" but keep its blank: hosts know the leading blank.
    return condition.mid(4);
}

QString CFilterMgr::GetSelectStatement() const
{
    return QStringLiteral("SELECT * FROM ") + m_tableName + QStringLiteral(" WHERE ") +
           GetCondition();
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
    } catch (const ComError &) {
        // Some statements only run as a plain query; try that before refusing.
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
    } catch (const ComError &) {
        return connection.Execute(sql, nullptr, 0);
    }
}

void CFilterMgr::CreateFilterTables()
{
    // The catalog answers "no such table" with an error; that is the cue to
    // create it. Any other failure shows up again in the CREATE statement.
    QVector<ColumnInfo> scratch;
    try {
        m_tabInfo.GetSpaltenInfos(m_strFilterTable, scratch, false);
    } catch (const ComError &) {
        execute(QStringLiteral("CREATE TABLE ") + m_strFilterTable +
                QStringLiteral("(QRTFILTER_ID INT NOT NULL,BEZEICHNUNG VARCHAR(255) NOT NULL, "
                               "CONSTRAINT PK_QRTFILTER PRIMARY KEY (QRTFILTER_ID))"));
    }
    try {
        m_tabInfo.GetSpaltenInfos(m_strItemTable, scratch, false);
    } catch (const ComError &) {
        execute(QStringLiteral("CREATE TABLE ") + m_strItemTable +
                QStringLiteral("(QRTFILTERITEM_ID  INT NOT NULL,QRTFILTER_ID INT NOT NULL,SPALTE "
                               "VARCHAR(255) NOT NULL,BED SMALLINT NOT NULL,WERT VARCHAR(255) NOT "
                               "NULL,CONSTRAINT PK_QRTFILTERITEM PRIMARY KEY (QRTFILTERITEM_ID))"));
        addForeignKey();
    }
}

void CFilterMgr::addForeignKey()
{
    try {
        execute(QStringLiteral("ALTER TABLE ") + m_strItemTable +
                QStringLiteral(" ADD CONSTRAINT FK_QRTFILTER FOREIGN KEY (QRTFILTER_ID) "
                               "REFERENCES ") +
                m_strFilterTable + QStringLiteral(" (QRTFILTER_ID)"));
    } catch (const ComError &error) {
        if (error.code() != DB_E_ERRORSINCOMMAND)
            throw;
        // SQLite cannot add a constraint to an existing table. The table was
        // created empty a moment ago, so it is made again with the key inline.
        execute(QStringLiteral("DROP TABLE ") + m_strItemTable);
        execute(QStringLiteral("CREATE TABLE ") + m_strItemTable +
                QStringLiteral("(QRTFILTERITEM_ID  INT NOT NULL,QRTFILTER_ID INT NOT NULL,SPALTE "
                               "VARCHAR(255) NOT NULL,BED SMALLINT NOT NULL,WERT VARCHAR(255) NOT "
                               "NULL,CONSTRAINT PK_QRTFILTERITEM PRIMARY KEY (QRTFILTERITEM_ID),"
                               "CONSTRAINT FK_QRTFILTER FOREIGN KEY (QRTFILTER_ID) REFERENCES ") +
                m_strFilterTable + QStringLiteral(" (QRTFILTER_ID))"));
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

void CFilterMgr::rollBack() noexcept
{
    // The statement that failed is the error worth reporting; a rollback
    // that fails as well (the connection is gone) has nothing to add.
    try {
        openConnection().RollbackTrans();
    } catch (const ComError &) {
    }
}

bool CFilterMgr::SaveFilter(const QString &name)
{
    Connection &connection = openConnection();
    // Open outside the try, so that they still are when the transaction rolls
    // back: PostgreSQL frees their statements only before that.
    Recordset filters;
    Recordset items;
    connection.BeginTrans();
    try {
        writeFilter(name, filters, items);
        connection.CommitTrans();
    } catch (const ComError &) {
        rollBack();
        throw;
    }
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
    // Transactions nest: the delete and the save join this one, so a save
    // that fails brings the old filter back.
    Connection &connection = openConnection();
    Recordset filters;
    Recordset items;
    connection.BeginTrans();
    try {
        DeleteFilter(key);
        writeFilter(name, filters, items);
        connection.CommitTrans();
    } catch (const ComError &) {
        rollBack();
        throw;
    }
    return true;
}

void CFilterMgr::DeleteFilter(qint32 key)
{
    Connection &connection = openConnection();
    connection.BeginTrans();
    try {
        // The criteria go first, so the foreign key holds at every step.
        connection.Execute(
            QStringLiteral("DELETE FROM %1 WHERE QRTFILTER_ID = %2").arg(m_strItemTable).arg(key),
            nullptr, 0);
        connection.Execute(
            QStringLiteral("DELETE FROM %1 WHERE QRTFILTER_ID = %2").arg(m_strFilterTable).arg(key),
            nullptr, 0);
        connection.CommitTrans();
    } catch (const ComError &) {
        rollBack();
        throw;
    }
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
    Recordset rows =
        openForReading(QStringLiteral("SELECT DISTINCT ") + column + QStringLiteral(" FROM ") +
                       m_tableName + QStringLiteral(" ORDER BY ") + column);
    while (!rows.IsEOF()) {
        const QString text = valueText(rows.Fields().Item(0).Value());
        if (!text.isEmpty())
            values << text;
        rows.MoveNext();
    }
    rows.Close();
}

bool CFilterMgr::ShowDialog(QString &condition, QWidget *parent)
{
    if (!m_configured) {
        qrt::inform(QStringLiteral("Der Filter kann nicht angezeigt werden, weil keine Verbindung "
                                   "zur Tabelle besteht."),
                    parent);
        return false;
    }
    CFilterDlg dialog(this, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    condition = GetCondition();
    return true;
}

bool CFilterMgr::configure(const QString &document)
{
    try {
        return LoadConfig(document);
    } catch (const ComError &error) {
        // The filter tables could not be created: the caller gets false and
        // the user the database's reason, not an exception.
        qrt::inform(error.message());
        return false;
    }
}

bool CFilterMgr::edit(QString &condition, QWidget *parent)
{
    return ShowDialog(condition, parent);
}
