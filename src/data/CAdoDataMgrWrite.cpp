// Writing the form's values into the current row: conversion and checks per
// column, auto values for key columns, and the update.

#include "data/CAdoDataMgr.h"

#include "data/FieldConversion.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

#include <cmath>

namespace {

// How often a computed key is taken anew when another writer has just
// stored a row with it. Each retry reads the then current maximum, so it only
// fails again when yet another row came in between; several users adding at
// the same moment stay far below this.
constexpr int kKeyAttempts = 50;

} // namespace

bool CAdoDataMgr::WriteRecord(QString recordXml)
{
    Recordset &r = rs();
    CXmlHelper record;
    (void)record.loadXml(recordXml); // a broken text reads as a record without values

    QVector<AutoKey> autoKeys;
    if (!writeFields(record, &autoKeys))
        return false;
    const bool inserting = r.EditMode() == adEditAdd;
    for (int attempt = 1;; ++attempt) {
        try {
            r.Update();
            break;
        } catch (const ComError &error) {
            // GetNextKey computes a key without reserving it; when another
            // user stored a row with the same key meanwhile, the engine
            // refuses ours. Then the key is taken now, and a fresh one is
            // worth a try; when it is not (a check or another constraint
            // refused the row), a fresh key would change nothing.
            if (autoKeys.isEmpty() || error.code() != DB_E_INTEGRITYVIOLATION ||
                attempt >= kKeyAttempts || !takeFreshKeys(autoKeys))
                throw;
        }
    }
    m_currentXml = recordXml;
    if (inserting && m_matchingRows >= 0)
        ++m_matchingRows;
    RememberUpdateKey();
    return true;
}

bool CAdoDataMgr::writeFields(const CXmlHelper &record, QVector<AutoKey> *autoKeys)
{
    Recordset &r = rs();
    FieldList &fields = r.Fields();
    for (int i = 0; i < fields.Count(); ++i) {
        Field &field = fields.Item(i);
        const QString name = field.Name();
        Variant oldValue = field.Value();
        if (oldValue.isEmpty())
            oldValue = Variant::null();
        const ColumnInfo column = GetColumnInfo(name);
        const QString text = record.getAttributeValue(QDomNode(), name);
        const CSuppressColumn *suppressed = FindSuppressColumn(name);
        const bool hasAutoValue = suppressed && suppressed->m_bAutoValue;
        if (r.EditMode() == adEditAdd && column.autoIncrement && !hasAutoValue &&
            text.trimmed().isEmpty()) {
            // A key the engine fills (identity, serial, SQLite's rowid) is
            // left to the engine when the form has nothing for it.
            continue;
        }

        Variant newValue;
        bool typeError = false;
        if (!oldValue.isNull() &&
            FieldConversion::toRecordText(column, oldValue, &typeError) == text && !typeError) {
            // The text is the stored value as the form showed it: keep the
            // stored value (a number with all its digits instead of the eight
            // shown, a date with its time of day, a 0 that would read as Null).
            newValue = oldValue;
        } else {
            const FieldConversion::Result result =
                FieldConversion::fromRecordText(column, oldValue, text);
            switch (result.status) {
            case FieldConversion::Result::Status::InvalidValue:
                qrt::inform(QStringLiteral("Ungültiger Wert in ") + name);
                return false;
            case FieldConversion::Result::Status::InvalidType:
                qrt::inform(QStringLiteral("Ungültiger DatenTyp in ") + name);
                break;
            case FieldConversion::Result::Status::Ok:
                break;
            }
            newValue = result.value;
        }

        if (!(column.flags & CF_NULLABLE) && newValue.isNull()) {
            qrt::inform(QStringLiteral("Das Feld ") + name +
                        QStringLiteral(" muss einen Wert enthalten."));
            return false;
        }
        if (hasAutoValue) {
            // In a row not stored yet, whatever the key column holds was
            // computed by an earlier attempt of ours and never stored: it is
            // not the user's, and another user may have taken it meanwhile,
            // so it is computed anew.
            const Variant stored = r.EditMode() == adEditAdd ? Variant::null() : oldValue;
            newValue = autoValue(column, name, stored, autoKeys, i);
        }
        if (newValue != field.Value())
            field.PutValue(newValue);
    }
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
    const qint32 key = GetNextKey(column, m_tableName);
    switch (type) {
    case Variant::Type::I2:
        return Variant(qint16(key));
    case Variant::Type::Int:
        return Variant::machineInt(key);
    default:
        return Variant(key);
    }
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
        if (oldValue.toInt32() != 0)
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
    for (const ColumnInfo &column : m_columns) {
        if (!(column.flags & CF_PRIMARYKEY))
            continue;
        const Variant value = rs().Fields().Item(column.name).Value();
        if (value.isInteger())
            m_lastUpdateKey = value.toInt32();
        else if (value.isFloating() || value.type() == Variant::Type::Decimal)
            m_lastUpdateKey = qint32(std::trunc(value.toDouble()));
        else
            m_lastUpdateKey = -1;
        return;
    }
}
