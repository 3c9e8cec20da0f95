#include "data/CAdoDataMgr.h"

#include "data/FieldConversion.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

#include <QDate>
#include <QRegularExpression>

#include <limits>
#include <utility>

namespace {

// reason: the clause that says why, the table's name included (see
// OpenRecords).
QString readOnlyMessage(const QString &table, const QString &reason)
{
    return QStringLiteral("Die Datensätze von %1 können nur angezeigt, aber nicht geändert "
                          "werden: %2. Neue, geänderte und gelöschte Datensätze werden nicht "
                          "gespeichert.")
        .arg(table, reason);
}

} // namespace

CAdoDataMgr::CAdoDataMgr(std::unique_ptr<RecordFilter> filter)
    : m_currentXml(RecordText::noRecord()), m_emptyXml(RecordText::noRecord()),
      m_filter(std::move(filter))
{}

CAdoDataMgr::~CAdoDataMgr() = default;

Recordset &CAdoDataMgr::rs() const
{
    if (!m_recordset)
        throw ComError(E_POINTER, QStringLiteral("Die Datensätze sind nicht geöffnet."));
    return *m_recordset;
}

bool CAdoDataMgr::initialise()
{
    // A manager connects once; later opens (re-filtering) reuse the connection.
    if (connection() && connection()->State() == adStateOpen)
        return true;
    try {
        // The filter reads and writes its own tables on the records' session.
        if (!connectionShare())
            setConnectionShare(std::make_shared<ConnectionShare>());
        if (m_filter)
            m_filter->shareConnections(connectionShare());
        if (!LoadConfig(m_document))
            return false;
        ReadSuppressColumns(m_document);
        // Suppressed columns stay in the list: their auto values are written.
        if (!GetSpaltenInfos(m_tableName, false))
            return false;
        return !m_filter || m_filter->configure(m_document);
    } catch (const ComError &error) {
        qrt::inform(
            error.systemText() + QStringLiteral("\r\n") + error.description() +
            QStringLiteral(
                "\r\nWahrscheinliche Ursache: Ungültiger Connectstring im AdoFormBuilder."));
        return false;
    }
}

void CAdoDataMgr::Open(QString document, bool newRecord)
{
    m_document = document;
    if (!initialise())
        return;
    m_recordset = std::make_unique<Recordset>();
    m_matchingRows = -1;
    ++m_generation;

    CXmlHelper xml;
    (void)xml.loadXml(m_document); // a broken document reads as no filter and no sort
    m_filterText = xml.getItemText(QStringLiteral("FILTER"));
    if (!m_hostFilterKnown) {
        m_hostFilterKnown = true;
        m_hostFilterText = m_filterText;
    }
    QString sort = xml.getItemText(QStringLiteral("SORT"));
    if (!m_userSort.column.isEmpty()) {
        // Null values last both ways: where the user looks first are the
        // records that have a value.
        const QString term = connection()->sqlColumnName(m_tableName, m_userSort.column) +
                             (m_userSort.descending ? QStringLiteral(" DESC NULLS LAST")
                                                    : QStringLiteral(" ASC NULLS LAST"));
        sort = sort.trimmed().isEmpty() ? term : term + QStringLiteral(", ") + sort;
    }
    const QString fixed = fixedCondition();
    const QString filter = fixed.isEmpty() ? m_filterText
                           : m_filterText.trimmed().isEmpty()
                               ? fixed
                               : fixed + QStringLiteral(" AND (") + m_filterText + QLatin1Char(')');
    *m_recordset =
        OpenRecords(*connection(), m_tableName, filter, sort, &m_readOnlyReason, m_openAt);
    if (!m_recordset->IsUpdatable() && !m_readOnlyAnnounced) {
        m_readOnlyAnnounced = true;
        qrt::inform(readOnlyMessage(m_tableName, m_readOnlyReason));
    }
    if (newRecord || m_recordset->IsEOF())
        startNewRow();
    BuildRecordXml();
}

