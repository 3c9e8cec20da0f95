#include "runtime/LayoutState.h"

#include "controls/CDynControl.h"
#include "runtime/CForm.h"
#include "runtime/CFormParent.h"
#include "runtime/FormEditor.h"

#include <chrono>

namespace {

bool sameLook(const ControlProperties &a, const ControlProperties &b)
{
    return a.caption == b.caption && a.font == b.font && a.flags == b.flags;
}

bool sameEntry(const LayoutState::Entry &a, const LayoutState::Entry &b)
{
    return a.control == b.control && a.properties.geometry == b.properties.geometry &&
           sameLook(a.properties, b.properties);
}

} // namespace

LayoutState LayoutState::capture(const CForm &form)
{
    LayoutState state;
    for (CDynControl *control : form.controls())
        state.shown.append({control, control->GetProperties()});
    state.rasterX = form.rasterX();
    state.rasterY = form.rasterY();
    state.rasterShown = form.isRasterShown();
    state.title = form.GetHost() ? form.GetHost()->GetTitle() : QString();
    return state;
}

QVector<CDynControl *> LayoutState::restore(CForm &form) const
{
    QVector<CDynControl *> order;
    for (const Entry &entry : shown) {
        if (entry.control)
            order << entry.control.data();
    }
    QVector<CDynControl *> changed;
    const QVector<CDynControl *> current = form.controls();
    if (current != order) {
        // Off the form go the controls this state does not show; the list is
        // then built in this state's order (adding shows what was hidden).
        for (CDynControl *control : current) {
            if (!order.contains(control)) {
                control->Select(false);
                control->Hide();
            }
        }
        form.clearControls();
        for (CDynControl *control : std::as_const(order)) {
            if (!current.contains(control))
                changed << control;
            form.addControl(*control);
        }
    }
    for (const Entry &entry : shown) {
        CDynControl *control = entry.control.data();
        if (!control)
            continue;
        const ControlProperties now = control->GetProperties();
        const QRect &to = entry.properties.geometry;
        if (!sameLook(now, entry.properties))
            control->ApplyProperties(entry.properties); // makes the widget anew
        else if (now.geometry != to)
            control->MoveTo(to.left(), to.top(), to.left() + to.width(), to.top() + to.height());
        else
            continue;
        if (!changed.contains(control))
            changed << control;
    }
    form.setRasterX(rasterX);
    form.setRasterY(rasterY);
    form.setRasterShown(rasterShown);
    if (CFormParent *host = form.GetHost(); host && host->GetTitle() != title)
        host->SetTitle(title);
    form.calcExtent();
    form.repaint();
    return changed;
}

bool operator==(const LayoutState &a, const LayoutState &b)
{
    if (a.shown.size() != b.shown.size() || a.rasterX != b.rasterX || a.rasterY != b.rasterY ||
        a.rasterShown != b.rasterShown || a.title != b.title)
        return false;
    for (qsizetype i = 0; i < a.shown.size(); ++i) {
        if (!sameEntry(a.shown.at(i), b.shown.at(i)))
            return false;
    }
    return true;
}

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

LayoutCommand::LayoutCommand(CForm &form, LayoutState before, LayoutState after,
                             const QString &text, Origin origin,
                             QVector<const CDynControl *> selection)
    : QUndoCommand(text), m_form(&form), m_before(std::move(before)), m_after(std::move(after)),
      m_origin(origin), m_selection(std::move(selection)), m_lastKeyMs(nowMs())
{}

void LayoutCommand::undo()
{
    restore(m_before);
}

void LayoutCommand::redo()
{
    // The first redo comes as the stack takes the command: the form is in
    // the after state already.
    if (m_done) {
        m_done = false;
        return;
    }
    restore(m_after);
}

int LayoutCommand::id() const
{
    return m_origin == Origin::Gesture ? -1 : 1;
}

bool LayoutCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const LayoutCommand *>(other);
    if (!next || m_origin == Origin::Gesture || next->text() != text())
        return false;
    const bool pressedSoonAfter = next->m_origin == Origin::Key &&
                                  next->m_selection == m_selection &&
                                  next->m_lastKeyMs - m_lastKeyMs <= kKeyMergeMs;
    if (next->m_origin != Origin::KeyRepeat && !pressedSoonAfter)
        return false;
    m_after = next->m_after;
    m_lastKeyMs = next->m_lastKeyMs;
    // Moved there and back: nothing left to undo.
    setObsolete(m_after == m_before);
    return true;
}

void LayoutCommand::restore(const LayoutState &state)
{
    CForm *form = m_form.data();
    if (!form)
        return;
    const QVector<CDynControl *> changed = state.restore(*form);
    if (FormEditor *editor = form->editor())
        editor->showRestored(changed);
}
