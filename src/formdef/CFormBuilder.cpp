#include "formdef/CFormBuilder.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynComboBox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynFrame.h"
#include "controls/CDynPicture.h"
#include "controls/CDynStatic.h"
#include "controls/CDynSubform.h"
#include "formdef/FormHost.h"
#include "formdef/FormWindow.h"
#include "platform/UserMessages.h"

namespace {

// A description at the corner given, asking for automatic sizing.
ControlDescription automatic(const QPoint &corner, const QString &caption, int textLength,
                             unsigned flags)
{
    ControlDescription description;
    description.left = corner.x();
    description.top = corner.y();
    description.right = -1;
    description.bottom = -1;
    description.textLength = textLength;
    description.caption = caption;
    description.maxLength = -1;
    description.flags = flags;
    return description;
}

ControlDescription fromRecord(const ControlInfo &stored)
{
    ControlDescription description;
    description.left = stored.left;
    description.top = stored.top;
    description.right = stored.right;
    description.bottom = stored.bottom;
    description.textLength = 0;
    description.caption = stored.caption;
    description.name = stored.name;
    description.font = stored.font;
    description.flags = stored.flags;
    return description;
}

qint16 fieldLength(int maxLength)
{
    return maxLength > 0 && maxLength <= CFormBuilder::kMaxFieldLength ? qint16(maxLength) : 0;
}

} // namespace

CFormBuilder::CFormBuilder() = default;

CFormBuilder::~CFormBuilder()
{
    Clear();
}

FormWindow *CFormBuilder::CreateForm(FormHost *host, bool designMode, const QString &)
{
    m_designMode = designMode;
    Clear();
    m_host = host;
    if (!host)
        return nullptr;
    m_form = host->CreateFormWindow(designMode);
    m_formWidget = m_form ? m_form->formWidget() : nullptr;
    return m_form.get();
}

FormWindow *CFormBuilder::GetForm() const
{
    return m_formWidget ? m_form.get() : nullptr;
}

void CFormBuilder::Clear()
{
    m_nextId = 1000;
    if (FormWindow *form = GetForm())
        form->clearControls();
    // The controls go before the form window: a selected control's tracker
    // belongs to the form window's editor.
    m_controls.clear();
    if (!m_formWidget)
        (void)m_form.release(); // deleted with the host's window already
    m_form.reset();
    m_formWidget = nullptr;
}

CDynControl *CFormBuilder::FindControl(const QString &name) const
{
    for (const auto &control : m_controls) {
        if (control->GetName() == name)
            return control.get();
    }
    return nullptr;
}

void CFormBuilder::AnnounceMissing(const QString &name) const
{
    qrt::inform(QStringLiteral("Das Feld ") + name + QStringLiteral(" hat keinen Bezug mehr ") +
                    QStringLiteral("zur Datenquelle und wurde ignoriert!"),
                MessageOwner());
}

QWidget *CFormBuilder::MessageOwner() const
{
    return m_host ? m_host->GetWnd() : nullptr;
}

void CFormBuilder::PlaceControlAt(const QString &name, int left, int top, int right, int bottom)
{
    CDynControl *control = FindControl(name);
    FormWindow *form = GetForm();
    if (!control || !form) {
        AnnounceMissing(name);
        return;
    }
    control->MoveTo(left, top, right, bottom);
    form->addControl(*control);
}

void CFormBuilder::PlaceOnNewRow(CDynControl &field)
{
    FormWindow *form = GetForm();
    if (!form)
        return;
    const auto moveToNextRow = [this](CDynControl &control) {
        const QPoint start = NextRowStart();
        const QRect place = control.GetRect();
        control.MoveTo(start.x(), start.y(), start.x() + place.width(), start.y() + place.height());
    };
    if (CDynControl *label =
            FindControl(field.GetCaption() + CDynControl::NameSuffix(ControlKind::Static))) {
        moveToNextRow(*label);
        form->addControl(*label);
        const int fieldLeft = label->Right() + m_horizontalGap;
        field.MoveTo(fieldLeft, label->Top(), fieldLeft + field.GetRect().width(), label->Bottom());
    } else {
        moveToNextRow(field);
    }
    form->addControl(field);
}

