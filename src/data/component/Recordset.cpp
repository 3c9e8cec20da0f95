#include "data/component/Recordset.h"

#include "data/component/BackgroundKeyReader.h"
#include "data/component/Connection.h"
#include "data/component/KeyOrder.h"
#include "data/component/QueryKeyEnds.h"
#include "data/component/RecordsetPrivate.h"
#include "data/component/SelectStatement.h"
#include "data/component/SqlText.h"

#include <QSqlField>
#include <QSqlRecord>

// --- Field and FieldList --------------------------------------------------------

QString Field::Name() const
{
    return m_owner->columns.at(m_index).name;
}

int Field::Type() const
{
    return m_owner->columns.at(m_index).type;
}

int Field::DefinedSize() const
{
    return m_owner->columns.at(m_index).definedSize;
}

int Field::Precision() const
{
    return m_owner->columns.at(m_index).precision;
}

int Field::NumericScale() const
{
    return m_owner->columns.at(m_index).numericScale;
}

Variant Field::Value() const
{
    return m_owner->value(m_index);
}

void Field::PutValue(const Variant &value)
{
    m_owner->putValue(m_index, value);
}

Field &FieldList::Item(int index)
{
    if (index < 0 || index >= m_fields.size())
        throw ComError(ADO_E_ITEMNOTFOUND,
                       QStringLiteral("Es gibt kein Feld an Position %1.").arg(index));
    return m_fields[index];
}

Field &FieldList::Item(const QString &name)
{
    for (Field &field : m_fields) {
        if (field.Name().compare(name, Qt::CaseInsensitive) == 0)
            return field;
    }
    throw ComError(ADO_E_ITEMNOTFOUND, QStringLiteral("Es gibt kein Feld %1.").arg(name));
}

// --- Recordset ------------------------------------------------------------------

Recordset::Recordset() : d(std::make_unique<RecordsetPrivate>()) {}
Recordset::~Recordset() = default;
// A moved-from recordset is a closed one, not a dangling one.
Recordset::Recordset(Recordset &&other)
    : d(std::exchange(other.d, std::make_unique<RecordsetPrivate>()))
{}

Recordset &Recordset::operator=(Recordset &&other)
{
    if (this != &other)
        d = std::exchange(other.d, std::make_unique<RecordsetPrivate>());
    return *this;
}

void Recordset::Open(const QString &source, const Connection &connection, CursorTypeEnum cursorType,
                     LockTypeEnum lockType, long options)
{
    Q_UNUSED(cursorType); // keyset and dynamic behave alike: ours reads keys lazily anyway
    Q_UNUSED(options);
    if (d->open)
        throw ComError(ADO_E_ILLEGALOPERATION,
                       QStringLiteral("Das Recordset ist bereits geöffnet."));
    const std::shared_ptr<Backend> backend = connection.sharedBackend();
    SelectStatement statement;
    if (SelectStatement::parse(source, &statement)) {
        d->openKeyset(backend, statement.table, statement.condition, statement.ordering,
                      lockType != adLockReadOnly);
        return;
    }
    QSqlQuery query = backend->newQuery();
    backend->exec(query, source);
    d->openStatic(backend, query);
}

void Recordset::OpenAt(const QVariantList &key, const QString &source, const Connection &connection)
{
    d->startKey = key;
    try {
        Open(source, connection);
    } catch (...) {
        d->startKey.clear();
        throw;
    }
    d->startKey.clear();
}

void Recordset::Close()
{
    if (d)
        d->close();
}

bool Recordset::IsOpen() const
{
    return d->open;
}

long Recordset::State() const
{
    return IsOpen() ? adStateOpen : adStateClosed;
}

bool Recordset::IsBOF() const
{
    d->requireOpen();
    return !d->pendingNew && d->cursor->isBOF();
}

bool Recordset::IsDeleted() const
{
    d->requireOpen();
    return !d->pendingNew && d->cursor->isDeleted();
}

