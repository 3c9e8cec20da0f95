// The current row of a recordset: fetching it by key, handing out and taking
// values, and writing it back with optimistic locking.

#include "data/component/RecordsetPrivate.h"
#include "data/component/TransactionGuard.h"

#include <cmath>

namespace {

// Whether the row still holds what was read: the values as the driver
// returned them, where a NaN equals a NaN (NaN != NaN would make every row
// holding one look changed by someone else).
bool sameStored(const QVariant &now, const QVariant &read)
{
    if (now == read)
        return true;
    const auto isNaN = [](const QVariant &value) {
        return (value.metaType().id() == QMetaType::Double ||
                value.metaType().id() == QMetaType::Float) &&
               std::isnan(value.toDouble());
    };
    return isNaN(now) && isNaN(read);
}

} // namespace

void RecordsetPrivate::clearRow()
{
    conflicts.clear();
    insertInDoubt.reset();
    for (int i = 0; i < columns.size(); ++i) {
        raw[i] = QVariant();
        values[i] = Variant();
        pending[i] = QVariant();
        changed[i] = false;
    }
}

void RecordsetPrivate::convertRaw()
{
    conflicts.clear(); // they were about the changes that go now
    insertInDoubt.reset();
    if (!cursor || !cursor->hasRow()) {
        clearRow();
        return;
    }
    for (int i = 0; i < columns.size(); ++i) {
        values[i] = backend->fromDriver(raw.at(i), columns.at(i));
        pending[i] = QVariant();
        changed[i] = false;
    }
}

void RecordsetPrivate::loadCurrent(int direction)
{
    while (cursor->hasRow()) {
        if (!keyset) {
            raw = rows.at(cursor->currentKey().constFirst().toLongLong());
            break;
        }
        cursor->bindCurrent(fetchQuery);
        backend->exec(fetchQuery);
        const bool found = backend->next(fetchQuery);
        if (found) {
            for (int i = 0; i < columns.size(); ++i)
                raw[i] = fetchQuery.value(i);
        }
        fetchQuery.finish(); // no statement stays open on the main connection
        if (found)
            break;
        // Someone else deleted the row since the keys were read: it leaves
        // the keyset and the move goes on in its direction.
        cursor->removeCurrent();
        if (direction < 0)
            cursor->movePrevious();
        else
            cursor->moveNext();
    }
    convertRaw();
}

bool RecordsetPrivate::hasChanges() const
{
    return changed.contains(true);
}

void RecordsetPrivate::settlePending()
{
    if (pendingNew && !hasChanges()) {
        pendingNew = false;
        convertRaw();
        return;
    }
    if (pendingNew || hasChanges())
        update();
}

void RecordsetPrivate::requireRow() const
{
    if (hasRow())
        return;
    if (cursor->isDeleted())
        throw ComError(DB_E_DELETEDROW, QStringLiteral("Der aktuelle Datensatz wurde gelöscht."));
    throw ComError(ADO_E_NOCURRENTRECORD,
                   QStringLiteral("Es gibt keinen aktuellen Datensatz (BOF oder EOF)."));
}

Variant RecordsetPrivate::value(int index) const
{
    requireOpen();
    requireRow();
    return values.at(index);
}

void RecordsetPrivate::putValue(int index, const Variant &value)
{
    requireUpdatable();
    requireRow();
    const ColumnSchema &column = columns.at(index);
    if (column.readOnly)
        throw ComError(
            ADO_E_FEATURENOTAVAILABLE,
            QStringLiteral("Die Spalte %1 kann nicht geändert werden.").arg(column.name));
    // The form the value is written in: the row's own (a SQLite date stays a
    // julian day), or, for a NULL or a new row, that of the column's others.
    QVariant stored = pendingNew ? QVariant() : raw.at(index);
    if (stored.isNull() && !value.isEmptyOrNull())
        stored = backend->storedSample(table, column);
    // Converted and checked now, so a value that does not fit is refused at
    // once, by the name of its column.
    const QVariant driverValue = backend->toDriver(value, column, stored);
    backend->checkValue(column, driverValue);
    pending[index] = driverValue;
    values[index] = backend->fromDriver(driverValue, column);
    changed[index] = true;
}

