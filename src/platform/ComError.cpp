#include "platform/ComError.h"

namespace {

struct CodeText
{
    HRESULT_T code;
    const char *text;
};

// German, as a German system would word them. Every code the library raises
// has its text here; codes from elsewhere fall back to the generic forms.
constexpr CodeText kTexts[] = {
    {E_POINTER, "Ungültiger Zeiger"},
    {E_FAIL, "Unbekannter Fehler"},
    {E_OUTOFMEMORY, "Nicht genügend Arbeitsspeicher verfügbar"},
    {E_INVALIDARG, "Falscher Parameter"},
    {DB_SEC_E_PERMISSIONDENIED, "Die Anweisung wurde aus Sicherheitsgründen nicht ausgeführt."},
    {DB_SEC_E_AUTH_FAILED, "Die Anmeldung an der Datenbank ist fehlgeschlagen."},
    {SEC_E_UNTRUSTED_ROOT, "Das Zertifikat des Datenbankservers wurde nicht anerkannt."},
    {SEC_E_UNSUPPORTED_FUNCTION, "Der Datenbankserver bietet keine verschlüsselte Verbindung an."},
    {E_CONNECTION_ABORTED, "Die Verbindung zur Datenbank wurde unterbrochen."},
    {DB_E_ERRORSINCOMMAND, "Die Datenbank hat die SQL-Anweisung abgelehnt."},
    {DB_E_CANTCONVERTVALUE, "Der Wert passt nicht zum Datentyp der Spalte."},
    {DB_E_DELETEDROW, "Der Datensatz ist nicht mehr vorhanden."},
    {DB_E_INTEGRITYVIOLATION, "Eine Integritätsbedingung der Datenbank wurde verletzt."},
    {DB_E_NOTABLE, "Die Tabelle ist in der Datenbank nicht vorhanden."},
    {DB_E_CONCURRENCYVIOLATION, "Der Datensatz wurde von einem anderen Benutzer geändert."},
    {ADO_E_ITEMNOTFOUND, "Das Element wurde in der Auflistung nicht gefunden."},
    {ADO_E_NOCURRENTRECORD, "Kein aktueller Datensatz."},
    {ADO_E_FEATURENOTAVAILABLE, "Der Vorgang wird für diese Datenquelle nicht unterstützt."},
    {ADO_E_OBJECTCLOSED, "Der Vorgang ist für ein geschlossenes Objekt nicht zulässig."},
    {ADO_E_ILLEGALOPERATION, "Der Vorgang ist in diesem Zusammenhang nicht zulässig."},
};

} // namespace

ComError::ComError(HRESULT_T code, QString description)
    : m_code(code), m_description(std::move(description))
{
    m_what = (systemText() + QStringLiteral(": ") + m_description).toUtf8();
}

QString ComError::systemText(HRESULT_T code)
{
    for (const CodeText &entry : kTexts) {
        if (entry.code == code)
            return QString::fromUtf8(entry.text);
    }
    if (code > 0x80040200u && code <= 0x8004FFFFu)
        return QStringLiteral("IDispatch error #%1").arg(code - 0x80040200u);
    return QStringLiteral("Unknown error 0x") + QString::number(code, 16).toUpper();
}

QString ComError::message() const
{
    return systemText() + QStringLiteral("\r\n\r\n") + m_description;
}

const char *ComError::what() const noexcept
{
    return m_what.constData();
}
