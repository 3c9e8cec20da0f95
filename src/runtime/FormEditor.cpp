#include "runtime/FormEditor.h"

#include "controls/CDynControl.h"
#include "platform/UserMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormParent.h"
#include "runtime/RectTracker.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QUndoStack>

using FormGeometry::Handle;

namespace {

// The band the user draws: a dotted red line that takes no mouse, so the
// form keeps hearing the drag.
class BandOutline final : public QWidget
{
public:
    explicit BandOutline(QWidget *form) : QWidget(form)
    {
        setObjectName(QStringLiteral("band"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

    void showBand(const QRect &band)
    {
        // One pixel more, so that the right and bottom lines lie on the band.
        setGeometry(band.adjusted(0, 0, 1, 1));
        show();
        raise();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

RectTracker *trackerOf(const CDynControl &control)
{
    return dynamic_cast<RectTracker *>(control.GetTracker());
}

// The cross-hair while the user draws a new element, whatever happens then.
class DrawingCursor
{
public:
    DrawingCursor() { QApplication::setOverrideCursor(Qt::CrossCursor); }
    ~DrawingCursor() { QApplication::restoreOverrideCursor(); }
    DrawingCursor(const DrawingCursor &) = delete;
    DrawingCursor &operator=(const DrawingCursor &) = delete;
};

} // namespace

QString FormEditor::moveText()
{
    return QStringLiteral("Verschieben");
}

QString FormEditor::resizeText()
{
    return QStringLiteral("Größe ändern");
}

void FormEditor::place(CDynControl &control, const QRect &rect)
{
    control.MoveTo(rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height());
}

FormEditor::FormEditor(CForm &form)
    : m_form(form), m_undoStack(std::make_unique<QUndoStack>()), m_band(new BandOutline(&form))
{
    setObjectName(QStringLiteral("formEditor"));
    form.installEventFilter(this);
}

FormEditor::~FormEditor()
{
    // A drawing under way ends with nothing drawn; takeDrawnRect() then
    // returns without touching this editor.
    if (m_drawingLoop)
        m_drawingLoop->quit();
    m_form.removeEventFilter(this);
    delete m_band.data();
}

// --- the mouse -----------------------------------------------------------

bool FormEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_form)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return handleMouse(event);
    case QEvent::ShortcutOverride:
        // The editor's keys go to the form, not to an accelerator of the
        // dialog (Ctrl+Y undoes a record's changes in data mode).
        if (isEditorKey(static_cast<QKeyEvent *>(event)) || m_drawing || isBusy()) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::KeyPress:
        return handleKey(static_cast<QKeyEvent *>(event));
    case QEvent::KeyRelease:
        return true;
    case QEvent::ContextMenu:
        // The mouse's menus open on the right button's release; this one
        // comes from the keyboard's menu key.
        if (static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard)
            showContextMenuForKeyboard();
        return true;
    case QEvent::Hide:
        // A form that goes out of sight ends a drawing: no one can finish it.
        if (m_drawing)
            finishDrawing(QRect());
        return false;
    default:
        return false;
    }
}

bool FormEditor::handleMouse(QEvent *event)
{
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint point = mouse->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton)
            pressed(nullptr, point, mouse->modifiers());
        break;
    case QEvent::MouseMove:
        if (mouse->buttons() & Qt::LeftButton)
            dragged(point);
        break;
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::LeftButton)
            released(point, mouse->modifiers());
        else if (mouse->button() == Qt::RightButton)
            rightReleased(point, mouse->modifiers());
        break;
    default:
        break;
    }
    return true;
}

void FormEditor::pressed(CDynControl *control, const QPoint &point, Qt::KeyboardModifiers modifiers)
{
    if (m_gesture != Gesture::Idle)
        return;
    m_form.setFocus(Qt::MouseFocusReason);
    if (m_drawing) {
        // Drawing a new element: a press on a control starts the band too.
        startBand(point);
        return;
    }
    if (!control) {
        // On the form itself: a frame's border grabs its frame.
        for (CDynControl *candidate : m_form.controls()) {
            if (candidate->HitTest(point.x(), point.y())) {
                control = candidate;
                break;
            }
        }
    }
    if (!selectAndTrack(control, point, modifiers))
        startBand(point);
}

