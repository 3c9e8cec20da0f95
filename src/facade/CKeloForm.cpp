#include "facade/CKeloForm.h"

#include "data/CTabInfo.h"
#include "facade/ConfigDocument.h"
#include "platform/QtGerman.h"
#include "platform/UserMessages.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "runtime/RecordExport.h"
#include "runtime/RecordPrint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QPixmap>

namespace {

const QString kDesignModePlaceholder = QStringLiteral("@Designmodus");
const QString kSuppressColumnsPlaceholder = QStringLiteral("@SuppressColumns");
const QString kEmptyFilter = QStringLiteral("<FILTER></FILTER>");
const QString kEmptySort = QStringLiteral("<SORT></SORT>");

} // namespace

quint32 CKeloForm::m_ulTickCount = 0;

QString CKeloForm::DocumentText(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    return escaped.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
}

void CKeloForm::ClearConString()
{
    CTabInfo::ClearConString();
}

void CKeloForm::RemoveTabFromMap(const QString &table)
{
    CTabInfo::RemoveTabFromMap(table);
}

void CKeloForm::setQtTranslationEnabled(bool enabled)
{
    qrt::setQtGermanEnabled(enabled);
}

bool CKeloForm::isQtTranslationEnabled()
{
    return qrt::isQtGermanEnabled();
}

CKeloForm::CKeloForm() = default;

CKeloForm::~CKeloForm()
{
    CloseForm();
}

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
        filled.replace(kEmptyFilter, ConfigDocument::element(QStringLiteral("FILTER"), filter));
        filled.replace(kEmptySort, ConfigDocument::element(QStringLiteral("SORT"), sort));
        break;
    case EntryPoint::OpenForm:
        // A modeless form is re-filtered by the host but never re-sorted.
        filled.replace(kEmptyFilter, ConfigDocument::element(QStringLiteral("FILTER"), filter));
        break;
    case EntryPoint::DesignForm:
        // The editor shows no records, so there is nothing to filter or sort.
        break;
    }
    return filled;
}

bool CKeloForm::requireDocument() const
{
    if (!m_document.isEmpty())
        return true;
    qrt::inform(QStringLiteral("Ungültige Datenbankparameter gesetzt!"));
    return false;
}

long CKeloForm::ShowForm(const QString &filter, const QString &sort, bool newRecord)
{
    m_ulTickCount = 0;
    if (!requireDocument())
        return -1;
    qrt::ensureQtGerman();
    CFormDlg dialog(FilledDocument(EntryPoint::ShowForm, filter, sort), newRecord);
    // A form that could not be built has said why; an empty window with
    // commands that do nothing would only wait to be closed.
    CFormFrame *host = dialog.GetFormHost();
    m_lastBuilt = host != nullptr;
    if (!host)
        return -1;
    if (m_datasheetView)
        host->setView(CFormFrame::View::Datasheet);
    dialog.exec();
    // Read before the dialog goes: the host's key of the first record saved.
    return host->GetFirstUpdateKey();
}

void CKeloForm::OpenForm(const QString &filter, QWidget *parent)
{
    qrt::ensureQtGerman();
    if (m_pModeless) {
        // The open form takes the new filter (offering to save a changed
        // record first) and shows the record it then stands on.
        if (CFormFrame *host = m_pModeless->GetFormHost())
            host->ChangeFilter(filter);
    } else {
        if (!requireDocument())
            return;
        m_pModeless = new CFormDlg(
            FilledDocument(EntryPoint::OpenForm, filter), false, [this] { CloseForm(); }, parent);
        m_lastBuilt = m_pModeless->GetFormHost() != nullptr;
        if (!m_lastBuilt) {
            CloseForm();
            return;
        }
        if (m_datasheetView)
            m_pModeless->GetFormHost()->setView(CFormFrame::View::Datasheet);
        m_pModeless->show();
    }
    EnableForm(true);
}

void CKeloForm::DesignForm()
{
    if (!requireDocument())
        return;
    qrt::ensureQtGerman();
    CFormDlg dialog(FilledDocument(EntryPoint::DesignForm), false);
    m_lastBuilt = dialog.GetFormHost() != nullptr;
    if (m_lastBuilt)
        dialog.exec();
}

CKeloForm::Picture CKeloForm::SavePicture(const QString &file, EntryPoint entry,
                                          const QString &filter, const QString &sort,
                                          bool newRecord)
{
    m_lastBuilt = false;
    if (!requireDocument())
        return Picture::FormNotBuilt;
    qrt::ensureQtGerman();
    CFormDlg dialog(FilledDocument(entry, filter, sort),
                    newRecord && entry != EntryPoint::DesignForm);
    m_lastBuilt = dialog.GetFormHost() != nullptr;
    if (!m_lastBuilt)
        return Picture::FormNotBuilt;
    if (m_datasheetView && entry != EntryPoint::DesignForm)
        dialog.GetFormHost()->setView(CFormFrame::View::Datasheet);
    dialog.show();
    QCoreApplication::processEvents();
    dialog.updatePosition(true); // the picture shows the exact count
    // The tool bar makes room for the new text in a layout pass of its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const bool saved = dialog.grab().toImage().save(file, "PNG");
    // The dialog goes without a question: nothing was changed.
    return saved ? Picture::Saved : Picture::NotSaved;
}

CKeloForm::Export CKeloForm::WriteRecords(const QString &filter, const QString &sort,
                                          const std::function<bool(CFormMgr &)> &write)
{
    m_lastBuilt = false;
    if (!requireDocument())
        return Export::FormNotBuilt;
    qrt::ensureQtGerman();
    CFormDlg dialog(FilledDocument(EntryPoint::ShowForm, filter, sort), false);
    m_lastBuilt = dialog.GetFormHost() != nullptr && dialog.GetFormHost()->GetFormMgr();
    if (!m_lastBuilt)
        return Export::FormNotBuilt;
    return write(*dialog.GetFormHost()->GetFormMgr()) ? Export::Written : Export::NotWritten;
}

CKeloForm::Export CKeloForm::ExportRecords(const QString &file, bool forPrograms,
                                           const QString &filter, const QString &sort,
                                           QString *error)
{
    return WriteRecords(filter, sort, [&](CFormMgr &form) {
        return RecordExport::toCsv(form, file,
                                   forPrograms ? RecordExport::Format::Program
                                               : RecordExport::Format::Spreadsheet,
                                   {}, error) == RecordExport::Result::Written;
    });
}

CKeloForm::Export CKeloForm::WritePdf(const QString &file, PdfContent content,
                                      const QString &filter, const QString &sort, QString *error)
{
    const RecordPrint::Scope scope =
        content == PdfContent::CurrentRecord ? RecordPrint::Scope::Current
        : content == PdfContent::EachRecord  ? RecordPrint::Scope::EachRecord
                                             : RecordPrint::Scope::List;
    return WriteRecords(filter, sort, [&](CFormMgr &form) {
        return RecordPrint::toPdf(form, file, scope, {}, error) == RecordPrint::Result::Written;
    });
}

void CKeloForm::CloseForm()
{
    delete m_pModeless.data();
    m_pModeless.clear();
}

void CKeloForm::EnableForm(bool enable)
{
    if (!m_pModeless)
        return;
    if (CFormFrame *host = m_pModeless->GetFormHost())
        host->EnableForm(enable);
}

bool CKeloForm::IsOpen() const
{
    return !m_pModeless.isNull();
}

CFormDlg *CKeloForm::modelessDialog() const
{
    return m_pModeless.data();
}

QWidget *CKeloForm::modelessWindow() const
{
    return m_pModeless.data();
}