QString CAdoDataMgr::fixedCondition() const
{
    QStringList terms;
    for (const CSuppressColumn &entry : m_suppressColumns) {
        if (!entry.m_bFixed)
            continue;
        const ColumnInfo column = GetColumnInfo(entry.m_strColumn);
        const QString value = entry.m_strValue;
        // A number is written as one only when it is nothing else; any other
        // value is a text literal with its quotes doubled. No value (a form
        // around whose record is new) is held by no record.
        static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
        const bool numeric = column.category == TypeCategory::WholeNumber ||
                             column.category == TypeCategory::Fractional;
        if (value.isEmpty() || (numeric && !number.match(value).hasMatch())) {
            terms << QStringLiteral("1 = 0");
            continue;
        }
        const QString literal =
            numeric ? value
                    : QLatin1Char('\'') +
                          QString(value).replace(QLatin1Char('\''), QStringLiteral("''")) +
                          QLatin1Char('\'');
        terms << connection()->sqlColumnName(m_tableName, entry.m_strColumn) +
                     QStringLiteral(" = ") + literal;
    }
    return terms.join(QStringLiteral(" AND "));
}

Recordset CAdoDataMgr::OpenRecords(Connection &connection, const QString &table,
                                   const QString &filter, const QString &sort,
                                   QString *readOnlyReason, const QVariantList &at)
{
    // The table as the engine needs it written (a table created as "Kunden"
    // on PostgreSQL); one it cannot find is left as given and reported when
    // it is opened.
    QString name = table;
    try {
        name = connection.sqlTableName(table);
    } catch (const ComError &) {
    }
    QString sql = QStringLiteral("SELECT * FROM ") + name;
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + filter;
    if (!sort.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + sort;
    Recordset records;
    try {
        if (at.isEmpty())
            records.Open(sql, connection, adOpenKeyset, adLockOptimistic, -1);
        else
            records.OpenAt(at, sql, connection);
    } catch (const ComError &error) {
        // Whatever cannot be opened for editing is at least shown; but a
        // text refused as more than one statement is never tried again
        // another way, and a lost connection is reported, not worked around.
        if (error.code() == DB_SEC_E_PERMISSIONDENIED || error.code() == E_CONNECTION_ABORTED)
            throw;
        records = connection.Execute(sql);
    }
    if (readOnlyReason) {
        // A table with a key read through the fall-back is no view: it is
        // the statement with the host's filter and sort that could not be
        // opened for editing.
        const QString why = records.ReadOnlyReason();
        *readOnlyReason = records.IsUpdatable() ? QString()
                          : why.isEmpty()
                              ? QStringLiteral("%1 lässt sich mit diesem Filter oder dieser "
                                               "Sortierung nicht zum Bearbeiten öffnen")
                                    .arg(table)
                              : table + QLatin1Char(' ') + why;
    }
    return records;
}

bool CAdoDataMgr::requireWritable()
{
    if (rs().IsUpdatable())
        return true;
    qrt::inform(readOnlyMessage(m_tableName, m_readOnlyReason));
    return false;
}

bool CAdoDataMgr::startNewRow()
{
    Recordset &r = rs();
    if (!r.IsUpdatable())
        return false;
    if (!r.IsEOF() && r.EditMode() == adEditAdd)
        return true;
    r.AddNew();
    m_currentXml = m_emptyXml;
    return true;
}

void CAdoDataMgr::cancelIfPositioned()
{
    Recordset &r = rs();
    if (!r.IsEOF() && !r.IsBOF())
        r.CancelUpdate();
}

bool CAdoDataMgr::DeleteRecord()
{
    m_refusedField.clear();
    if (!requireWritable())
        return false;
    Recordset &r = rs();
    const bool stored = r.EditMode() != adEditAdd;
    if (stored) {
        try {
            r.Delete(1);
        } catch (const ComError &error) {
            if (error.code() == DB_E_DELETEDROW) {
                // Gone already: what the user wanted is so. Told, and on to
                // the neighbour as after any delete.
                qrt::inform(error.description());
            } else {
                // The row stays, and the records stand where they stood.
                if (reportRefusal(error, RefusalText::Action::Delete))
                    return false;
                throw;
            }
        }
    } else
        r.CancelUpdate(); // a row never written is dropped, never saved by the move below
    if (stored && m_matchingRows > 0)
        --m_matchingRows;
    ++m_generation;
    if (!r.IsEOF())
        r.MoveNext();
    else if (!r.IsBOF())
        r.MovePrevious();
    m_lastUpdateKey = -1;
    BuildRecordXml();
    return true;
}

bool CAdoDataMgr::DeleteRecords(const QVector<QVariantList> &keys, const QVariantList &then)
{
    m_refusedField.clear();
    if (!requireWritable())
        return false;
    cancelIfPositioned();
    try {
        rs().DeleteRows(keys);
    } catch (const ComError &error) {
        if (reportRefusal(error, keys.size() > 1 ? RefusalText::Action::DeleteSeveral
                                                 : RefusalText::Action::Delete))
            return false;
        throw;
    }
    m_lastUpdateKey = -1;
    // The keys leave the records with a fresh keyset.
    reopenAt(then);
    return true;
}

void CAdoDataMgr::reopenAt(const QVariantList &key)
{
    m_openAt = key;
    try {
        reopen(m_document);
    } catch (...) {
        m_openAt.clear();
        throw;
    }
    m_openAt.clear();
    if (m_recordset && m_recordset->IsOpen() && !key.isEmpty() && m_recordset->MoveToBookmark(key))
        BuildRecordXml();
}

void CAdoDataMgr::SetFieldCaptions(const QHash<QString, QString> &captions)
{
    m_captions = captions;
}

QString CAdoDataMgr::GetDefaultsXml()
{
    RecordText::Fields record;
    for (const ColumnInfo &column : m_columns) {
        // Keys the engine or the library fills have no value to show yet.
        const CSuppressColumn *suppressed = FindSuppressColumn(column.name);
        if (column.readOnly || column.autoIncrement || (suppressed && suppressed->m_bAutoValue))
            continue;
        const Variant value =
            column.defaultIsToday ? Variant::fromDate(QDate::currentDate()) : column.defaultValue;
        if (value.isEmptyOrNull())
            continue;
        bool typeError = false;
        const QString text = FieldConversion::toRecordText(column, value, &typeError);
        if (!typeError)
            record.set(column.name, text);
    }
    return RecordText::write(record);
}

bool CAdoDataMgr::AddRecord()
{
    return requireWritable() && startNewRow();
}

void CAdoDataMgr::FilterDialog()
{
    // A copy: whatever the filter leaves in it on cancel is not our filter.
    QString condition = m_filterText;
    if (m_filter && m_filter->edit(condition, m_dialogParent))
        applyCriteria(condition, m_criteriaInForce ? m_criteriaBase : QString());
}

void CAdoDataMgr::FilterBySelection(const QString &column, bool exclude)
{
    if (!m_filter)
        return;
    cancelIfPositioned();
    Recordset &r = rs();
    // A new row has no value yet: it asks for the records without one.
    Variant value = Variant::null();
    if (!r.IsEOF() && !r.IsBOF() && r.EditMode() != adEditAdd && !r.IsDeleted())
        value = r.Fields().Item(column).Value();
    const bool anew = !m_criteriaInForce;
    QString condition;
    if (m_filter->addSelection(column, value, exclude, anew, condition, m_dialogParent))
        applyCriteria(condition, anew ? m_filterText.trimmed() : m_criteriaBase);
}

CDataMgr::FindResult CAdoDataMgr::Find(const FindRequest &request)
{
    // The filter turns the text into the condition, as it does the values
    // of its criteria: nothing the user typed reaches SQL unchecked.
    const QString condition =
        m_filter ? m_filter->findCondition(request.columns, request.text, request.match)
                 : QString();
    if (condition.isEmpty())
        return FindResult::NotFound;
    cancelIfPositioned();
    bool wrapped = false;
    if (!rs().Find(condition, request.forward, &wrapped))
        return FindResult::NotFound;
    BuildRecordXml();
    return wrapped ? FindResult::FoundAfterWrap : FindResult::Found;
}

void CAdoDataMgr::applyCriteria(const QString &condition, const QString &base)
{
    const QString filter = base.isEmpty()
                               ? condition
                               : QStringLiteral(" (") + base + QStringLiteral(") AND") + condition;
    // Applied, unless the records could not be opened with it.
    if (refilter(filter) && m_filterText.trimmed() == filter.trimmed()) {
        m_criteriaInForce = true;
        m_criteriaBase = base;
    }
}

void CAdoDataMgr::RemoveFilter()
{
    if (refilter(QString()))
        m_criteriaInForce = false;
}

void CAdoDataMgr::SetFixedValue(const QString &column, const QString &value)
{
    CSuppressColumn *fixed = FindSuppressColumn(column);
    if (!fixed || !fixed->m_bFixed)
        return;
    const QString before = std::exchange(fixed->m_strValue, value);
    try {
        reopen(m_document);
    } catch (...) {
        // The records shown stay those of the value they hold.
        FindSuppressColumn(column)->m_strValue = before;
        throw;
    }
}

void CAdoDataMgr::ChangeFilter(QString filter)
{
    // The host's own condition: what the records are filtered by from now
    // on without a filter of the user's.
    if (refilter(filter)) {
        m_hostFilterText = m_filterText = filter;
        m_criteriaInForce = false;
    }
}

void CAdoDataMgr::reopen(const QString &document)
{
    std::unique_ptr<Recordset> previous = std::move(m_recordset);
    const QString previousDocument = m_document;
    const QString previousFilter = m_filterText;
    const qint64 previousRows = m_matchingRows;
    const auto restore = [&] {
        m_recordset = std::move(previous);
        m_document = previousDocument;
        m_filterText = previousFilter;
        m_matchingRows = previousRows;
    };
    try {
        Open(document, false);
    } catch (...) {
        // The records the form shows stay usable: after a lost connection
        // the next command reconnects them.
        restore();
        throw;
    }
    if (!m_recordset || !m_recordset->IsOpen())
        restore();
}

void CAdoDataMgr::SortBy(const QString &column, bool descending)
{
    // As the host or the form names it, in any letter case.
    for (const ColumnInfo &info : m_columns) {
        if (info.name.compare(column, Qt::CaseInsensitive) == 0) {
            reorder({info.name, descending});
            return;
        }
    }
}

void CAdoDataMgr::RemoveSort()
{
    if (!m_userSort.column.isEmpty())
        reorder({});
}

void CAdoDataMgr::reorder(const Sort &sort)
{
    cancelIfPositioned();
    const QVariantList current = m_recordset ? m_recordset->Bookmark() : QVariantList();
    const Sort previous = m_userSort;
    m_userSort = sort;
    // Opened at the record shown: the new order's first records are not
    // needed to show it.
    try {
        reopenAt(current);
    } catch (...) {
        m_userSort = previous;
        throw;
    }
}

QString CAdoDataMgr::UserFilter() const
{
    return m_filterText == m_hostFilterText ? QString() : m_filterText;
}

bool CAdoDataMgr::IsReadOnly() const
{
    return m_recordset && !m_recordset->IsUpdatable();
}

bool CAdoDataMgr::refilter(const QString &filter)
{
    // The filter goes into the configuration document; a character that the
    // document cannot hold would break it (the records would show unfiltered)
    // and every later filter with it.
    if (!CXmlHelper::canCarry(filter)) {
        qrt::inform(QStringLiteral("Der Filter kann nicht angewendet werden, weil er Steuerzeichen "
                                   "enthält. Die Datensätze bleiben gefiltert wie bisher."),
                    nullptr, UserMessages::Severity::Warning);
        return false;
    }
    QString document = m_document;
    CXmlHelper xml;
    if (xml.loadXml(document)) {
        xml.addElement(QDomNode(), QStringLiteral("FILTER"), filter);
        document = xml.xml();
    }
    reopen(document);
    if (m_recordset && m_recordset->EditMode() != adEditAdd)
        MoveFirst();
    return true;
}

QString CAdoDataMgr::GetRecordXml()
{
    return m_currentXml;
}

bool CAdoDataMgr::HasRecord()
{
    return m_currentXml != m_emptyXml;
}

void CAdoDataMgr::MoveNext()
{
    cancelIfPositioned();
    Recordset &r = rs();
    if (r.IsEOF())
        return;
    r.MoveNext();
    if (r.IsEOF())
        MovePrevious();
    if (r.IsEOF())
        startNewRow();
    BuildRecordXml();
}

void CAdoDataMgr::MovePrevious()
{
    cancelIfPositioned();
    Recordset &r = rs();
    if (r.IsBOF())
        return;
    r.MovePrevious();
    if (r.IsBOF())
        MoveNext();
    if (r.IsEOF())
        startNewRow();
    BuildRecordXml();
}

void CAdoDataMgr::MoveFirst()
{
    cancelIfPositioned();
    Recordset &r = rs();
    if (r.IsBOF())
        return;
    r.MoveFirst();
    if (r.IsEOF())
        startNewRow();
    BuildRecordXml();
}

void CAdoDataMgr::MoveLast()
{
    cancelIfPositioned();
    Recordset &r = rs();
    if (r.IsEOF() || r.IsBOF())
        return;
    try {
        r.MoveLast();
    } catch (const ComError &error) {
        if (error.code() == E_CONNECTION_ABORTED)
            throw; // reported, not answered with an empty record
        startNewRow();
    }
    BuildRecordXml();
}

void CAdoDataMgr::MoveTo(qint64 number)
{
    cancelIfPositioned();
    Recordset &r = rs();
    if (r.IsEOF() && r.IsBOF())
        return;
    r.MoveTo(long(qBound(qint64(1), number, qint64(std::numeric_limits<long>::max()))));
    if (r.IsEOF())
        startNewRow();
    BuildRecordXml();
}

void CAdoDataMgr::Undo()
{
    // The row as it is stored now: a refused entry that the recordset still
    // holds goes, and what another user saved meanwhile shows.
    if (m_recordset && m_recordset->IsOpen() && m_recordset->EditMode() != adEditAdd &&
        !m_recordset->IsEOF() && !m_recordset->IsBOF()) {
        try {
            m_recordset->Resync();
        } catch (const ComError &error) {
            qrt::inform(error.message(), nullptr, UserMessages::Severity::Warning);
        }
    }
    BuildRecordXml();
}

qint64 CAdoDataMgr::GetLastUpdateKey()
{
    return m_lastUpdateKey;
}

qint64 CAdoDataMgr::GetCurrentKey()
{
    if (!m_recordset || !m_recordset->IsOpen())
        return -1;
    Recordset &r = *m_recordset;
    if (r.IsEOF() || r.IsBOF() || r.EditMode() == adEditAdd || r.IsDeleted())
        return -1;
    return keyOfCurrentRow();
}

CDataMgr::Position CAdoDataMgr::GetPosition(bool countNow)
{
    Position position;
    if (!m_recordset || !m_recordset->IsOpen())
        return position;
    Recordset &r = *m_recordset;
    position.newRecord = r.EditMode() == adEditAdd || !HasRecord();
    long number = r.AbsolutePosition();
    // A record reached without reading the keys before it (go to, a sort
    // that kept it, a search) is placed by counting those rows.
    if (countNow && !position.newRecord && number <= 0) {
        r.placeCurrent();
        number = r.AbsolutePosition();
    }
    if (!position.newRecord && number > 0)
        position.number = number;
    const long keysetCount = r.RecordCount();
    if (keysetCount >= 0) {
        position.count = keysetCount; // every key is read: the keyset's own count is exact
    } else {
        if (m_matchingRows < 0 && countNow)
            m_matchingRows = r.countMatchingRows();
        position.count = m_matchingRows;
    }
    return position;
}

void CAdoDataMgr::BuildRecordXml()
{
    Recordset &r = rs();
    // A new row that was never written is no record yet, a deleted one
    // (the move after it failed) is none any more.
    if (r.IsEOF() || r.EditMode() == adEditAdd || r.IsDeleted()) {
        m_currentXml = m_emptyXml;
        return;
    }
    QVector<Variant> values;
    FieldList &fields = r.Fields();
    for (int i = 0; i < fields.Count(); ++i)
        values.append(fields.Item(i).Value());
    m_currentXml = RecordText::write(recordFields(values));
}

ColumnInfo CAdoDataMgr::fieldColumn(int index)
{
    const QString name = rs().Fields().Item(index).Name();
    ColumnInfo column = GetColumnInfo(name);
    column.name = name; // also where the catalog knows no such column
    return column;
}

QVector<ColumnInfo> CAdoDataMgr::fieldColumns()
{
    QVector<ColumnInfo> columns;
    const int count = rs().Fields().Count();
    columns.reserve(count);
    for (int i = 0; i < count; ++i)
        columns.append(fieldColumn(i));
    return columns;
}

RecordText::Fields CAdoDataMgr::recordFields(const QVector<Variant> &values,
                                             const QVector<ColumnInfo> *columns)
{
    RecordText::Fields record;
    record.reserve(values.size());
    const int count = rs().Fields().Count();
    ColumnInfo looked;
    for (int i = 0; i < count && i < values.size(); ++i) {
        const Variant &value = values.at(i);
        if (value.isEmptyOrNull())
            continue;
        // One record looks up the columns of its values; a block of them has
        // them all looked up once (by name for every value, they were a
        // tenth of an export's time).
        const ColumnInfo &column = columns ? columns->at(i) : (looked = fieldColumn(i));
        bool typeError = false;
        const QString text = FieldConversion::toRecordText(column, value, &typeError);
        if (typeError)
            qrt::inform(QStringLiteral("Ungültiger DatenTyp in ") + column.name);
        record.set(column.name, text);
    }
    return record;
}

QVector<CDataMgr::Row> CAdoDataMgr::RecordsAt(qint64 first, int count)
{
    if (!m_recordset || !m_recordset->IsOpen() || first < 1)
        return {};
    const QVector<Recordset::Row> read =
        m_recordset->ReadRows(long(qMin(first, qint64(std::numeric_limits<long>::max()))), count);
    return recordRows(read);
}

void CAdoDataMgr::ReadAllRecords(int count, const std::function<bool(QVector<Row> &)> &take)
{
    if (!m_recordset || !m_recordset->IsOpen() || count <= 0)
        return;
    m_recordset->ReadAll(count, [&](const QVector<Recordset::Row> &read) {
        QVector<Row> rows = recordRows(read);
        return take(rows);
    });
}

QVector<CDataMgr::Row> CAdoDataMgr::recordRows(const QVector<Recordset::Row> &read)
{
    const QVector<ColumnInfo> columns = fieldColumns();
    QVector<Row> rows;
    rows.reserve(read.size());
    for (const Recordset::Row &row : read)
        rows.append(Row{row.key, recordFields(row.values, &columns), row.values.isEmpty()});
    return rows;
}