bool Recordset::IsEOF() const
{
    d->requireOpen();
    return !d->pendingNew && d->cursor->isEOF();
}

void Recordset::MoveFirst()
{
    d->requireOpen();
    d->resync();
    d->settlePending();
    d->move([this] { d->cursor->moveFirst(); }, +1);
}

void Recordset::MoveLast()
{
    d->requireOpen();
    d->resync();
    d->settlePending();
    d->move([this] { d->cursor->moveLast(); }, -1);
}

void Recordset::MoveTo(long position)
{
    d->requireOpen();
    d->resync();
    d->settlePending();
    d->move([this, position] { d->cursor->moveTo(position); },
            position >= AbsolutePosition() ? +1 : -1);
}

QVariantList Recordset::Bookmark() const
{
    d->requireOpen();
    return d->keyset && !d->pendingNew && d->cursor->hasRow() ? d->cursor->currentKey()
                                                              : QVariantList();
}

bool Recordset::Find(const QString &condition, bool forward, bool *wrapped)
{
    d->requireOpen();
    if (!d->keyset)
        throw ComError(ADO_E_FEATURENOTAVAILABLE,
                       QStringLiteral("In diesen Datensätzen kann nicht gesucht werden, "
                                      "weil sie nur als Ergebnis gelesen wurden."));
    d->resync();
    d->settlePending();
    // One statement that stops at the first match, where the order allows.
    QVariantList key;
    if (d->seekMatch(condition, forward, wrapped, &key)) {
        if (key.isEmpty())
            return false;
        bool moved = false;
        d->move([this, &key, &moved] { moved = d->cursor->moveToKey(key); }, forward ? +1 : -1);
        return moved;
    }
    const qsizetype found = d->find(condition, forward, wrapped);
    if (found < 0)
        return false;
    d->move([this, found] { d->cursor->moveTo(found + 1); }, forward ? +1 : -1);
    return true;
}

QVector<Recordset::Row> Recordset::ReadRows(long first, int count)
{
    d->requireOpen();
    d->resync();
    if (first < 1 || count <= 0)
        return {};
    return d->readRows(d->cursor->keysAt(first - 1, count));
}

void Recordset::ReadAll(int blockRows, const std::function<bool(QVector<Row> &)> &take)
{
    d->requireOpen();
    d->resync();
    if (blockRows <= 0)
        return;
    if (!d->keyset || !d->backend->readsKeysInBackground()) {
        // By key, a block at a time: the engine has no reader that could keep
        // one statement open beside the writers (or the rows are held here).
        for (long first = 1;; first += blockRows) {
            QVector<Row> rows = ReadRows(first, blockRows);
            if (rows.isEmpty() || !take(rows) || rows.size() < blockRows)
                return;
        }
    }
    // One statement for all of them, on a connection and in a thread of
    // their own (PostgreSQL: a cursor in a read-only transaction; SQLite: a
    // snapshot), which reads the next batch while this one is converted: a
    // lookup by key a row costs several times what the engine's own scan
    // does, and the engine's sort and the driver's work go on beside ours.
    // The key columns follow the row's.
    const int width = int(d->columns.size() + d->identity.size());
    BackgroundKeyReader reader(d->backend->params(), d->rowsSql, width, qsizetype(blockRows));
    KeyStore batch(width, false);
    while (reader.takeBatch(batch)) {
        QVector<Row> rows;
        rows.reserve(batch.size());
        for (qsizetype i = 0; i < batch.size(); ++i) {
            const QVariantList read = batch.at(i);
            Row row;
            row.values.reserve(d->columns.size());
            for (qsizetype c = 0; c < d->columns.size(); ++c)
                row.values.append(d->backend->fromDriver(read.at(c), d->columns.at(c)));
            row.key = read.mid(d->columns.size());
            rows.append(std::move(row));
        }
        d->rowsFetched += rows.size();
        if (!rows.isEmpty() && !take(rows))
            return;
    }
}