Backend::RowWrite RecordsetPrivate::bindPending(QSqlQuery &query, Backend::RowWrite::Kind kind,
                                                const QVector<int> &changedColumns) const
{
    Backend::RowWrite write;
    write.kind = kind;
    write.table = table;
    for (int column : changedColumns) {
        query.addBindValue(pending.at(column));
        write.columns << columns.at(column).name;
        write.values << pending.at(column);
    }
    return write;
}

QString RecordsetPrivate::identityCondition() const
{
    QStringList parts;
    for (const QString &expression : identity)
        parts << expression + QStringLiteral(" = ?");
    return parts.join(QStringLiteral(" AND "));
}

QVariantList RecordsetPrivate::keyFromValues() const
{
    // A new row has no stored values: raw still holds the row that was
    // current before it.
    QVariantList key;
    for (int column : identityColumns)
        key << (column < 0           ? QVariant()
                : changed.at(column) ? pending.at(column)
                : pendingNew         ? QVariant()
                                     : raw.at(column));
    return key;
}

void RecordsetPrivate::update()
{
    if (pendingNew) {
        insertRow();
        return;
    }
    if (!hasChanges())
        return;
    updateRow();
}

void RecordsetPrivate::insertRow()
{
    if (insertInDoubt && adoptInsertInDoubt())
        return;
    insertInDoubt.reset();
    QStringList names;
    QStringList marks;
    QStringList reads; // the written columns as the row is read, to know it again
    QVector<int> written;
    for (int i = 0; i < columns.size(); ++i) {
        if (changed.at(i)) {
            names << backend->quoteIdentifier(columns.at(i).name);
            marks << backend->valueMark(columns.at(i));
            reads << backend->selectExpression(columns.at(i), names.last());
            written << i;
        }
    }
    QString sql = QStringLiteral("INSERT INTO ") + table;
    sql += names.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                           : QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                                 QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) +
                                 QLatin1Char(')');
    const bool returning = backend->supportsReturning();
    if (returning)
        sql += QStringLiteral(" RETURNING ") + (identity + reads).join(QStringLiteral(", "));

    // A write whose answer is lost with the connection may be stored or
    // not. Where the key is among the values, the next attempt looks under
    // it; where the engine fills it in, only the answer tells it, so then
    // the insert runs in a transaction of its own and the key is known
    // before the commit. (Not always: the transaction holds the new key's
    // index entry for two more round trips, which other users adding rows
    // at the same time wait for.)
    InsertInDoubt doubt{keyFromValues(), written, {}};
    const bool keyGiven = !doubt.key.contains(QVariant());
    QSqlQuery query = backend->newQuery();
    std::optional<TransactionGuard> transaction;
    if (!keyGiven && returning)
        transaction.emplace(backend);
    backend->prepare(query, sql);
    const Backend::RowWrite write = bindPending(query, Backend::RowWrite::Kind::Insert, written);
    doubt.stored = write.values;
    bool answered = false; // the row the engine returned came
    try {
        backend->execWrite(query, write);
        answered = returning && backend->next(query);
    } catch (const ComError &error) {
        if (error.code() == E_CONNECTION_ABORTED && keyGiven && !transaction)
            insertInDoubt = doubt;
        throw;
    }

    QVariantList key;
    if (answered) {
        for (int i = 0; i < identity.size(); ++i)
            key << query.value(i);
        doubt.stored.clear(); // as stored, after the table's triggers
        for (int n = 0; n < written.size(); ++n)
            doubt.stored << query.value(int(identity.size()) + n);
    } else {
        key = doubt.key;
        query.finish();
        if (key.contains(QVariant())) {
            // The engine filled the key (an identity column): ask for it.
            const QVariantList filled = backend->lastInsertedIdentity();
            if (filled.size() == key.size())
                key = filled;
        }
    }
    query.finish();
    if (transaction) {
        try {
            transaction->commit();
        } catch (const ComError &error) {
            if (error.code() == E_CONNECTION_ABORTED && !key.contains(QVariant())) {
                doubt.key = key;
                insertInDoubt = doubt;
            }
            throw;
        }
    }
    pendingNew = false;
    lastWrittenKey = key;
    cursor->appendAndMakeCurrent(key);
    loadCurrent(+1);
}

