#include "facade/CKeloForm.h"

#include "data/CTabInfo.h"

namespace {

const QString kDesignModePlaceholder = QStringLiteral("@Designmodus");
const QString kSuppressColumnsPlaceholder = QStringLiteral("@SuppressColumns");
const QString kEmptyFilter = QStringLiteral("<FILTER></FILTER>");
const QString kEmptySort = QStringLiteral("<SORT></SORT>");

// Access keeps its own text; every kind without a text of its own is SQL
// Server, which is what hosts built before SQLite and PostgreSQL expect.
QString dbTypText(ns_qrttypen::KELODBTyp type)
{
    switch (type) {
    case ns_qrttypen::KELO_ACCESS:
        return QStringLiteral("ACCESS");
    case ns_qrttypen::KELO_SQLITE:
        return QStringLiteral("SQLITE");
    case ns_qrttypen::KELO_POSTGRESQL:
        return QStringLiteral("POSTGRESQL");
    default:
        return QStringLiteral("SQLSERVER");
    }
}

QString element(const QString &name, const QString &content)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + content + QStringLiteral("</") + name +
           QLatin1Char('>');
}

} // namespace

quint32 CKeloForm::m_ulTickCount = 0;

void CKeloForm::ClearConString()
{
    CTabInfo::ClearConString();
}

void CKeloForm::RemoveTabFromMap(const QString &table)
{
    CTabInfo::RemoveTabFromMap(table);
}

CKeloForm::CKeloForm() = default;

// A copy takes both texts and starts with no modeless form of its own: only
// the facade that opened a form closes it.
CKeloForm::CKeloForm(const CKeloForm &other)
    : m_document(other.m_document), m_suppressColumns(other.m_suppressColumns)
{}

CKeloForm &CKeloForm::operator=(const CKeloForm &other)
{
    m_document = other.m_document;
    m_suppressColumns = other.m_suppressColumns;
    return *this;
}

void CKeloForm::Init(const QString &database, const QString &server, const QString &user,
                     const QString &password, const QString &formAndTable,
                     ns_qrttypen::KELODBTyp type)
{
    // No white space between the pieces, and the placeholder stands as bare
    // text before the closing tag: the fillings below rely on these exact texts.
    m_document = QStringLiteral("<ADOBUILDER DESIGNMODUS='") + kDesignModePlaceholder +
                 QStringLiteral("'>") + element(QStringLiteral("FORMULARNAME"), formAndTable) +
                 element(QStringLiteral("DBNAME"), database) +
                 element(QStringLiteral("SERVERNAME"), server) +
                 element(QStringLiteral("USERID"), user) +
                 element(QStringLiteral("PASSWORT"), password) +
                 element(QStringLiteral("TABELLENNAME"), formAndTable) +
                 element(QStringLiteral("DBTYP"), dbTypText(type)) + kEmptyFilter + kEmptySort +
                 kSuppressColumnsPlaceholder + QStringLiteral("</ADOBUILDER>");
}

void CKeloForm::RemoveColumn(const QString &column, bool autoValue)
{
    m_suppressColumns += QStringLiteral("<SUPPRESSCOLUMN AUTOVAL=") +
                         (autoValue ? QStringLiteral("'true'>") : QStringLiteral("'false'>")) +
                         column + QStringLiteral("</SUPPRESSCOLUMN>");
}

QString CKeloForm::FilledDocument(EntryPoint entry, const QString &filter,
                                  const QString &sort) const
{
    // The fixed placeholders are filled before the host's filter and sort go
    // in, so that a filter such as "Notiz LIKE '%@SuppressColumns%'" reaches
    // the form as the host wrote it.
    QString filled = m_document;
    filled.replace(kDesignModePlaceholder, entry == EntryPoint::DesignForm
                                               ? QStringLiteral("true")
                                               : QStringLiteral("false"));
    filled.replace(kSuppressColumnsPlaceholder, m_suppressColumns);
    switch (entry) {
    case EntryPoint::ShowForm:
        filled.replace(kEmptyFilter, element(QStringLiteral("FILTER"), filter));
        filled.replace(kEmptySort, element(QStringLiteral("SORT"), sort));
        break;
    case EntryPoint::OpenForm:
        // A modeless form is re-filtered by the host but never re-sorted.
        filled.replace(kEmptyFilter, element(QStringLiteral("FILTER"), filter));
        break;
    case EntryPoint::DesignForm:
        // The editor shows no records, so there is nothing to filter or sort.
        break;
    }
    return filled;
}