void CFormBuilder::PlaceControl(ControlKind kind, const QString &column)
{
    if (kind == ControlKind::Edit || kind == ControlKind::DateTime)
        PlaceControl(ControlKind::Static, column);
    CDynControl *control = FindControl(column + CDynControl::NameSuffix(kind));
    FormWindow *form = GetForm();
    if (!control || !form) {
        AnnounceMissing(column);
        return;
    }
    form->addControl(*control);
}

QString CFormBuilder::NewFieldName() const
{
    return QStringLiteral("FELD_%1").arg(m_nextId);
}

template <typename Control> Control *CFormBuilder::existing(const QString &name, bool *exists) const
{
    CDynControl *control = FindControl(name);
    *exists = control != nullptr;
    // Exactly that kind: a date field is an edit field to C++, not to a form.
    return control && control->metaObject() == &Control::staticMetaObject
               ? static_cast<Control *>(control)
               : nullptr;
}

template <typename Control>
Control *CFormBuilder::make(ControlDescription description, bool hidden,
                            const std::function<void(Control &)> &prepare)
{
    auto control = std::make_unique<Control>(m_designMode);
    if (prepare)
        prepare(*control);
    description.id = m_nextId++;
    control->Create(GetForm(), description);
    if (hidden)
        control->Hide();
    Control *made = control.get();
    m_controls.push_back(std::move(control));
    return made;
}

QPoint CFormBuilder::NextRowStart() const
{
    // The extent over the shown controls as they stand now: the automatic
    // controls stay hidden until placed, so each placed row moves the next
    // one down.
    FormWindow *form = GetForm();
    const int bottom = form ? form->calcExtent().height() : 0;
    return QPoint(m_leftMargin, bottom + m_verticalGap);
}

CDynStatic *CFormBuilder::AddStatic(const QString &caption, unsigned flags)
{
    bool exists = false;
    CDynStatic *found =
        existing<CDynStatic>(caption + CDynControl::NameSuffix(ControlKind::Static), &exists);
    if (exists)
        return found;
    return make<CDynStatic>(automatic(NextRowStart(), caption, -1, flags), true);
}

CDynFrame *CFormBuilder::AddFrame(const QString &caption, unsigned flags)
{
    bool exists = false;
    CDynFrame *found =
        existing<CDynFrame>(caption + CDynControl::NameSuffix(ControlKind::Frame), &exists);
    if (exists)
        return found;
    return make<CDynFrame>(automatic(NextRowStart(), caption, -1, flags), true);
}

ControlDescription CFormBuilder::FieldBesideLabel(const QString &column, int textLength,
                                                  unsigned flags)
{
    ControlDescription description = automatic(NextRowStart(), column, textLength, flags);
    if (const CDynStatic *label = AddStatic(column)) {
        description.left = label->Right() + m_horizontalGap;
        description.top = label->Top();
    }
    description.name = column;
    return description;
}

CDynEdit *CFormBuilder::AddEdit(const QString &column, int textLength, int maxLength,
                                InputKind inputKind, unsigned flags)
{
    bool exists = false;
    CDynEdit *found = existing<CDynEdit>(column, &exists);
    if (exists)
        return found;
    if (textLength < 1) {
        // Room for the numbers such columns usually hold.
        textLength = inputKind == InputKind::WholeNumber     ? 6
                     : inputKind == InputKind::DecimalNumber ? 8
                                                             : -1;
    }
    ControlDescription description = FieldBesideLabel(column, textLength, flags);
    description.maxLength = fieldLength(maxLength);
    auto *edit = make<CDynEdit>(description, true);
    edit->SetInputKind(inputKind);
    return edit;
}

CDynCheckbox *CFormBuilder::AddCheckbox(const QString &column, unsigned flags)
{
    bool exists = false;
    CDynCheckbox *found = existing<CDynCheckbox>(column, &exists);
    if (exists)
        return found;
    ControlDescription description = automatic(NextRowStart(), column, -1, flags);
    description.name = column;
    return make<CDynCheckbox>(description, true);
}