qsizetype Recordset::rowsFetched() const
{
    return d ? d->rowsFetched : 0;
}

bool Recordset::MoveToBookmark(const QVariantList &key)
{
    d->requireOpen();
    if (!d->keyset || key.isEmpty())
        return false;
    d->resync();
    d->settlePending();
    bool found = false;
    d->move([this, &key, &found] { found = d->cursor->moveToKey(key); }, +1);
    return found;
}

void Recordset::MoveNext()
{
    d->requireOpen();
    d->resync();
    d->settlePending();
    if (d->cursor->isEOF())
        throw ComError(ADO_E_NOCURRENTRECORD,
                       QStringLiteral("MoveNext hinter dem letzten Datensatz."));
    d->move([this] { d->cursor->moveNext(); }, +1);
}

void Recordset::MovePrevious()
{
    d->requireOpen();
    d->resync();
    d->settlePending();
    if (d->cursor->isBOF())
        throw ComError(ADO_E_NOCURRENTRECORD,
                       QStringLiteral("MovePrevious vor dem ersten Datensatz."));
    d->move([this] { d->cursor->movePrevious(); }, -1);
}

void Recordset::AddNew()
{
    d->requireUpdatable();
    d->resync();
    d->settlePending();
    d->pendingNew = true;
    d->conflicts.clear();
    d->insertInDoubt.reset();
    for (int i = 0; i < d->columns.size(); ++i) {
        d->values[i] = Variant::null();
        d->pending[i] = QVariant();
        d->changed[i] = false;
    }
}

void Recordset::Update()
{
    d->requireUpdatable();
    d->resync();
    d->update();
}

void Recordset::CancelUpdate()
{
    d->requireOpen();
    d->pendingNew = false;
    d->changed.fill(false);
    d->convertRaw();
}

void Recordset::Resync()
{
    d->requireOpen();
    d->resync();
    d->changed.fill(false);
    if (d->pendingNew) {
        d->pendingNew = false;
        d->convertRaw();
        return;
    }
    d->loadCurrent(+1);
}

QVariantList Recordset::LastWrittenKey() const
{
    return d->lastWrittenKey;
}

QVector<Recordset::FieldConflict> Recordset::Conflicts() const
{
    QVector<FieldConflict> result;
    for (const auto &[field, stored] : d->conflicts) {
        result.append({field, d->backend->fromDriver(d->raw.at(field), d->columns.at(field)),
                       d->backend->fromDriver(stored, d->columns.at(field))});
    }
    return result;
}

void Recordset::AcceptStoredAsRead()
{
    d->requireOpen();
    // Taken before convertRaw forgets them.
    const auto accepted = d->conflicts;
    for (const auto &[field, stored] : accepted)
        d->raw[field] = stored;
    d->convertRaw();
}

void Recordset::Delete(int affectRecords)
{
    Q_UNUSED(affectRecords); // the current row is all this component deletes
    d->requireUpdatable();
    d->resync();
    d->deleteRow();
}

void Recordset::DeleteRows(const QVector<QVariantList> &keys)
{
    d->requireUpdatable();
    d->resync();
    d->deleteRows(keys);
}

EditModeEnum Recordset::EditMode() const
{
    if (!d || !d->open)
        return adEditNone;
    if (d->pendingNew)
        return adEditAdd;
    return d->hasChanges() ? adEditInProgress : adEditNone;
}

bool Recordset::IsUpdatable() const
{
    return d && d->open && d->updatable;
}

QString Recordset::ReadOnlyReason() const
{
    return IsUpdatable() || !d ? QString() : d->readOnlyReason;
}

FieldList &Recordset::Fields()
{
    d->requireOpen();
    return d->fields;
}

long Recordset::AbsolutePosition() const
{
    d->requireOpen();
    if (d->pendingNew)
        return adPosUnknown;
    if (d->cursor->isBOF())
        return adPosBOF;
    if (d->cursor->isEOF())
        return adPosEOF;
    return long(d->cursor->position());
}