bool FormEditor::selectAndTrack(CDynControl *control, const QPoint &point,
                                Qt::KeyboardModifiers modifiers)
{
    Handle handle = Handle::Inside;
    if (!control) {
        // The outline of a selected control, its handles included.
        for (CDynControl *candidate : m_form.controls()) {
            const RectTracker *tracker = trackerOf(*candidate);
            if (tracker && tracker->hitTest(point) != Handle::None) {
                control = candidate;
                handle = tracker->hitTest(point);
                break;
            }
        }
    }
    if (!control)
        return false;
    // A handle resizes its control, however many are selected.
    if (FormGeometry::resizes(handle)) {
        startTracking(Gesture::Resizing, control, handle, point);
        return true;
    }
    const bool shift = modifiers & Qt::ShiftModifier;
    if (selection().size() >= 2 && !shift && control->IsSelected()) {
        startTracking(Gesture::GroupPending, control, handle, point);
        return true;
    }
    if (!control->IsSelected()) {
        if (!shift)
            deselectAll();
        control->Select(true);
        refreshTrackers();
        m_form.repaint();
    } else if (shift) {
        control->Select(false);
        m_form.repaint();
        return true;
    }
    startTracking(Gesture::Pending, control, handle, point);
    return true;
}

void FormEditor::startTracking(Gesture gesture, CDynControl *control, Handle handle,
                               const QPoint &point)
{
    m_gesture = gesture;
    m_tracked = control;
    m_handle = handle;
    m_pressPoint = point;
    m_moved.clear();
    m_startRects.clear();
    const QVector<CDynControl *> taken =
        gesture == Gesture::GroupPending ? selection() : QVector<CDynControl *>{control};
    for (CDynControl *moved : taken) {
        m_moved << moved;
        m_startRects << moved->GetRect();
    }
    // A handle is grabbed on purpose: resizing starts at once. A move waits
    // for the drag distance, so that a click only selects.
    if (gesture == Gesture::Resizing)
        beginChange(resizeText());
}