CDynDateTime *CFormBuilder::AddDateTime(const QString &column, unsigned flags)
{
    bool exists = false;
    CDynDateTime *found = existing<CDynDateTime>(column, &exists);
    if (exists)
        return found;
    return make<CDynDateTime>(FieldBesideLabel(column, -1, flags), true);
}

CDynStatic *CFormBuilder::AddStatic(const ControlInfo &stored)
{
    bool exists = false;
    CDynStatic *found = existing<CDynStatic>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynStatic>(fromRecord(stored), false);
}

CDynFrame *CFormBuilder::AddFrame(const ControlInfo &stored)
{
    bool exists = false;
    CDynFrame *found = existing<CDynFrame>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynFrame>(fromRecord(stored), false);
}

CDynEdit *CFormBuilder::AddEdit(const ControlInfo &stored, InputKind inputKind, int maxLength)
{
    bool exists = false;
    CDynEdit *found = existing<CDynEdit>(stored.name, &exists);
    if (exists)
        return found;
    ControlDescription description = fromRecord(stored);
    description.maxLength = fieldLength(maxLength);
    auto *edit = make<CDynEdit>(description, false);
    edit->SetInputKind(inputKind);
    return edit;
}

CDynComboBox *CFormBuilder::AddComboBox(const QString &column, unsigned flags)
{
    bool exists = false;
    CDynComboBox *found = existing<CDynComboBox>(column, &exists);
    if (exists)
        return found;
    // A name of the referenced row, not its key.
    return make<CDynComboBox>(FieldBesideLabel(column, 20, flags), true);
}

CDynPicture *CFormBuilder::AddPicture(const QString &column)
{
    bool exists = false;
    CDynPicture *found = existing<CDynPicture>(column, &exists);
    if (exists)
        return found;
    ControlDescription description = FieldBesideLabel(column, -1, ControlFlags::Left);
    description.right = description.left + 160;
    description.bottom = description.top + 120;
    return make<CDynPicture>(description, true);
}

CDynPicture *CFormBuilder::AddPicture(const ControlInfo &stored)
{
    bool exists = false;
    CDynPicture *found = existing<CDynPicture>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynPicture>(fromRecord(stored), false);
}

CDynSubform *CFormBuilder::AddSubform(const SubformSetting &setting)
{
    // A new one on every call: one table may show twice (by two links).
    ControlDescription description = automatic(NextRowStart(), setting.table, -1, 0);
    description.flags = ControlFlags::Left;
    description.name =
        setting.table + QStringLiteral("_UNTERFORMULAR_") + QString::number(m_nextId);
    description.right = description.left + 400;
    description.bottom = description.top + 160;
    CDynSubform *made = make<CDynSubform>(
        description, false, [&setting](CDynSubform &subform) { subform.SetSubform(setting); });
    if (FormWindow *form = GetForm())
        form->addControl(*made);
    return made;
}

CDynSubform *CFormBuilder::AddSubform(const ControlInfo &stored)
{
    bool exists = false;
    CDynSubform *found = existing<CDynSubform>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynSubform>(fromRecord(stored), false, [&stored](CDynSubform &subform) {
        subform.SetSubform(stored.subform);
    });
}

CDynComboBox *CFormBuilder::AddComboBox(const ControlInfo &stored)
{
    bool exists = false;
    CDynComboBox *found = existing<CDynComboBox>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynComboBox>(fromRecord(stored), false,
                              [&stored](CDynComboBox &box) { box.SetLookup(stored.lookup); });
}

CDynCheckbox *CFormBuilder::AddCheckbox(const ControlInfo &stored)
{
    bool exists = false;
    CDynCheckbox *found = existing<CDynCheckbox>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynCheckbox>(fromRecord(stored), false);
}

CDynDateTime *CFormBuilder::AddDateTime(const ControlInfo &stored)
{
    bool exists = false;
    CDynDateTime *found = existing<CDynDateTime>(stored.name, &exists);
    if (exists)
        return found;
    return make<CDynDateTime>(fromRecord(stored), false);
}