long Recordset::RecordCount() const
{
    d->requireOpen();
    return long(d->cursor->count());
}

qint64 Recordset::countMatchingRows()
{
    d->requireOpen();
    if (!d->keyset)
        return d->rows.size();
    d->resync();
    QSqlQuery query = d->backend->newQuery();
    d->backend->exec(query, d->countSql);
    const qint64 count = query.next() ? query.value(0).toLongLong() : 0;
    query.finish();
    d->cursor->setQueryCount(count); // the keyset's own count from now on

    return count;
}

void Recordset::placeCurrent()
{
    d->requireOpen();
    if (!d->keyset)
        return;
    d->resync();
    d->cursor->placeWindow();
}

bool Recordset::completeKeyset(bool wait)
{
    d->requireOpen();
    if (wait)
        d->resync();
    return d->cursor->completeKeys(wait);
}

bool Recordset::keysComplete() const
{
    return d && d->cursor && d->cursor->isComplete();
}

qsizetype Recordset::keysRead() const
{
    return d && d->cursor ? d->cursor->keysRead() : 0;
}

// --- opening ----------------------------------------------------------------------

void RecordsetPrivate::openKeyset(const std::shared_ptr<Backend> &engine, const QString &tableName,
                                  const QString &condition, const QString &ordering, bool canWrite)
{
    const TableSchema schema = engine->readTable(tableName);
    // The name as the statements must write it: a table created as "Kunden"
    // and named Kunden by the host is "Kunden" in SQL.
    const QString tableSql = schema.sqlName.isEmpty() ? tableName : schema.sqlName;
    const QStringList rowIdentity = engine->rowIdentity(schema);
    QString where;
    if (!condition.isEmpty())
        where = QStringLiteral(" WHERE ") + condition;
    QString clauses = where;
    if (!ordering.isEmpty())
        clauses += QStringLiteral(" ORDER BY ") + ordering;
    // The columns by name, not "*": the fields are the catalog's columns in
    // its order whatever "*" would add (SQLite's generated columns), and each
    // is read the way its values reach the driver without loss.
    QStringList selected;
    for (const ColumnSchema &column : schema.columns)
        selected << engine->selectExpression(column, engine->quoteIdentifier(column.name));
    selectList = selected.join(QStringLiteral(", "));
    if (rowIdentity.isEmpty()) {
        // Rows that cannot be told apart (a view) cannot be fetched by key:
        // they are read at once and shown, not edited.
        QSqlQuery query = engine->newQuery();
        engine->exec(query, QStringLiteral("SELECT ") + selectList + QStringLiteral(" FROM ") +
                                tableSql + clauses);
        openStatic(engine, query, &schema.columns);
        readOnlyReason = schema.isView
                             ? QStringLiteral("ist eine Sicht")
                             : QStringLiteral("hat keinen Schlüssel, über den sich ein Datensatz "
                                              "wiederfinden lässt");
        return;
    }

    bool integral = false;
    identityColumns.clear();
    const QStringList primary = schema.primaryKey();
    for (const QString &column : primary)
        identityColumns << schema.indexOf(column);
    if (primary.isEmpty())
        identityColumns << -1;
    if (primary.size() == 1) {
        const ValueKind kind = schema.columns.at(identityColumns.first()).valueKind;
        integral =
            kind == ValueKind::Small || kind == ValueKind::Integer || kind == ValueKind::BigInteger;
    } else if (primary.isEmpty()) {
        integral = engine->rowAddressIsInteger();
    }

    backend = engine;
    columns = schema.columns;
    table = tableSql;
    identity = rowIdentity;
    keyset = true;
    updatable = canWrite && !schema.readOnly && !schema.databaseReadOnly;
    readOnlyReason = schema.databaseReadOnly
                         ? QStringLiteral("liegt in einer Datenbank, die zurzeit nur gelesen "
                                          "werden kann (etwa ein Bereitschaftsserver)")
                     : schema.readOnly ? QStringLiteral("darf von Ihnen nur gelesen werden (Sie "
                                                        "haben nur Leserechte)")
                     : canWrite        ? QString()
                                       : QStringLiteral("wurde nur zum Lesen geöffnet");
    integralKeys = integral;
    countSql = QStringLiteral("SELECT COUNT(*) FROM ") + tableSql + where;
    this->condition = condition;
    // Both ends where the engine can read a bounded number of rows and the
    // host's texts can be extended safely (a comment could hide what follows).
    const QString selectKeys = QStringLiteral("SELECT ") + rowIdentity.join(QStringLiteral(", ")) +
                               QStringLiteral(" FROM ");
    const QString selectRows = QStringLiteral("SELECT ") + selectList + QStringLiteral(", ") +
                               rowIdentity.join(QStringLiteral(", ")) + QStringLiteral(" FROM ");
    twoEnded = !engine->limitedQuery(selectKeys, 1).isEmpty() && !SqlText::hasComment(condition) &&
               !SqlText::hasComment(ordering);
    if (twoEnded) {
        const KeyOrder order = KeyOrder::make(ordering, rowIdentity);
        keyOrder = order;
        keySql = selectKeys + tableSql + where + QStringLiteral(" ORDER BY ") + order.forward;
        rowsSql = selectRows + tableSql + where + QStringLiteral(" ORDER BY ") + order.forward;
        reverseKeySql =
            order.backward.isEmpty()
                ? QString()
                : selectKeys + tableSql + where + QStringLiteral(" ORDER BY ") + order.backward;
    } else {
        keySql = selectKeys + tableSql + clauses;
        rowsSql = selectRows + tableSql + clauses;
        reverseKeySql.clear();
    }
    generation = engine->generation();
    prepareFetch();
    if (twoEnded && !startKey.isEmpty() && !keyOrder.terms(engine->nullsSortFirst()).isEmpty()) {
        // At the row asked for; the first keys only when a move needs them.
        cursor.emplace(KeyStore(int(rowIdentity.size()), integral), makeEnds(), false);
        if (!cursor->moveToKey(startKey))
            cursor->moveFirst();
    } else if (twoEnded) {
        cursor.emplace(readHead(), makeEnds());
    } else {
        std::unique_ptr<KeySource> source = engine->openKeySource(keySql, int(rowIdentity.size()));
        cursor.emplace(KeyStore(int(rowIdentity.size()), integral), std::move(source));
    }
    makeFields();
    open = true;
    loadCurrent(+1);
}

