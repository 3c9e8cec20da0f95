#include "runtime/CFormMgr.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"
#include "controls/CDynSubform.h"
#include "data/CAdoDataMgr.h"
#include "data/ConnectionShare.h"
#include "dialogs/CTabOrderDlg.h"
#include "filter/CFilterMgr.h"
#include "formdef/CAdoFormBuilder.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormParent.h"
#include "runtime/FormEditor.h"
#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <QApplication>
#include <QDomNodeList>
#include <QInputDialog>
#include <QLineEdit>
#include <QUndoStack>
#include <algorithm>

#include <algorithm>

namespace {

// The first field in the form's order that takes the keyboard (a caption or
// a frame never does); null when there is none.
QWidget *firstField(const QVector<CDynControl *> &controls)
{
    for (const CDynControl *control : controls) {
        QWidget *window = control->GetWindow();
        if (window && !window->isHidden() && window->focusPolicy() != Qt::NoFocus &&
            window->isEnabled())
            return window;
    }
    return nullptr;
}

// A caption as a name to announce: "&Name:" is "Name".
QString spokenCaption(const QString &caption)
{
    QString text = caption;
    text.remove(QLatin1Char('&'));
    text = text.simplified();
    while (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}

// Gives every field the name a screen reader announces for it: the text of
// its label ("Name:" for the column name), or, where it has none, the title
// of the frame it stands in. Without either it keeps its column's name; a
// check box has its own caption.
void nameFieldsAfterLabels(const CForm &form)
{
    for (CDynControl *control : form.controls()) {
        QWidget *window = control->GetWindow();
        if (!window ||
            (control->kind() != ControlKind::Edit && control->kind() != ControlKind::DateTime))
            continue;
        QString spoken;
        if (const CDynControl *label =
                form.findControl(control->GetName() + CDynControl::NameSuffix(ControlKind::Static)))
            spoken = spokenCaption(label->GetCaption());
        // A heading names the field, a frame's title only says where it is.
        control->SetLabelCaption(spoken);
        if (spoken.isEmpty()) {
            for (const CDynControl *frame : form.controls()) {
                if (frame->kind() == ControlKind::Frame &&
                    frame->GetRect().contains(control->GetRect())) {
                    spoken = spokenCaption(frame->GetCaption());
                    // The title of a frame around this field alone is its
                    // heading ("Notiz"); around several it only says where
                    // they are ("Anschrift"), and the field keeps its name.
                    const auto inside =
                        std::count_if(form.controls().begin(), form.controls().end(),
                                      [frame](const CDynControl *other) {
                                          return other->CarriesValue() &&
                                                 frame->GetRect().contains(other->GetRect());
                                      });
                    if (inside == 1)
                        control->SetLabelCaption(spoken);
                    break;
                }
            }
        }
        if (!spoken.isEmpty())
            window->setAccessibleName(spoken);
    }
}

// The fields by the names the user knows them by, for the records' messages.
QHash<QString, QString> fieldCaptions(const CForm &form)
{
    QHash<QString, QString> captions;
    for (const CDynControl *control : form.controls()) {
        if (control->CarriesValue())
            captions.insert(control->GetName(), control->FieldCaption());
    }
    return captions;
}

} // namespace

CFormMgr::CFormMgr() = default;

CFormMgr::~CFormMgr()
{
    // The records go before the form: nothing of the form is read while the
    // data manager closes.
    m_pDataMgr.reset();
    m_pBuilder.reset();
}

bool CFormMgr::CreateForm(CFormParent *host, const QString &document, bool newRecord)
{
    m_pDataMgr.reset();
    m_pBuilder.reset(); // the old form window goes with its builder
    m_pHost = host;
    m_strDocument = document;
    m_bDesignMode = false;
    m_pForm = nullptr;
    m_bNewRecord = newRecord;
    QWidget *owner = host ? host->GetWnd() : nullptr;

    CXmlHelper xml;
    if (!xml.loadXml(document)) {
        qrt::inform(xml.parseError(), owner, UserMessages::Severity::Error);
        return false;
    }
    const QDomNodeList roots = xml.getXmlDocument().elementsByTagName(QStringLiteral("ADOBUILDER"));
    const QDomElement root = roots.isEmpty() ? QDomElement() : roots.at(0).toElement();
    if (root.isNull() || !root.hasAttribute(QStringLiteral("DESIGNMODUS"))) {
        qrt::inform(
            QStringLiteral("CFormMgr::CreateForm: Ungültige CreateInfo-Struktur für Formular!"),
            owner);
        return false;
    }
    // Exactly "true": "TRUE" opens the form in data mode.
    m_bDesignMode = root.attribute(QStringLiteral("DESIGNMODUS")) == QLatin1String("true");

    // The builder, the records and their filter: one database session.
    const auto sessions = std::make_shared<ConnectionShare>();
    auto builder = std::make_unique<CAdoFormBuilder>();
    builder->setConnectionShare(sessions);
    m_pBuilder = std::move(builder);
    FormWindow *form = m_pBuilder->CreateForm(host, m_bDesignMode, document);
    if (!form)
        return false; // the builder has said why
    m_pForm = static_cast<CForm *>(form);

    if (!m_bDesignMode) {
        auto records = std::make_unique<CAdoDataMgr>(std::make_unique<CFilterMgr>());
        records->setConnectionShare(sessions);
        records->SetDialogParent(owner);
        m_pDataMgr = std::move(records);
        m_pDataMgr->Open(document, newRecord);
        FillForm();
        nameFieldsAfterLabels(*m_pForm);
        m_pDataMgr->SetFieldCaptions(fieldCaptions(*m_pForm));
    }
    ResizeForm();
    if (m_bDesignMode) {
        m_storedWindowRect = host->GetWindowRect();
        m_pForm->setFocus();
    } else if (QWidget *field = firstField(m_pForm->controls())) {
        // The user types into the first field as soon as the form is up.
        field->setFocus();
    }
    return true;
}

void CFormMgr::focusField(const QString &column) const
{
    if (m_pHost && m_pHost->putCursorInColumn(column))
        return;
    const CDynControl *control =
        m_pForm && !column.isEmpty() ? m_pForm->findControl(column) : nullptr;
    QWidget *field = control ? control->GetWindow() : nullptr;
    if (!field || !field->isVisible())
        return;
    field->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
}

QString CFormMgr::focusedColumn() const
{
    if (m_pHost) {
        if (const QString column = m_pHost->cursorColumn(); !column.isEmpty())
            return column;
    }
    const QWidget *focus = QApplication::focusWidget();
    if (!m_pForm || !focus)
        return QString();
    for (const CDynControl *control : m_pForm->controls()) {
        const QWidget *field = control->GetWindow();
        if (field && (field == focus || field->isAncestorOf(focus)))
            return control->GetName();
    }
    return QString();
}

void CFormMgr::ReCreateForm(bool keepDefinition)
{
    CXmlHelper xml;
    (void)xml.loadXml(m_strDocument);
    const QString name = xml.getItemText(QStringLiteral("ADOBUILDER/FORMULARNAME"));
    if (name.isEmpty()) {
        qrt::inform(QStringLiteral("Formular nicht gefunden!"),
                    m_pHost ? m_pHost->GetWnd() : nullptr);
        return;
    }
    if (!keepDefinition && m_pBuilder)
        m_pBuilder->DeleteForm(name);
    CreateForm(m_pHost, m_strDocument, m_bNewRecord);
    if (m_pForm)
        m_pForm->update();
    if (m_pHost && m_pHost->GetWnd())
        m_pHost->GetWnd()->update();
}

void CFormMgr::FillForm()
{
    if (!m_pForm || !m_pDataMgr)
        return;
    const QVector<CDynControl *> &controls = m_pForm->controls();
    if (!m_pDataMgr->HasRecord()) {
        // A new record shows what it will store: the constant defaults of
        // its columns; every other field is empty (a yes/no that takes Null
        // "unknown").
        RecordText::Fields defaults;
        const QString defaultsXml = m_pDataMgr->GetDefaultsXml();
        if (!defaultsXml.isEmpty())
            (void)RecordText::read(defaultsXml, &defaults);
        for (CDynControl *control : controls) {
            control->SetRecordText(defaults.value(control->GetName()));
            control->SetModified(false);
        }
        // A new record starts at its first field (not at a caption or a
        // frame that happens to come first in the list).
        if (QWidget *field = firstField(controls); field && (!m_pHost || m_pHost->showsFields()))
            field->setFocus();
        if (m_pHost)
            m_pHost->recordChanged();
        return;
    }
    const QString record = m_pDataMgr->GetRecordXml();
    RecordText::Fields fields;
    QString reason;
    if (!RecordText::read(record, &fields, &reason)) {
        qrt::inform(QStringLiteral("Der folgende Datensatz ist ungültig:\r\n\r\n") + record +
                        QStringLiteral("\r\n\r\nUrsache: ") + reason,
                    m_pHost ? m_pHost->GetWnd() : nullptr);
        return;
    }
    // A Null field has no attribute and reads as the empty text.
    for (CDynControl *control : controls) {
        control->SetRecordText(fields.value(control->GetName()));
        control->SetModified(false);
    }
    if (m_pHost)
        m_pHost->recordChanged();
}

bool CFormMgr::SaveData()
{
    for (const Dependent &dependent : m_dependents) {
        if (!dependent(false, false))
            return false;
    }
    if (!m_pForm || !m_pDataMgr)
        return true;
    if (!m_pForm->isAnyControlModified())
        return true;
    for (bool again = false;; again = true) {
        try {
            if (!writeRecord())
                return false;
            break;
        } catch (const ComError &error) {
            if (error.code() != DB_E_CONCURRENCYVIOLATION)
                throw;
            if (!resolveConflicts(error, again))
                return false; // nothing saved; the entries stay
            if (!m_pForm->isAnyControlModified()) {
                // Every change gave way to the stored value: the form shows
                // the row as it is stored now, with nothing left to save.
                m_pDataMgr->Undo();
                FillForm();
                return true;
            }
            // A value changed again meanwhile fails the next write again.
        }
    }
    if (m_pHost)
        m_pHost->recordSaved(m_pDataMgr->GetLastUpdateKey());
    // The save has read the row again: the form shows it as stored now,
    // with what the engine computed and what another user changed in the
    // fields this user left alone. A field still showing the older text
    // would be saved later over that change without anyone being told.
    FillForm();
    return true;
}

bool CFormMgr::writeRecord()
{
    QWidget *owner = m_pHost ? m_pHost->GetWnd() : nullptr;
    RecordText::Fields fields;
    if (!RecordText::read(m_pDataMgr->GetRecordXml(), &fields)) {
        qrt::inform(QStringLiteral("Ungültiger Datenstrom übergeben!"), owner);
        return false;
    }
    // Only what the user changed goes back changed: every other field keeps
    // the text it was shown with, which the data manager reads as "leave the
    // stored value as it is" (a long text, a rounded amount, a date with a
    // time of day all stay exactly as stored).
    for (CDynControl *control : m_pForm->controls()) {
        if (!control->IsModified())
            continue;
        QString text;
        QString problem;
        if (control->GetRecordText(&text, &problem)) {
            fields.set(control->GetName(), text);
        } else if (!problem.isEmpty()) {
            // What the user typed is no value of the field: nothing is
            // written, and the user is back in the field with the text.
            control->Refuse(problem);
            if (m_pHost)
                m_pHost->putCursorInColumn(control->GetName()); // a datasheet's cell
            return false;
        }
    }
    if (!m_pDataMgr->WriteRecord(RecordText::write(fields))) {
        // The records have said why; the user goes to the field concerned
        // and the controls keep their values.
        focusField(m_pDataMgr->RefusedField());
        return false;
    }
    return true;
}

bool CFormMgr::resolveConflicts(const ComError &error, bool again)
{
    const QVector<CDataMgr::FieldConflict> conflicts = m_pDataMgr->Conflicts();
    if (conflicts.isEmpty())
        throw error;
    QVector<UserMessages::Conflict> shown;
    QVector<CDynControl *> controls;
    for (const CDataMgr::FieldConflict &conflict : conflicts) {
        CDynControl *control = m_pForm->findControl(conflict.column);
        QString yours;
        QString problem;
        // Only a field the user changed conflicts; anything else is told
        // as the records said it.
        if (!control || !control->GetRecordText(&yours, &problem))
            throw error;
        shown.append({control->FieldCaption(), control->ShownText(yours),
                      control->ShownText(conflict.stored), control->ShownText(conflict.before)});
        controls << control;
    }
    const QString text =
        (again ? QStringLiteral("Während Sie gewählt haben, hat ein anderer Benutzer den "
                                "Datensatz erneut gespeichert.")
               : QStringLiteral("Ein anderer Benutzer hat diesen Datensatz gespeichert, während "
                                "Sie ihn bearbeitet haben.")) +
        QStringLiteral(" Wählen Sie für jedes Feld, welcher Wert gespeichert werden soll.");
    QVector<UserMessages::Keep> choices;
    if (!qrt::resolveConflicts(text, shown, &choices, m_pHost ? m_pHost->GetWnd() : nullptr) ||
        choices.size() != conflicts.size())
        return false;
    // The stored values become what the user was shown; a field that takes
    // the stored value shows it and is no longer the user's change.
    m_pDataMgr->AcceptStoredValues();
    for (int i = 0; i < conflicts.size(); ++i) {
        if (choices.at(i) == UserMessages::Keep::Stored)
            controls.at(i)->SetRecordText(conflicts.at(i).stored);
    }
    return true;
}

bool CFormMgr::SaveCurRecord(bool mayCancel)
{
    for (const Dependent &dependent : m_dependents) {
        if (!dependent(true, mayCancel))
            return false;
    }
    if (m_pHost && !m_pHost->IsEnabled())
        return true; // a disabled form never saves
    if (!m_pForm || !m_pForm->isAnyControlModified())
        return true;
    const QString question = QStringLiteral("Den aktuellen Datensatz speichern?");
    QWidget *owner = m_pHost ? m_pHost->GetWnd() : nullptr;
    switch (mayCancel ? qrt::askYesNoCancel(question, owner) : qrt::askYesNo(question, owner)) {
    case UserMessages::Answer::Yes:
        return SaveData();
    case UserMessages::Answer::No:
        return true; // the changes go with the next FillForm
    case UserMessages::Answer::Cancel:
    case UserMessages::Answer::Ok:
        break;
    }
    return false;
}

template <typename Step> void CFormMgr::afterSaving(Step step)
{
    if (!m_pDataMgr || !SaveCurRecord())
        return;
    step(*m_pDataMgr);
    FillForm();
}

void CFormMgr::MovePrevious()
{
    afterSaving([](CDataMgr &records) { records.MovePrevious(); });
}

void CFormMgr::MoveNext()
{
    afterSaving([](CDataMgr &records) { records.MoveNext(); });
}

void CFormMgr::MoveFirst()
{
    afterSaving([](CDataMgr &records) { records.MoveFirst(); });
}

void CFormMgr::MoveLast()
{
    afterSaving([](CDataMgr &records) { records.MoveLast(); });
}

void CFormMgr::MoveTo(qint64 number)
{
    afterSaving([number](CDataMgr &records) { records.MoveTo(number); });
}

void CFormMgr::FilterData()
{
    afterSaving([](CDataMgr &records) { records.FilterDialog(); });
}

void CFormMgr::RemoveFilter()
{
    afterSaving([](CDataMgr &records) { records.RemoveFilter(); });
}

void CFormMgr::SetFixedValue(const QString &column, const QString &value)
{
    afterSaving([&](CDataMgr &records) { records.SetFixedValue(column, value); });
}

void CFormMgr::ChangeFilter(const QString &filter)
{
    afterSaving([&filter](CDataMgr &records) { records.ChangeFilter(filter); });
}

QString CFormMgr::commandColumn(const QString &field) const
{
    const QString column = focusedColumn();
    if (column.isEmpty())
        qrt::inform(
            QStringLiteral("Bitte setzen Sie den Cursor zuerst in das Feld, %1.").arg(field),
            m_pHost ? m_pHost->GetWnd() : nullptr, UserMessages::Severity::Information);
    return column;
}

void CFormMgr::FilterBySelection(bool exclude)
{
    const QString column = commandColumn(QStringLiteral("nach dessen Wert gefiltert werden soll"));
    if (column.isEmpty())
        return;
    afterSaving(
        [&column, exclude](CDataMgr &records) { records.FilterBySelection(column, exclude); });
    focusField(column);
}

CDataMgr::FindResult CFormMgr::Find(CDataMgr::FindRequest request)
{
    if (!m_pDataMgr || !m_pForm || !SaveCurRecord())
        return CDataMgr::FindResult::NotFound;
    if (request.columns.isEmpty()) {
        for (const CDynControl *control : m_pForm->controls()) {
            if (control->CarriesValue())
                request.columns << control->GetName();
        }
    }
    const CDataMgr::FindResult result = m_pDataMgr->Find(request);
    if (result != CDataMgr::FindResult::NotFound)
        FillForm();
    return result;
}

QString CFormMgr::fieldCaption(const QString &column) const
{
    const CDynControl *control =
        m_pForm && !column.isEmpty() ? m_pForm->findControl(column) : nullptr;
    return control ? control->FieldCaption() : column;
}

void CFormMgr::SortByFocusedField(bool descending)
{
    const QString column = commandColumn(QStringLiteral("nach dem sortiert werden soll"));
    if (column.isEmpty())
        return;
    SortBy(column, descending);
    focusField(column); // where the user was, to sort the other way or move on
}

void CFormMgr::SortBy(const QString &column, bool descending)
{
    afterSaving([&column, descending](CDataMgr &records) { records.SortBy(column, descending); });
}

void CFormMgr::RemoveSort()
{
    const QString column = focusedColumn();
    afterSaving([](CDataMgr &records) { records.RemoveSort(); });
    focusField(column);
}

bool CFormMgr::InsertData()
{
    if (!m_pDataMgr || !SaveCurRecord())
        return false;
    if (!m_pDataMgr->AddRecord())
        return false;
    FillForm();
    return true;
}

bool CFormMgr::DeleteData()
{
    if (!m_pDataMgr)
        return false;
    // Read before the row goes: a new row that was never stored is only
    // dropped, and no host hears of a deletion then.
    const bool stored = !m_pDataMgr->GetPosition(false).newRecord;
    const qint64 key = m_pDataMgr->GetCurrentKey();
    if (!m_pDataMgr->DeleteRecord())
        return false;
    if (stored && m_pHost)
        m_pHost->recordDeleted(key);
    if (!m_pDataMgr->HasRecord()) {
        // The last record went, and the records stand behind their end,
        // where nothing typed could be saved: the form shows the record
        // before it, or a new one when none is left.
        m_pDataMgr->MovePrevious();
        if (!m_pDataMgr->HasRecord())
            m_pDataMgr->AddRecord();
    }
    FillForm();
    return true;
}

bool CFormMgr::DeleteRecords(const QVector<QVariantList> &keys, const QVariantList &then)
{
    if (!m_pDataMgr || !m_pDataMgr->DeleteRecords(keys, then))
        return false;
    for (const QVariantList &key : keys) {
        bool whole = false;
        const qint64 number = key.size() == 1 ? key.constFirst().toLongLong(&whole) : -1;
        if (m_pHost)
            m_pHost->recordDeleted(whole ? number : -1);
    }
    if (!m_pDataMgr->HasRecord() && !m_pDataMgr->GetPosition(false).newRecord)
        m_pDataMgr->AddRecord(); // none left
    FillForm();
    return true;
}

void CFormMgr::Undo()
{
    if (!m_pDataMgr)
        return;
    // Nothing typed, nothing to lose: no question (the stored row is shown
    // again all the same).
    const bool changed = !m_pForm || m_pForm->isAnyControlModified();
    if (changed &&
        qrt::askYesNo(QStringLiteral("Änderungen an diesem Satz wirklich rückgängig machen?"),
                      m_pHost ? m_pHost->GetWnd() : nullptr,
                      UserMessages::Consequence::Destructive) != UserMessages::Answer::Yes)
        return;
    m_pDataMgr->Undo();
    FillForm();
}

long CFormMgr::GetLastUpdateKey()
{
    return m_pDataMgr ? m_pDataMgr->GetLastUpdateKey() : -1;
}

void CFormMgr::Ausrichten(AUSRICHTUNG direction, bool toRaster)
{
    if (m_pForm)
        m_pForm->Align(int(direction), toRaster);
}

void CFormMgr::ResizeForm()
{
    if (!m_pForm)
        return;
    const QRect extent = m_pForm->calcExtent();
    if (m_pHost && m_pHost->GetWnd()) {
        FormSizeEvent event(m_bDesignMode, extent.size());
        QApplication::sendEvent(m_pHost->GetWnd(), &event);
    }
    m_pForm->resize(extent.size().expandedTo(
        m_pForm->parentWidget() ? m_pForm->parentWidget()->size() : extent.size()));
}

bool CFormMgr::SaveForm()
{
    if (!m_pBuilder || !m_pBuilder->SaveForm())
        return false;
    if (QUndoStack *history = m_pForm ? m_pForm->undoStack() : nullptr)
        history->setClean();
    if (m_pHost)
        m_storedWindowRect = m_pHost->GetWindowRect();
    return true;
}

bool CFormMgr::HasUnsavedLayout() const
{
    if (!m_pBuilder || !m_pForm)
        return false;
    const QUndoStack *history = m_pForm->undoStack();
    return !m_pBuilder->IsStored() || (history && !history->isClean()) ||
           (m_pHost && m_pHost->GetWindowRect() != m_storedWindowRect);
}

void CFormMgr::ChangeTabOrder()
{
    if (!m_pForm || !m_pBuilder)
        return;
    // Whatever the dialog adds, removes and orders is one change to undo.
    FormChange change(*m_pForm, QStringLiteral("Felder anordnen"));
    CTabOrderDlg dialog(m_pForm, m_pBuilder.get(), m_pHost ? m_pHost->GetWnd() : nullptr);
    if (dialog.exec() != QDialog::Accepted)
        return;
    change.keepListedOrder(); // the user has fixed the fields' order
    ResizeForm();
}

void CFormMgr::AddStatic()
{
    addDrawnElement(ControlKind::Static);
}

void CFormMgr::AddSubform(QWidget *owner)
{
    if (!m_pForm || !m_pBuilder)
        return;
    const QVector<SubformSetting> candidates = m_pBuilder->ReferringTables();
    if (candidates.isEmpty()) {
        qrt::inform(QStringLiteral("Keine Tabelle verweist auf diese: ein Unterformular zeigt die "
                                   "Datensätze einer Tabelle, deren Fremdschlüssel auf die "
                                   "Datensätze dieses Formulars verweist."),
                    owner);
        return;
    }
    SubformSetting chosen = candidates.constFirst();
    if (candidates.size() > 1) {
        QStringList items;
        for (const SubformSetting &candidate : candidates)
            items << QStringLiteral("%1 (über %2)").arg(candidate.table, candidate.link);
        bool ok = false;
        const QString item =
            QInputDialog::getItem(owner, QStringLiteral("Unterformular einfügen"),
                                  QStringLiteral("&Datensätze der Tabelle:"), items, 0, false, &ok);
        if (!ok)
            return;
        chosen = candidates.at(items.indexOf(item));
    }
    FormChange change(*m_pForm, QStringLiteral("Unterformular einfügen"));
    CDynControl *control = m_pBuilder->AddSubform(chosen);
    if (FormEditor *editor = m_pForm->editor(); editor && control)
        editor->selectOnly({control});
    m_pForm->repaint();
}

void CFormMgr::AddFrame()
{
    addDrawnElement(ControlKind::Frame);
}

void CFormMgr::addDrawnElement(ControlKind kind)
{
    if (!m_pForm || !m_pBuilder)
        return;
    const QRect drawn = m_pForm->TakeDrawnRect();
    // Nothing drawn, or the form went while the user drew (nothing of this
    // manager is touched then).
    if (drawn.width() <= 0 || drawn.height() <= 0)
        return;
    FormChange change(*m_pForm, kind == ControlKind::Static ? QStringLiteral("Überschrift einfügen")
                                                            : QStringLiteral("Rahmen einfügen"));
    // A new caption or frame is named after a new field name, so that its
    // own name ("FELD_1012_TITEL") is unique on the form.
    const QString caption = m_pBuilder->NewFieldName();
    CDynControl *control = kind == ControlKind::Static
                               ? static_cast<CDynControl *>(m_pBuilder->AddStatic(caption))
                               : static_cast<CDynControl *>(m_pBuilder->AddFrame(caption));
    if (!control)
        return;
    control->MoveTo(drawn.left(), drawn.top(), drawn.left() + drawn.width(),
                    drawn.top() + drawn.height());
    m_pBuilder->PlaceControl(kind, caption);
    // The new element is what the user works on next.
    if (FormEditor *editor = m_pForm->editor())
        editor->selectOnly({control});
    m_pForm->repaint();
}
