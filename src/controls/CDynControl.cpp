#include "controls/CDynControl.h"

#include "controls/ControlGeometry.h"
#include "platform/UserMessages.h"
#include "resources/CommandTable.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>

namespace {

const char *const kDefaultFace = "MS Sans Serif";
constexpr int kDefaultSize = 80; // tenths of a point

// The pixel height of a font of points points, rounded half away from zero.
int pixelHeight(int points, int dotsPerInch)
{
    return int(double(points) * dotsPerInch / 72.0 + 0.5);
}

int logicalDpi(const QWidget *widget)
{
    if (widget)
        return widget->logicalDpiY();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? int(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

CDynControl::CDynControl(bool designMode) : m_designMode(designMode) {}

CDynControl::~CDynControl()
{
    // The form's widget may have gone first and taken ours with it.
    delete m_window.data();
}

StyleBits CDynControl::SetFlags(unsigned flags, bool recreate)
{
    const StyleBits style =
        controlStyle(kind(), m_designMode, flags,
                     m_window ? std::optional<StyleBits>(GetStyle()) : std::optional<StyleBits>());
    m_flags = flags;
    if (recreate && m_window) {
        const QRect rect = GetRect();
        ControlDescription description;
        description.left = rect.left();
        description.top = rect.top();
        description.right = rect.left() + rect.width();
        description.bottom = rect.top() + rect.height();
        description.textLength = -1;
        description.id = m_id;
        description.caption = m_caption;
        description.name = m_name;
        description.font = GetFontDescription();
        description.maxLength = MaxLengthForRecreate();
        description.flags = flags;
        Create(m_form, description);
    }
    return style;
}

void CDynControl::Show()
{
    if (!m_window)
        return;
    m_window->show();
    if (m_designMode)
        m_window->raise();
    else
        m_style |= WindowStyle::TabStop;
    ApplyStyle();
}

void CDynControl::Hide()
{
    if (!m_window)
        return;
    m_window->hide();
    m_style &= ~WindowStyle::TabStop;
    ApplyStyle();
}

bool CDynControl::HitTest(int, int) const
{
    return false;
}

QString CDynControl::GetControlInfo() const
{
    return StoredInfo().toXml();
}

ControlInfo CDynControl::StoredInfo() const
{
    ControlInfo info;
    info.typ = GetTyp();
    info.name = m_name;
    const QRect rect = GetRect();
    info.left = rect.left();
    info.right = rect.left() + rect.width();
    info.top = rect.top();
    info.bottom = rect.top() + rect.height();
    info.caption = m_caption;
    info.font = GetFontDescription();
    info.flags = m_flags;
    return info;
}

void CDynControl::SetFont(const FontDescription &font)
{
    if (font.size >= 1) {
        m_faceName = font.faceName;
        m_fontSize = font.size;
        m_fontWeight = font.weight;
        m_italic = font.italic;
    } else {
        m_faceName = QString::fromLatin1(kDefaultFace);
        m_fontSize = kDefaultSize;
        m_fontWeight = 0;
        m_italic = 0;
    }
    // The stored face name stays as given; Qt's font matching substitutes
    // what the machine has. Whole points, as the stored forms were laid out.
    QFont qfont(m_faceName.left(31));
    qfont.setStyleHint(QFont::SansSerif);
    int pixels = pixelHeight(m_fontSize / 10, logicalDpi(m_window));
    if (pixels < 1) // below a point: the default height, not an invisible font
        pixels = pixelHeight(kDefaultSize / 10, logicalDpi(m_window));
    qfont.setPixelSize(pixels);
    qfont.setWeight(m_fontWeight > 0 ? QFont::Weight(qBound(1, m_fontWeight, 1000))
                                     : QFont::Normal);
    qfont.setItalic(m_italic != 0);
    m_font = qfont;
    if (m_window)
        m_window->setFont(m_font);
}

FontDescription CDynControl::GetFontDescription() const
{
    return FontDescription{m_faceName, m_fontSize, m_fontWeight, m_italic};
}

StyleBits CDynControl::GetStyle() const
{
    StyleBits style = m_style & ~WindowStyle::Visible;
    if (m_window && !m_window->isHidden())
        style |= WindowStyle::Visible;
    return style;
}

void CDynControl::Create(FormWindowInterface *form, const ControlDescription &description)
{
    const StyleBits style = SetFlags(description.flags, false);
    RetireWindow();
    m_name = description.name.value_or(description.caption + NameSuffix(kind()));
    m_form = form;
    m_caption = description.caption;
    m_id = description.id;
    m_style = style;

    QWidget *parent = form ? form->formWidget() : nullptr;
    m_window = MakeWindow(parent, description);
    m_window->setObjectName(m_name);
    m_window->setGeometry(description.left, description.top,
                          qMax(0, description.right - description.left),
                          qMax(0, description.bottom - description.top));
    Watch(m_window);
    SetFont(description.font);
    ApplyStyle();
    FinishCreate(description);
    // Without a form the widget would become a window of its own.
    m_window->setVisible(parent && (style & WindowStyle::Visible));
}

void CDynControl::RetireWindow()
{
    if (!m_window)
        return;
    // The old widget may be the one whose event brought us here (a command
    // of its context menu), so it goes when control returns to the loop.
    QWidget *old = m_window;
    m_window = nullptr;
    old->removeEventFilter(this);
    old->hide();
    old->setObjectName(QString());
    old->deleteLater();
}

void CDynControl::ApplyStyle()
{
    if (!m_window)
        return;
    const bool field = kind() != ControlKind::Static && kind() != ControlKind::Frame;
    // In design mode the form takes the keyboard; captions and frames never
    // take it. A shown field is a tab stop; a hidden one could only be
    // clicked.
    Qt::FocusPolicy policy = Qt::NoFocus;
    if (!m_designMode && field)
        policy = (m_style & WindowStyle::TabStop) ? Qt::StrongFocus : Qt::ClickFocus;
    m_window->setFocusPolicy(policy);
    m_window->setAccessibleName(AccessibleName());
    if (m_designMode)
        m_window->setCursor(Qt::ArrowCursor);
    else
        m_window->unsetCursor();
}

void CDynControl::Watch(QObject *object)
{
    object->installEventFilter(this);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(object))
        area->viewport()->installEventFilter(this);
}

QPoint CDynControl::ToForm(const QPoint &point) const
{
    if (!m_window)
        return point;
    const QWidget *formWidget = m_form ? m_form->formWidget() : nullptr;
    if (formWidget && formWidget->isAncestorOf(m_window))
        return m_window->mapTo(formWidget, point);
    return point + m_window->pos();
}

QRect CDynControl::GetRect() const
{
    if (!m_window)
        return QRect();
    return QRect(ToForm(QPoint(0, 0)), m_window->size());
}

void CDynControl::MoveTo(int left, int top, int right, int bottom)
{
    const QRect rect(left, top, qMax(0, right - left), qMax(0, bottom - top));
    if (m_window)
        m_window->setGeometry(rect);
    if (m_tracker)
        m_tracker->setRect(rect);
}

void CDynControl::Select(bool on)
{
    m_tracker.reset();
    if (on && m_form)
        m_tracker = m_form->createTracker(GetRect(), ControlTracker::DottedLine |
                                                         ControlTracker::ResizeOutside);
}

void CDynControl::AutoSize(QRect &rect, const QString &text)
{
    if (!m_window)
        return;
    // The widest character, not the average: no text of that length may be
    // cut off, whatever its letters.
    const QFontMetrics metrics(m_window->font());
    rect = ControlGeometry::autoSizedRect(
        rect, text.size(), ControlGeometry::widestCharacterWidth(metrics), metrics.height());
    m_window->setGeometry(rect);
}

QRect CDynControl::AutoSizeFrom(const ControlDescription &description, const QString &text)
{
    QRect rect(description.left, description.top, 0, 0);
    AutoSize(rect, text);
    return rect;
}

bool CDynControl::WantsAutoSize(const ControlDescription &description) const
{
    return m_designMode && (description.right < 0 || description.bottom < 0);
}

void CDynControl::OnLButtonDown(Qt::KeyboardModifiers modifiers, int x, int y)
{
    if (m_designMode && m_form)
        m_form->controlPressed(*this, ToForm(QPoint(x, y)), modifiers);
}

void CDynControl::OnLButtonUp(Qt::KeyboardModifiers modifiers, int x, int y)
{
    // The widget kept the mouse since the press, so the form hears of the
    // release from here.
    if (m_designMode && m_form)
        m_form->controlReleased(*this, ToForm(QPoint(x, y)), modifiers);
}

void CDynControl::OnRButtonUp(Qt::KeyboardModifiers, int, int)
{
    if (!m_designMode || !m_form)
        return;
    Select(true);
    m_form->repaint();
    if (m_form->selectedCount() == 1)
        ShowContextMenu();
    else
        m_form->showSelectionMenu();
}

std::unique_ptr<QMenu> CDynControl::CreateContextMenu() const
{
    // As the command table has it, "Menü schließen" included (it runs
    // nothing; the menu closes as with Escape).
    auto menu = std::make_unique<QMenu>();
    QMenu *entries = menu.get();
    CommandTable::fillMenu(entries, CommandTable::menu(CommandTable::MenuControlContext),
                           [entries](int id) { return CommandTable::createAction(id, entries); });
    return menu;
}

void CDynControl::ShowContextMenu()
{
    if (!m_designMode)
        return;
    const std::unique_ptr<QMenu> menu = CreateContextMenu();
    if (const QAction *chosen = menu->exec(QCursor::pos()))
        OnCommand(chosen->data().toInt());
}

bool CDynControl::OnCommand(int id)
{
    switch (id) {
    case CommandTable::IdControlProperties:
        EditProperties();
        return true;
    case CommandTable::IdControlRemove:
        if (m_form) {
            m_form->removeControl(*this);
            m_form->repaint();
        }
        return true;
    }
    return false;
}

ControlProperties CDynControl::GetProperties() const
{
    ControlProperties properties;
    properties.caption = m_caption;
    properties.geometry = GetRect();
    properties.font = GetFontDescription();
    properties.flags = m_flags;
    properties.captionEditable = kind() != ControlKind::Edit && kind() != ControlKind::DateTime;
    properties.multiLineEnabled = kind() == ControlKind::Edit;
    properties.alignmentEnabled = kind() != ControlKind::Frame;
    return properties;
}

void CDynControl::EditProperties()
{
    if (!m_form)
        return;
    ControlProperties properties = GetProperties();
    if (!m_form->editControlProperties(properties))
        return;
    // An empty title keeps the caption the control has.
    if (properties.caption.isEmpty())
        properties.caption = m_caption;
    m_form->applyControlProperties(*this, properties);
}

void CDynControl::ApplyProperties(const ControlProperties &properties)
{
    m_caption = properties.caption;
    SetFont(properties.font);
    SetFlags(properties.flags, true);
    SetWindowText(m_caption);
    const QRect &g = properties.geometry;
    MoveTo(g.left(), g.top(), g.left() + g.width(), g.top() + g.height());
    if (m_form)
        m_form->repaint();
}

QString CDynControl::NameSuffix(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Static:
        return QStringLiteral("_TITEL");
    case ControlKind::Frame:
        return QStringLiteral("_RAHMEN");
    case ControlKind::Edit:
    case ControlKind::Checkbox:
    case ControlKind::DateTime:
        break;
    }
    return QString();
}

bool CDynControl::FilterEvent(QObject *, QEvent *)
{
    return false;
}

bool CDynControl::eventFilter(QObject *watched, QEvent *event)
{
    if (FilterEvent(watched, event))
        return true;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        break;
    case QEvent::ContextMenu:
        // In design mode the right button belongs to the editor.
        return m_designMode;
    default:
        return false;
    }
    auto *mouse = static_cast<QMouseEvent *>(event);
    QPoint point = mouse->position().toPoint();
    if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget != m_window && m_window)
        point = widget->mapTo(m_window, point);
    const Qt::KeyboardModifiers modifiers = mouse->modifiers();

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton)
            OnLButtonDown(modifiers, point.x(), point.y());
        return m_designMode;
    case QEvent::MouseButtonDblClick:
        // A double click on a control opens its properties, as in every
        // form designer.
        if (m_designMode && m_form && mouse->button() == Qt::LeftButton) {
            Select(true);
            m_form->repaint();
            EditProperties();
        }
        return m_designMode;
    case QEvent::MouseMove:
        if (m_designMode && m_form && (mouse->buttons() & Qt::LeftButton))
            m_form->controlDragged(*this, ToForm(point), modifiers);
        return m_designMode;
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::LeftButton)
            OnLButtonUp(modifiers, point.x(), point.y());
        else if (mouse->button() == Qt::RightButton)
            OnRButtonUp(modifiers, point.x(), point.y());
        return m_designMode;
    default:
        return false;
    }
}

