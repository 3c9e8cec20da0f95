#include "facade/CKeloForm.h"

#include "data/CTabInfo.h"
#include "facade/ConfigDocument.h"

namespace {

const QString kDesignModePlaceholder = QStringLiteral("@Designmodus");
const QString kSuppressColumnsPlaceholder = QStringLiteral("@SuppressColumns");
const QString kEmptyFilter = QStringLiteral("<FILTER></FILTER>");
const QString kEmptySort = QStringLiteral("<SORT></SORT>");

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
    m_document = ConfigDocument::compose(database, server, user, password, formAndTable, type,
                                         kEmptySort + kSuppressColumnsPlaceholder);
}

void CKeloForm::RemoveColumn(const QString &column, bool autoValue)
{
    m_suppressColumns += ConfigDocument::suppressColumn(column, autoValue);
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