KeyStore RecordsetPrivate::readHead()
{
    // A top-N read: the engine keeps the first rows of its scan in a bounded
    // heap instead of sorting all of them, and the statement is done when it
    // returns.
    KeyStore head(int(identity.size()), integralKeys);
    backend->readLimited(keySql, KeysetCursor::kEndKeys, head);
    return head;
}

std::unique_ptr<KeyEnds> RecordsetPrivate::makeEnds()
{
    auto ends = std::make_unique<QueryKeyEnds>(backend, keySql, reverseKeySql, int(identity.size()),
                                               integralKeys);
    ends->setSeek({table, condition, identity, keyOrder});
    return ends;
}

void RecordsetPrivate::move(const std::function<void()> &step, int direction)
{
    // The cursor moves first and the row is read after; when reading fails
    // (a dropped connection), the cursor goes back, so that the position
    // still names the row the fields hold and the same move done again
    // reaches the row this one was meant for.
    const KeysetCursor::Place from = cursor->place();
    try {
        step();
        loadCurrent(direction);
    } catch (...) {
        cursor->restore(from);
        throw;
    }
}

void RecordsetPrivate::prepareFetch()
{
    fetchQuery = backend->newQuery();
    backend->prepare(fetchQuery, QStringLiteral("SELECT ") + selectList + QStringLiteral(" FROM ") +
                                     table + QStringLiteral(" WHERE ") + identityCondition());
}