bool CDynControl::CarriesValue() const
{
    switch (kind()) {
    case ControlKind::Edit:
    case ControlKind::Checkbox:
    case ControlKind::DateTime:
        return true;
    case ControlKind::Static:
    case ControlKind::Frame:
        break;
    }
    return false;
}

bool CDynControl::GetRecordText(QString *text, QString *problem) const
{
    text->clear();
    problem->clear();
    return false;
}

bool CDynControl::TakeUserText(const QString &text, QString *problem, Entry entry)
{
    const QString before = WindowText();
    SetWindowText(text);
    QString recordText;
    const bool taken = GetRecordText(&recordText, problem);
    if (!taken || entry == Entry::Check)
        SetWindowText(before);
    else
        SetModified(true);
    return taken;
}

QString CDynControl::FieldCaption() const
{
    return m_labelCaption.isEmpty() ? AccessibleName() : m_labelCaption;
}

void CDynControl::Refuse(const QString &problem)
{
    QWidget *field = m_window;
    qrt::warn(QStringLiteral("Das Feld %1 %2.").arg(FieldCaption(), problem), field);
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
    else if (auto *box = qobject_cast<QComboBox *>(field); box && box->lineEdit())
        box->lineEdit()->selectAll();
    else if (auto *text = qobject_cast<QPlainTextEdit *>(field))
        text->selectAll();
}

void CDynControl::SetModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    if (m_form)
        m_form->controlModifiedChanged();
}