bool RecordsetPrivate::adoptInsertInDoubt()
{
    const InsertInDoubt doubt = *insertInDoubt;
    QStringList reads;
    for (int i : doubt.columns)
        reads << backend->selectExpression(columns.at(i),
                                           backend->quoteIdentifier(columns.at(i).name));
    QSqlQuery check = backend->newQuery();
    backend->prepare(
        check, QStringLiteral("SELECT ") +
                   (reads.isEmpty() ? QStringLiteral("1") : reads.join(QStringLiteral(", "))) +
                   QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE ") +
                   identityCondition());
    for (const QVariant &part : doubt.key)
        check.addBindValue(part);
    backend->exec(check);
    // Ours only if it holds what our insert wrote: the key of a row that was
    // not stored may have gone to another user's row meanwhile.
    bool stored = backend->next(check);
    for (qsizetype n = 0; stored && n < doubt.columns.size(); ++n) {
        const ColumnSchema &column = columns.at(doubt.columns.at(n));
        stored = backend->fromDriver(check.value(int(n)), column) ==
                 backend->fromDriver(doubt.stored.at(n), column);
    }
    check.finish();
    insertInDoubt.reset();
    if (!stored)
        return false;

    // The row is there: it becomes the current one, and what the user
    // changed since that attempt is written over it. Its key stays: the one
    // the form computed anew for this attempt was never stored.
    const QVector<QVariant> entered = pending;
    const QVector<bool> entering = changed;
    pendingNew = false;
    lastWrittenKey = doubt.key;
    cursor->appendAndMakeCurrent(doubt.key);
    loadCurrent(+1);
    for (int i = 0; i < columns.size(); ++i) {
        if (!entering.at(i) || identityColumns.contains(i))
            continue;
        const Variant value = backend->fromDriver(entered.at(i), columns.at(i));
        if (value == values.at(i))
            continue;
        pending[i] = entered.at(i);
        values[i] = value;
        changed[i] = true;
    }
    if (hasChanges())
        updateRow();
    return true;
}