void FormEditor::dragged(const QPoint &point)
{
    switch (m_gesture) {
    case Gesture::Idle:
        return;
    case Gesture::Band:
        m_bandCorner = point;
        static_cast<BandOutline *>(m_band.data())
            ->showBand(FormGeometry::band(m_pressPoint, point));
        return;
    case Gesture::Pending:
    case Gesture::GroupPending:
        if ((point - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
            return;
        m_gesture = m_gesture == Gesture::Pending ? Gesture::Moving : Gesture::GroupMoving;
        beginChange(moveText());
        break;
    case Gesture::Moving:
    case Gesture::Resizing:
    case Gesture::GroupMoving:
        break;
    }
    follow(point);
}

void FormEditor::follow(const QPoint &point)
{
    const QPoint delta = point - m_pressPoint;
    if (m_gesture == Gesture::Resizing) {
        if (m_tracked)
            place(*m_tracked, FormGeometry::resized(m_startRects.first(), m_handle, delta));
        return;
    }
    const QPoint kept = FormGeometry::keptOnForm(m_startRects, delta);
    for (qsizetype i = 0; i < m_moved.size(); ++i) {
        if (CDynControl *control = m_moved.at(i))
            place(*control, m_startRects.at(i).translated(kept));
    }
}

void FormEditor::released(const QPoint &point, Qt::KeyboardModifiers modifiers)
{
    switch (m_gesture) {
    case Gesture::Idle:
        return;
    case Gesture::Band:
        finishBand(point, modifiers);
        return;
    case Gesture::Pending:
    case Gesture::GroupPending:
        break; // a click: the selection is all it changed
    case Gesture::Moving:
    case Gesture::Resizing:
    case Gesture::GroupMoving:
        follow(point);
        m_gesture = Gesture::Idle;
        endChange();
        break;
    }
    m_gesture = Gesture::Idle;
    m_tracked = nullptr;
    m_moved.clear();
    m_startRects.clear();
}

void FormEditor::cancelGesture()
{
    switch (m_gesture) {
    case Gesture::Idle:
    case Gesture::Pending:
    case Gesture::GroupPending:
        break;
    case Gesture::Band:
        m_band->hide();
        break;
    case Gesture::Moving:
    case Gesture::Resizing:
    case Gesture::GroupMoving:
        cancelChange();
        break;
    }
    m_gesture = Gesture::Idle;
    m_tracked = nullptr;
    m_moved.clear();
    m_startRects.clear();
}

void FormEditor::startBand(const QPoint &point)
{
    m_gesture = Gesture::Band;
    m_pressPoint = point;
    m_bandCorner = point;
    static_cast<BandOutline *>(m_band.data())->showBand(FormGeometry::band(point, point));
}

void FormEditor::finishBand(const QPoint &point, Qt::KeyboardModifiers modifiers)
{
    m_gesture = Gesture::Idle;
    m_band->hide();
    const QRect band = FormGeometry::band(m_pressPoint, point);
    if (m_drawing) {
        finishDrawing(band);
        return;
    }
    const bool shift = modifiers & Qt::ShiftModifier;
    for (CDynControl *control : m_form.controls()) {
        const bool touched = FormGeometry::touches(band, control->GetRect());
        if (touched && !control->IsSelected())
            control->Select(true);
        else if (!touched && !shift && control->IsSelected())
            control->Select(false);
    }
    refreshTrackers();
    m_form.repaint();
}

void FormEditor::rightReleased(const QPoint &point, Qt::KeyboardModifiers modifiers)
{
    if (m_gesture != Gesture::Idle || m_drawing)
        return;
    for (CDynControl *control : m_form.controls()) {
        const RectTracker *tracker = trackerOf(*control);
        if (tracker && tracker->hitTest(point) != Handle::None) {
            const QPoint local = point - control->GetRect().topLeft();
            control->OnRButtonUp(modifiers, local.x(), local.y());
            return;
        }
    }
    showFormMenu();
}

// --- drawing a new element -------------------------------------------------

QRect FormEditor::takeDrawnRect()
{
    if (m_drawing)
        return QRect();
    m_drawing = true;
    m_drawnRect = QRect();
    DrawingCursor cursor;
    QPointer<FormEditor> alive(this);
    QEventLoop loop;
    m_drawingLoop = &loop;
    loop.exec();
    if (!alive)
        return QRect(); // the form went while the user was drawing
    m_drawingLoop = nullptr;
    m_drawing = false;
    return m_drawnRect;
}

void FormEditor::finishDrawing(const QRect &drawn)
{
    m_drawing = false;
    m_drawnRect = drawn;
    if (m_gesture == Gesture::Band) {
        m_gesture = Gesture::Idle;
        m_band->hide();
    }
    if (CFormParent *host = m_form.GetHost()) {
        host->CheckAddStatic(false);
        host->CheckAddFrame(false);
    }
    if (m_drawingLoop)
        m_drawingLoop->quit();
}

// --- selection -------------------------------------------------------------

QVector<CDynControl *> FormEditor::selection() const
{
    QVector<CDynControl *> selected;
    for (CDynControl *control : m_form.controls()) {
        if (control->IsSelected())
            selected << control;
    }
    return selected;
}

void FormEditor::selectOnly(const QVector<CDynControl *> &controls)
{
    for (CDynControl *control : m_form.controls()) {
        const bool wanted = controls.contains(control);
        if (wanted != control->IsSelected())
            control->Select(wanted);
    }
    refreshTrackers();
    m_form.repaint();
}

void FormEditor::selectAll()
{
    selectOnly(m_form.controls());
}

void FormEditor::deselectAll()
{
    selectOnly({});
}

void FormEditor::deleteSelected()
{
    if (selection().isEmpty())
        return; // nothing to ask about
    if (qrt::askYesNo(QStringLiteral("Möchten Sie wirklich alle markierten Elemente aus dem "
                                     "Formular entfernen?"),
                      owner(), UserMessages::Consequence::Destructive) != UserMessages::Answer::Yes)
        return;
    FormChange change(m_form, QStringLiteral("Entfernen"));
    const QVector<CDynControl *> controls = m_form.controls();
    for (auto it = controls.crbegin(); it != controls.crend(); ++it) {
        // A label went with its field already.
        if ((*it)->IsSelected() && m_form.controls().contains(*it))
            m_form.removeControl(**it);
    }
    m_form.repaint();
}

void FormEditor::refreshTrackers()
{
    for (const CDynControl *control : m_form.controls()) {
        RectTracker *tracker = trackerOf(*control);
        if (tracker)
            tracker->raise();
        // A selected control shows that a drag moves it.
        if (QWidget *window = control->GetWindow())
            window->setCursor(tracker ? Qt::SizeAllCursor : Qt::ArrowCursor);
    }
    if (m_band && m_band->isVisible())
        m_band->raise();
}

void FormEditor::showRestored(const QVector<CDynControl *> &changed)
{
    QVector<CDynControl *> onForm;
    for (CDynControl *control : changed) {
        if (m_form.controls().contains(control))
            onForm << control;
    }
    if (!onForm.isEmpty())
        selectOnly(onForm);
    refreshTrackers();
}

// --- changes -------------------------------------------------------------

void FormEditor::beginChange(const QString &text, TabOrder order)
{
    if (m_changeDepth++ > 0)
        return;
    m_before = LayoutState::capture(m_form);
    m_changeText = text;
    m_tabOrder = order;
    m_wasReadingOrder = fieldsInReadingOrder();
}

void FormEditor::endChange(LayoutCommand::Origin origin, const QVector<CDynControl *> &selection)
{
    if (m_changeDepth == 0 || --m_changeDepth > 0)
        return;
    if (m_tabOrder == TabOrder::FollowLayout && m_wasReadingOrder)
        sortFieldsIntoReadingOrder();
    m_form.calcExtent();
    LayoutState after = LayoutState::capture(m_form);
    refreshTrackers();
    if (after != m_before)
        m_undoStack->push(
            new LayoutCommand(m_form, std::move(m_before), std::move(after), m_changeText, origin,
                              QVector<const CDynControl *>(selection.begin(), selection.end())));
    m_before = LayoutState();
}

void FormEditor::cancelChange()
{
    if (m_changeDepth == 0)
        return;
    m_changeDepth = 0;
    m_before.restore(m_form);
    m_before = LayoutState();
    refreshTrackers();
}

bool FormEditor::fieldsInReadingOrder() const
{
    QVector<QRect> rects;
    for (const CDynControl *control : m_form.controls()) {
        if (control->CarriesValue())
            rects << control->GetRect();
    }
    return FormGeometry::inReadingOrder(rects);
}

void FormEditor::sortFieldsIntoReadingOrder()
{
    const QVector<CDynControl *> controls = m_form.controls();
    QVector<int> places;
    QVector<QRect> rects;
    for (qsizetype i = 0; i < controls.size(); ++i) {
        if (controls.at(i)->CarriesValue()) {
            places << int(i);
            rects << controls.at(i)->GetRect();
        }
    }
    const QVector<int> order = FormGeometry::readingOrder(rects);
    QVector<CDynControl *> sorted = controls;
    for (qsizetype k = 0; k < places.size(); ++k)
        sorted[places.at(k)] = controls.at(places.at(order.at(k)));
    if (sorted != controls)
        m_form.setControlOrder(sorted);
}

// --- FormChange ----------------------------------------------------------

FormChange::FormChange(CForm &form, const QString &text, FormEditor::TabOrder order)
    : m_editor(form.editor())
{
    if (m_editor)
        m_editor->beginChange(text, order);
}

FormChange::~FormChange()
{
    if (m_editor)
        m_editor->endChange();
}

void FormChange::keepListedOrder()
{
    if (m_editor)
        m_editor->setTabOrder(FormEditor::TabOrder::AsListed);
}
