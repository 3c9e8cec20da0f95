#include "facade/CKeloFilter.h"

#include "data/component/SqlDialect.h"
#include "data/component/Variant.h"
#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"

namespace {

QString element(const QString &name, const QString &content)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + content + QStringLiteral("</") + name +
           QLatin1Char('>');
}

} // namespace

CKeloFilter::CKeloFilter() : m_pFilterMgr(std::make_shared<CFilterMgr>()) {}

CKeloFilter::~CKeloFilter() = default;

// Copies share the store, so a filter composed through one is the filter of
// both; shared ownership makes the last copy the one that destroys it.
CKeloFilter::CKeloFilter(const CKeloFilter &other) = default;

CKeloFilter &CKeloFilter::operator=(const CKeloFilter &other) = default;

bool CKeloFilter::Init(const QString &document)
{
    m_strDocument = document;
    return configure();
}

bool CKeloFilter::Init(const QString &database, const QString &server, const QString &user,
                       const QString &password, const QString &table, ns_qrttypen::KELODBTyp type)
{
    // The form's document without its SORT slot and with the removed
    // columns in place; the placeholder for the mode stays, nobody reads it.
    m_strDocument =
        QStringLiteral("<ADOBUILDER DESIGNMODUS='@Designmodus'>") +
        element(QStringLiteral("FORMULARNAME"), table) +
        element(QStringLiteral("DBNAME"), database) +
        element(QStringLiteral("SERVERNAME"), server) + element(QStringLiteral("USERID"), user) +
        element(QStringLiteral("PASSWORT"), password) +
        element(QStringLiteral("TABELLENNAME"), table) +
        element(QStringLiteral("DBTYP"),
                QString::fromLatin1(dialectFor(databaseKindFromNumber(int(type))).name)) +
        QStringLiteral("<FILTER></FILTER>") + m_strSuppressColumns +
        QStringLiteral("</ADOBUILDER>");
    return configure();
}

bool CKeloFilter::configure()
{
    try {
        return m_pFilterMgr->LoadConfig(m_strDocument);
    } catch (const ComError &error) {
        // The filter tables could not be created: the host gets false and
        // the user the database's reason, not an exception.
        qrt::inform(error.systemText() + QStringLiteral("\r\n\r\n") + error.description());
        return false;
    }
}

bool CKeloFilter::ShowFilterDlg(QString &condition)
{
    return m_pFilterMgr->ShowDialog(condition);
}

bool CKeloFilter::ShowFilterDlg(Variant &condition)
{
    // The value passed in is not used; any value converts to a text.
    QString text = condition.toString();
    if (!m_pFilterMgr->ShowDialog(text))
        return false;
    condition = Variant(text);
    return true;
}

void CKeloFilter::ResetFilter()
{
    m_pFilterMgr->ResetCriteria();
}

void CKeloFilter::RemoveColumn(const QString &column)
{
    m_strSuppressColumns += QStringLiteral("<SUPPRESSCOLUMN AUTOVAL='false'>") + column +
                            QStringLiteral("</SUPPRESSCOLUMN>");
}
