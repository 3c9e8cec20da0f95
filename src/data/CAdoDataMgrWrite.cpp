// Writing the form's values into the current row: conversion and checks per
// column, auto values for key columns, and the update.

#include "data/CAdoDataMgr.h"

#include "data/FieldConversion.h"
#include "data/RefusalText.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "xml/RecordText.h"

#include <QDeadlineTimer>

#include <cmath>
#include <limits>

namespace {

// How long a computed key is taken anew when other writers have just stored
// rows with it. Each retry reads the then current maximum, so every round
// stores some writer's row; but with several programs adding rows one after
// the other, one of them can lose round after round (eight programs lost one
// insert in 200 after 50 rounds). A time, not a count, bounds the retries;
// behind a busy pooler a round can take seconds (a hundred programs on ten
// server sessions lost two inserts in 1200 after ten).
constexpr int kKeyRetryMs = 30000;

} // namespace

bool CAdoDataMgr::WriteRecord(QString recordXml)
{
    m_refusedField.clear();
    Recordset &r = rs();
    if (!requireWritable())
        return false;
    RecordText::Fields record;
    QString reason;
    if (!RecordText::read(recordXml, &record, &reason)) {
        // Read as a record without values, the text would clear every field.
        qrt::inform(QStringLiteral("Der Datensatz wurde nicht gespeichert, weil sein Text nicht "
                                   "gelesen werden kann; es wurde nichts geändert.\r\n\r\n"
                                   "Ursache: ") +
                        reason,
                    nullptr, UserMessages::Severity::Error);
        return false;
    }
    // What an earlier, refused attempt assigned is not this attempt's: each
    // field is compared with what the row holds.
    if (r.EditMode() == adEditInProgress)
        r.CancelUpdate();

    QVector<AutoKey> autoKeys;
    if (!writeFields(record, &autoKeys))
        return false;
    const bool inserting = r.EditMode() == adEditAdd;
    bool sameKeysAgain = false;
    // The key this save writes, read before the row is read back: another
    // user may delete the row in between, and the records then stand on the
    // row after it, or behind the last one.
    qint64 writtenKey = -1;
    const QDeadlineTimer keyDeadline(kKeyRetryMs);
    for (;;) {
        try {
            writtenKey = keyOfCurrentRow();
            r.Update();
            break;
        } catch (const ComError &error) {
            // GetNextKey computes a key without reserving it; when another
            // user stored a row with the same key meanwhile, the engine
            // refuses ours. Then the key is taken now, and a fresh one is
            // worth a try.
            bool retry = !autoKeys.isEmpty() && error.code() == DB_E_INTEGRITYVIOLATION &&
                         !keyDeadline.hasExpired();
            if (retry && !takeFreshKeys(autoKeys)) {
                // The next key is the refused one: either the row that held
                // it has gone again (its user deleted it), and the key is
                // free now, or the key was never the problem (a check or
                // another constraint refused the row). One more try tells
                // them apart.
                retry = !sameKeysAgain;
                sameKeysAgain = true;
            }
            if (retry)
                continue;
            // Nothing is written: the update's transaction is rolled back,
            // a refused insert stored no row.
            if (reportRefusal(error, RefusalText::Action::Save))
                return false;
            throw;
        }
    }
    // An earlier attempt whose commit was in doubt may have stored the row
    // after all, under the key computed then.
    if (const QVariantList stored = r.LastWrittenKey(); writtenKey >= 0 && stored.size() == 1) {
        bool isNumber = false;
        const qint64 key = stored.first().toLongLong(&isNumber);
        if (isNumber)
            writtenKey = key;
    }
    // The row as stored now: what the engine computed, the texts as cut.
    BuildRecordXml();
    if (inserting && m_matchingRows >= 0)
        ++m_matchingRows;
    if (inserting)
        ++m_generation;
    if (writtenKey >= 0)
        m_lastUpdateKey = writtenKey;
    else if (!r.IsEOF() && !r.IsBOF())
        RememberUpdateKey(); // a key the engine filled in, read back with the row
    return true;
}