void RecordsetPrivate::resync()
{
    if (!open || !keyset)
        return;
    backend->reconnectIfLost();
    if (backend->generation() == generation)
        return;
    // The statements and the key reader died with the old connection. The
    // keys are read anew from the start (others may have written meanwhile)
    // and the position found again by key; the row as read and the pending
    // changes stay, so the optimistic check still compares with what the
    // user saw.
    fetchQuery = QSqlQuery();
    prepareFetch();
    const QVariantList current = cursor->hasRow() ? cursor->currentKey() : QVariantList();
    if (twoEnded) {
        cursor->restart(readHead(), makeEnds(), current);
    } else {
        std::unique_ptr<KeySource> source = backend->openKeySource(keySql, int(identity.size()));
        cursor->restart(std::move(source), current);
    }
    generation = backend->generation();
}

void RecordsetPrivate::openStatic(const std::shared_ptr<Backend> &engine, QSqlQuery &query,
                                  const QVector<ColumnSchema> *known)
{
    backend = engine;
    keyset = false;
    updatable = false;
    readOnlyReason.clear();
    columns.clear();
    rows.clear();
    const QSqlRecord record = query.record();
    QHash<QString, std::optional<TableSchema>> tables;
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        ColumnSchema column;
        if (known && i < known->size())
            column = known->at(i);
        // A column taken straight from a table is typed by that table.
        const QString tableName = field.tableName();
        if (column.name.isEmpty() && !tableName.isEmpty()) {
            if (!tables.contains(tableName)) {
                try {
                    tables.insert(tableName, engine->readTable(tableName));
                } catch (const ComError &) {
                    tables.insert(tableName, std::nullopt);
                }
            }
            const std::optional<TableSchema> &schema = tables.value(tableName);
            const int index = schema ? schema->indexOf(field.name()) : -1;
            if (index >= 0)
                column = schema->columns.at(index);
        }
        if (column.name.isEmpty()) {
            switch (field.metaType().id()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
                column.type = AdoType::Integer;
                break;
            case QMetaType::Double:
                column.type = AdoType::Double;
                break;
            case QMetaType::Bool:
                column.type = AdoType::Boolean;
                break;
            default:
                column.type = AdoType::VarWChar;
                break;
            }
            column.valueKind = ValueKind::Other;
            column.name = field.name();
        }
        columns << column;
    }
    while (query.next()) {
        QVector<QVariant> row(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row[i] = query.value(i);
        rows << row;
    }
    query.finish();
    KeyStore indexes(1, true);
    indexes.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        indexes.append({QVariant(qlonglong(i))});
    cursor.emplace(std::move(indexes), std::unique_ptr<KeySource>());
    makeFields();
    open = true;
    loadCurrent(+1);
}

void RecordsetPrivate::makeFields()
{
    fields.m_fields.clear();
    for (int i = 0; i < columns.size(); ++i)
        fields.m_fields << Field(this, i);
    raw = QVector<QVariant>(columns.size());
    values = QVector<Variant>(columns.size());
    pending = QVector<QVariant>(columns.size());
    changed = QVector<bool>(columns.size(), false);
}

void RecordsetPrivate::close()
{
    open = false;
    cursor.reset();
    fetchQuery = QSqlQuery();
    rows.clear();
    pendingNew = false;
    fields.m_fields.clear();
    backend.reset();
}

void RecordsetPrivate::requireOpen() const
{
    if (!open)
        throw ComError(ADO_E_OBJECTCLOSED, QStringLiteral("Das Recordset ist nicht geöffnet."));
}

void RecordsetPrivate::requireUpdatable() const
{
    requireOpen();
    if (!updatable)
        throw ComError(ADO_E_FEATURENOTAVAILABLE,
                       QStringLiteral("Das Ergebnis dieser Abfrage kann nicht bearbeitet werden."));
}

int RecordsetPrivate::indexOf(const QString &name) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