void RecordsetPrivate::updateRow()
{
    requireRow();
    QStringList changedNames;
    QStringList changedReads; // as the row was read, so the values compare alike
    QVector<int> changedColumns;
    for (int i = 0; i < columns.size(); ++i) {
        if (changed.at(i)) {
            changedColumns << i;
            changedNames << backend->quoteIdentifier(columns.at(i).name);
            changedReads << backend->selectExpression(columns.at(i), changedNames.last());
        }
    }

    // The queries outlive the transaction: a statement freed inside a
    // transaction that failed is refused by PostgreSQL, and its complaint
    // would only be noise.
    QSqlQuery check = backend->newQuery();
    QSqlQuery write = backend->newQuery();
    // The changed columns must still hold what was read: lock the row, look,
    // and only then write.
    TransactionGuard transaction(backend);
    backend->prepare(check, QStringLiteral("SELECT ") + changedReads.join(QStringLiteral(", ")) +
                                QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE ") +
                                identityCondition() + backend->lockClause());
    cursor->bindCurrent(check);
    backend->exec(check);
    if (!backend->next(check)) {
        throw ComError(DB_E_DELETEDROW,
                       QStringLiteral("Der Datensatz wurde inzwischen von einem anderen Benutzer "
                                      "gelöscht. Ihre Änderungen wurden nicht gespeichert."));
    }
    // Every conflicting field is collected, so that the user can decide on
    // all of them at once.
    conflicts.clear();
    QStringList conflicting;
    bool allStored = true; // every change is there already
    for (int n = 0; n < changedColumns.size(); ++n) {
        const int column = changedColumns.at(n);
        // Stored meanwhile just as this write would store it (the other
        // user typed the same, or this user's save went through before the
        // connection broke): there is nothing to decide.
        const bool storedAlready =
            backend->fromDriver(check.value(n), columns.at(column)) == values.at(column);
        allStored = allStored && storedAlready;
        if (storedAlready || sameStored(check.value(n), raw.at(column)))
            continue;
        conflicts.append({column, check.value(n)});
        conflicting << columns.at(column).name;
    }
    if (!conflicts.isEmpty()) {
        throw ComError(
            DB_E_CONCURRENCYVIOLATION,
            QStringLiteral("Der Datensatz wurde inzwischen von einem anderen "
                           "Benutzer geändert (%1 %2). Ihre Änderungen wurden "
                           "nicht gespeichert; bitte laden Sie den Datensatz neu.")
                .arg(conflicting.size() == 1 ? QStringLiteral("Feld") : QStringLiteral("Felder"),
                     conflicting.join(QStringLiteral(", "))));
    }
    check.finish();
    lastWrittenKey = cursor->currentKey();
    if (allStored) {
        // Writing it again would change nothing but would still fire the
        // table's triggers: a save whose commit was in doubt is not stored
        // twice.
        transaction.commit();
        loadCurrent(+1);
        return;
    }

    QStringList assignments;
    for (qsizetype n = 0; n < changedNames.size(); ++n)
        assignments << changedNames.at(n) + QStringLiteral(" = ") +
                           backend->valueMark(columns.at(changedColumns.at(n)));
    QString sql = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                  assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
                  identityCondition();
    const bool returning = backend->supportsReturning();
    if (returning)
        sql += QStringLiteral(" RETURNING ") + identity.join(QStringLiteral(", "));
    backend->prepare(write, sql);
    Backend::RowWrite written = bindPending(write, Backend::RowWrite::Kind::Update, changedColumns);
    const QVariantList oldKey = cursor->currentKey();
    for (int i = 0; i < oldKey.size(); ++i)
        write.addBindValue(oldKey.at(i));
    written.rowCondition = identityCondition();
    written.rowKey = oldKey;
    backend->execWrite(write, written);
    QVariantList newKey;
    if (returning && backend->next(write)) {
        for (int i = 0; i < identity.size(); ++i)
            newKey << write.value(i);
    } else {
        newKey = keyFromValues();
    }
    write.finish();
    transaction.commit();
    lastWrittenKey = newKey;
    cursor->replaceCurrent(newKey);
    loadCurrent(+1);
}

void RecordsetPrivate::deleteRow()
{
    if (pendingNew) {
        // A row that was never written has nothing to delete.
        pendingNew = false;
        convertRaw();
        return;
    }
    requireRow();
    QSqlQuery query = backend->newQuery();
    backend->prepare(query, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") +
                                identityCondition());
    cursor->bindCurrent(query);
    Backend::RowWrite written;
    written.kind = Backend::RowWrite::Kind::Delete;
    written.table = table;
    written.rowCondition = identityCondition();
    written.rowKey = cursor->currentKey();
    try {
        backend->execWrite(query, written);
    } catch (const ComError &error) {
        if (error.code() == E_CONNECTION_ABORTED)
            deleteInDoubt = written.rowKey;
        throw;
    }
    const bool wasThere = query.numRowsAffected() != 0;
    const bool ours = wasThere || deleteInDoubt == written.rowKey;
    deleteInDoubt.clear();
    query.finish();
    cursor->removeCurrent();
    clearRow();
    // The row is gone either way; that another user deleted it first is
    // still worth telling, never a silent success.
    if (!ours)
        throw ComError(DB_E_DELETEDROW,
                       QStringLiteral("Der Datensatz war bereits von einem anderen Benutzer "
                                      "gelöscht worden."));
}

void RecordsetPrivate::deleteRows(const QVector<QVariantList> &keys)
{
    QSqlQuery query = backend->newQuery();
    backend->prepare(query, QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE ") +
                                identityCondition());
    TransactionGuard transaction(*backend);
    Backend::RowWrite written;
    written.kind = Backend::RowWrite::Kind::Delete;
    written.table = table;
    written.rowCondition = identityCondition();
    for (const QVariantList &key : keys) {
        for (int i = 0; i < key.size(); ++i)
            query.bindValue(i, key.at(i));
        written.rowKey = key;
        backend->execWrite(query, written);
        query.finish();
    }
    transaction.commit();
}