bool CAdoDataMgr::writeFields(const RecordText::Fields &record, QVector<AutoKey> *autoKeys)
{
    Recordset &r = rs();
    const bool adding = r.EditMode() == adEditAdd;
    FieldList &fields = r.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        Field &field = fields.Item(i);
        const QString name = field.Name();
        Variant stored = field.Value();
        if (stored.isEmpty())
            stored = Variant::null();
        const ColumnInfo column = GetColumnInfo(name);
        const CSuppressColumn *suppressed = FindSuppressColumn(name);
        // A fixed column holds its value, whatever the form has.
        const bool fixed = suppressed && suppressed->m_bFixed;
        const QString text = fixed ? suppressed->m_strValue : record.value(name);
        if (fixed && text.isEmpty() && adding) {
            // The record of the form around has no key yet to refer to.
            qrt::warn(QStringLiteral("Speichern Sie zuerst den Datensatz des Hauptformulars: "
                                     "der neue Datensatz verweist auf ihn."));
            return false;
        }
        const bool hasAutoValue = suppressed && suppressed->m_bAutoValue;
        if (adding && !hasAutoValue && text.trimmed().isEmpty() &&
            (column.autoIncrement || column.hasDefault || column.readOnly)) {
            // A key the engine fills (identity, serial, SQLite's rowid), a
            // default (a uuid, a sequence, now()) and a computed column are
            // left to the engine when the form has nothing for them.
            continue;
        }

        Variant newValue;
        if (!adding && FieldConversion::isUnchanged(column, stored, text)) {
            // What the form was shown comes back: the stored value stays as
            // it is, with all its digits, its time of day, its form.
            newValue = stored;
        } else if (column.readOnly && !hasAutoValue) {
            qrt::warn(RefusalText::readOnlyField(captionOf(name), column.readOnlyReason));
            m_refusedField = name;
            return false;
        } else {
            const FieldConversion::Result result =
                FieldConversion::fromRecordText(column, stored, text);
            switch (result.status) {
            case FieldConversion::Result::Status::InvalidValue:
                qrt::warn(QStringLiteral("Ungültiger Wert in ") + captionOf(name) +
                          (result.problem.isEmpty() ? QString()
                                                    : QStringLiteral(". Das Feld ") +
                                                          result.problem + QLatin1Char('.')));
                m_refusedField = name;
                return false;
            case FieldConversion::Result::Status::InvalidType:
                qrt::inform(QStringLiteral("Ungültiger DatenTyp in ") + captionOf(name));
                break;
            case FieldConversion::Result::Status::Ok:
                break;
            }
            newValue = result.value;
        }

        if (hasAutoValue) {
            // In a row not stored yet, whatever the key column holds was
            // computed by an earlier attempt of ours and never stored: it is
            // not the user's, and another user may have taken it meanwhile,
            // so it is computed anew.
            newValue = autoValue(column, name, adding ? Variant::null() : stored, autoKeys, i);
        }
        if (!(column.flags & CF_NULLABLE) && newValue.isNull()) {
            qrt::warn(QStringLiteral("Das Feld ") + captionOf(name) +
                      QStringLiteral(" muss einen Wert enthalten."));
            m_refusedField = name;
            return false;
        }
        if (newValue == field.Value())
            continue;
        try {
            field.PutValue(newValue);
        } catch (const ComError &error) {
            // A value the column's type does not take (a text for a number,
            // a word that is no label of the enum): refused by the field's
            // caption, before anything is written, with the values the
            // engine would take where it tells them.
            if (reportRefusal(error, RefusalText::Action::Save))
                return false;
            if (error.code() != DB_E_CANTCONVERTVALUE)
                throw;
            qrt::warn(QStringLiteral("Ungültiger Wert in ") + captionOf(name));
            m_refusedField = name;
            return false;
        }
    }
    return true;
}

