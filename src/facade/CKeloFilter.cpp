#include "facade/CKeloFilter.h"

#include "data/component/Variant.h"
#include "facade/ConfigDocument.h"
#include "filter/CFilterMgr.h"
#include "platform/QtGerman.h"

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
    m_strDocument = ConfigDocument::compose(database, server, user, password, table, type,
                                            m_strSuppressColumns);
    return configure();
}

bool CKeloFilter::configure()
{
    // Failing to create the filter tables is reported there, not thrown.
    return m_pFilterMgr->configure(m_strDocument);
}

bool CKeloFilter::ShowFilterDlg(QString &condition)
{
    qrt::ensureQtGerman();
    return m_pFilterMgr->ShowDialog(condition);
}

bool CKeloFilter::ShowFilterDlg(Variant &condition)
{
    // The value passed in is not used; any value converts to a text.
    QString text = condition.toString();
    if (!ShowFilterDlg(text))
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
    m_strSuppressColumns += ConfigDocument::suppressColumn(column, false);
}