QVector<CDataMgr::FieldConflict> CAdoDataMgr::Conflicts() const
{
    QVector<FieldConflict> result;
    if (!m_recordset)
        return result;
    const auto textOf = [](const ColumnInfo &column, const Variant &value) {
        bool typeError = false;
        return value.isEmptyOrNull() ? QString()
                                     : FieldConversion::toRecordText(column, value, &typeError);
    };
    for (const Recordset::FieldConflict &conflict : m_recordset->Conflicts()) {
        const QString name = m_recordset->Fields().Item(conflict.field).Name();
        const ColumnInfo column = GetColumnInfo(name);
        result.append({name, textOf(column, conflict.before), textOf(column, conflict.stored)});
    }
    return result;
}

void CAdoDataMgr::AcceptStoredValues()
{
    if (!m_recordset || m_recordset->Conflicts().isEmpty())
        return;
    m_recordset->AcceptStoredAsRead();
    BuildRecordXml();
}

QString CAdoDataMgr::captionOf(const QString &column) const
{
    return RefusalText::caption(m_captions, column);
}

bool CAdoDataMgr::reportRefusal(const ComError &error, RefusalText::Action action)
{
    if (error.refusal().isEmpty())
        return false;
    qrt::warn(RefusalText::message(error.refusal(), action, m_captions, error.description()));
    m_refusedField = error.refusal().columns.value(0);
    return true;
}

bool CAdoDataMgr::takeFreshKeys(const QVector<AutoKey> &autoKeys)
{
    bool renewed = false;
    for (const AutoKey &key : autoKeys) {
        Field &field = rs().Fields().Item(key.field);
        const Variant fresh = nextKeyOfType(field.Name(), key.type);
        if (fresh != field.Value()) {
            field.PutValue(fresh);
            renewed = true;
        }
    }
    return renewed;
}

Variant CAdoDataMgr::nextKeyOfType(const QString &column, Variant::Type type)
{
    const qint64 key = nextKey(column, m_tableName);
    switch (type) {
    case Variant::Type::I2:
        if (key <= std::numeric_limits<qint16>::max())
            return Variant(qint16(key));
        break;
    case Variant::Type::Int:
        if (key <= std::numeric_limits<qint32>::max())
            return Variant::machineInt(int(key));
        break;
    default:
        break;
    }
    return Variant::wholeNumber(key);
}

Variant CAdoDataMgr::autoValue(const ColumnInfo &column, const QString &name,
                               const Variant &oldValue, QVector<AutoKey> *autoKeys, int field)
{
    Q_UNUSED(column);
    // A stored key stays; only a row without one (Null or 0) gets the next.
    if (oldValue.isNull()) {
        autoKeys->append({field, Variant::Type::I4});
        return nextKeyOfType(name, Variant::Type::I4);
    }
    if (oldValue.isInteger()) {
        if (oldValue.toInt64() != 0)
            return oldValue;
        autoKeys->append({field, oldValue.type()});
        return nextKeyOfType(name, oldValue.type());
    }
    qrt::inform(QStringLiteral("Autowert nur für ganzzahlige Spalten erlaubt (") + name +
                QLatin1Char(')'));
    return oldValue;
}

void CAdoDataMgr::RememberUpdateKey()
{
    // A table without a primary key leaves the last key as it was.
    for (const ColumnInfo &column : m_columns) {
        if (column.flags & CF_PRIMARYKEY) {
            m_lastUpdateKey = keyOfCurrentRow();
            return;
        }
    }
}

qint64 CAdoDataMgr::keyOfCurrentRow()
{
    for (const ColumnInfo &column : m_columns) {
        if (!(column.flags & CF_PRIMARYKEY))
            continue;
        const Variant value = rs().Fields().Item(column.name).Value();
        bool ok = false;
        if (value.isInteger())
            return value.toInt64();
        if (value.type() == Variant::Type::Decimal) {
            const qint64 key = value.decimalText().section(QLatin1Char('.'), 0, 0).toLongLong(&ok);
            return ok ? key : -1;
        }
        if (value.isFloating() && std::isfinite(value.toDouble()) &&
            std::fabs(value.toDouble()) < 9.2e18)
            return qint64(std::trunc(value.toDouble()));
        return -1;
    }
    return -1;
}
