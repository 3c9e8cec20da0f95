// The editor's commands: the form's context menu, the properties dialogs
// and the keyboard. The mouse, the selection and the change history are in
// FormEditor.cpp.

#include "runtime/FormEditor.h"

#include "controls/CDynControl.h"
#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "resources/CommandTable.h"
#include "runtime/CForm.h"
#include "runtime/CFormParent.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QUndoStack>

using FormGeometry::Handle;
using namespace CommandTable;

// --- commands and dialogs ------------------------------------------------

std::unique_ptr<QMenu> FormEditor::createFormMenu() const
{
    auto menu = std::make_unique<QMenu>();
    QMenu *raw = menu.get();
    const bool anySelected = !selection().isEmpty();
    fillMenu(raw, CommandTable::menu(MenuFormContext), [raw, anySelected](int id) {
        QAction *action = createAction(id, raw);
        // What acts on the selection waits for one.
        if (id == IdDeleteSelected || (id >= IdAlignBottom && id <= IdAlignBottomRaster))
            action->setEnabled(anySelected);
        return action;
    });
    return menu;
}

void FormEditor::showFormMenu(const QPoint *point)
{
    const std::unique_ptr<QMenu> menu = createFormMenu();
    const QPoint where = point ? m_form.mapToGlobal(*point) : QCursor::pos();
    if (const QAction *chosen = menu->exec(where))
        runCommand(chosen->data().toInt());
}

bool FormEditor::runCommand(int id)
{
    switch (id) {
    case IdFormProperties:
        editFormProperties();
        return true;
    case IdSelectAll:
        selectAll();
        return true;
    case IdDeselectAll:
        deselectAll();
        return true;
    case IdDeleteSelected:
        deleteSelected();
        return true;
    case IdAlignLeft:
    case IdAlignRight:
    case IdAlignBottom:
    case IdAlignTop:
    case IdAlignLeftRaster:
    case IdAlignRightRaster:
    case IdAlignBottomRaster:
    case IdAlignTopRaster: {
        const bool toRaster = id >= IdAlignLeftRaster;
        const FormGeometry::Edge edge =
            id == IdAlignLeft || id == IdAlignLeftRaster     ? FormGeometry::Edge::Left
            : id == IdAlignRight || id == IdAlignRightRaster ? FormGeometry::Edge::Right
            : id == IdAlignTop || id == IdAlignTopRaster     ? FormGeometry::Edge::Top
                                                             : FormGeometry::Edge::Bottom;
        m_form.Align(int(edge), toRaster);
        return true;
    }
    case IdCloseMenu:
        return true;
    default:
        return false;
    }
}

void FormEditor::editFormProperties()
{
    CFormParent *host = m_form.GetHost();
    CFormPropDlg dialog(owner());
    dialog.m_rasterX = m_form.rasterX();
    dialog.m_rasterY = m_form.rasterY();
    dialog.m_showRaster = m_form.isRasterShown() ? 1 : 0;
    dialog.m_title = host ? host->GetTitle() : QString();
    if (dialog.exec() == QDialog::Accepted) {
        FormChange change(m_form, QStringLiteral("Eigenschaften des Formulars"));
        m_form.setRasterX(dialog.m_rasterX);
        m_form.setRasterY(dialog.m_rasterY);
        m_form.setRasterShown(dialog.m_showRaster != 0);
        if (host)
            host->SetTitle(dialog.m_title);
    }
    m_form.repaint();
}

bool FormEditor::editControlProperties(ControlProperties &properties)
{
    CCtrlPropDlg dialog(owner());
    dialog.m_title = properties.caption;
    dialog.m_xPos = properties.geometry.left();
    dialog.m_yPos = properties.geometry.top();
    dialog.m_width = properties.geometry.width();
    dialog.m_height = properties.geometry.height();
    dialog.m_fontName = properties.font.faceName;
    dialog.m_fontSize = properties.font.size;
    dialog.m_fontWeight = properties.font.weight;
    dialog.m_italic = properties.font.italic;
    dialog.m_styleFlags = quint16(properties.flags);
    dialog.m_titleEditable = properties.captionEditable;
    dialog.m_multiLineOffered = properties.multiLineEnabled;
    dialog.m_alignmentOffered = properties.alignmentEnabled;
    dialog.m_lookup = properties.lookup;
    dialog.m_lookupColumns = properties.lookupColumns;
    dialog.m_automaticLookupColumn = properties.automaticLookupColumn;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    properties.lookup = dialog.m_lookup;
    properties.caption = dialog.m_title;
    properties.geometry = QRect(dialog.m_xPos, dialog.m_yPos, dialog.m_width, dialog.m_height);
    properties.font = FontDescription{dialog.m_fontName, dialog.m_fontSize, dialog.m_fontWeight,
                                      quint8(dialog.m_italic ? 1 : 0)};
    properties.flags = dialog.m_styleFlags;
    return true;
}

QWidget *FormEditor::owner() const
{
    return m_form.window();
}

// --- the keyboard ----------------------------------------------------------

bool FormEditor::isEditorKey(const QKeyEvent *event) const
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Z:
    case Qt::Key_Y:
        return modifiers & Qt::ControlModifier;
    case Qt::Key_A:
        return !(modifiers & Qt::AltModifier);
    case Qt::Key_F10:
        return modifiers == Qt::ShiftModifier;
    case Qt::Key_Escape:
        // With nothing to drop, Escape closes the window as in any dialog.
        return m_drawing || isBusy() || !selection().isEmpty();
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Menu:
        return true;
    default:
        return false;
    }
}

bool FormEditor::handleKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (m_drawing || isBusy()) {
        if (event->key() == Qt::Key_Escape) {
            if (m_drawing)
                finishDrawing(QRect());
            else
                cancelGesture();
        }
        return true;
    }
    switch (event->key()) {
    case Qt::Key_Z:
        if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
            m_undoStack->redo();
        else if (modifiers == Qt::ControlModifier)
            m_undoStack->undo();
        break;
    case Qt::Key_Y:
        if (modifiers == Qt::ControlModifier)
            m_undoStack->redo();
        break;
    case Qt::Key_Delete:
        deleteSelected();
        break;
    case Qt::Key_A:
        if (!(modifiers & Qt::AltModifier))
            selectAll();
        break;
    case Qt::Key_Escape:
        if (selection().isEmpty())
            return false; // on to the dialog, which closes
        deselectAll();
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        nudge(event->key(), modifiers, event->isAutoRepeat());
        break;
    case Qt::Key_Tab:
        selectNeighbour(!(modifiers & Qt::ShiftModifier));
        break;
    case Qt::Key_Backtab:
        selectNeighbour(false);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openProperties();
        break;
    case Qt::Key_Menu:
        showContextMenuForKeyboard();
        break;
    case Qt::Key_F10:
        if (modifiers == Qt::ShiftModifier)
            showContextMenuForKeyboard();
        break;
    default:
        break;
    }
    // Every other key stops here: in design mode the controls take none.
    return true;
}

void FormEditor::nudge(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    const QVector<CDynControl *> selected = selection();
    if (selected.isEmpty())
        return;
    const bool resize = modifiers & Qt::ShiftModifier;
    const bool byRaster = modifiers & Qt::ControlModifier;
    const int stepX = byRaster ? m_form.rasterX() : 1;
    const int stepY = byRaster ? m_form.rasterY() : 1;
    QPoint delta;
    switch (key) {
    case Qt::Key_Left:
        delta = QPoint(-stepX, 0);
        break;
    case Qt::Key_Right:
        delta = QPoint(stepX, 0);
        break;
    case Qt::Key_Up:
        delta = QPoint(0, -stepY);
        break;
    default:
        delta = QPoint(0, stepY);
        break;
    }
    QVector<QRect> rects;
    for (const CDynControl *control : selected)
        rects << control->GetRect();
    beginChange(resize ? resizeText() : moveText());
    if (resize) {
        // The right or bottom edge follows the key; the corner stays.
        const Handle edge = delta.x() != 0 ? Handle::Right : Handle::Bottom;
        for (qsizetype i = 0; i < selected.size(); ++i)
            place(*selected.at(i), FormGeometry::resized(rects.at(i), edge, delta));
    } else {
        const QPoint kept = FormGeometry::keptOnForm(rects, delta);
        for (qsizetype i = 0; i < selected.size(); ++i)
            place(*selected.at(i), rects.at(i).translated(kept));
    }
    endChange(autoRepeat ? LayoutCommand::Origin::KeyRepeat : LayoutCommand::Origin::Key, selected);
}

void FormEditor::selectNeighbour(bool forward)
{
    const QVector<CDynControl *> controls = m_form.controls();
    if (controls.isEmpty())
        return;
    QVector<QRect> rects;
    for (const CDynControl *control : controls)
        rects << control->GetRect();
    const QVector<int> order = FormGeometry::readingOrder(rects);
    // From the last selected control onwards, or back from the first one.
    int position = -1;
    for (qsizetype k = 0; k < order.size(); ++k) {
        if (!controls.at(order.at(k))->IsSelected())
            continue;
        if (forward || position < 0)
            position = int(k);
        if (!forward)
            break;
    }
    const int count = int(order.size());
    int next = 0;
    if (position < 0)
        next = forward ? 0 : count - 1;
    else
        next = (position + (forward ? 1 : count - 1)) % count;
    CDynControl *target = controls.at(order.at(next));
    selectOnly({target});
    if (CFormParent *host = m_form.GetHost())
        host->MakePointVisible(target->Left(), target->Top());
}

void FormEditor::openProperties()
{
    const QVector<CDynControl *> selected = selection();
    if (selected.size() == 1)
        selected.first()->EditProperties();
    else if (selected.isEmpty())
        editFormProperties();
}

void FormEditor::showContextMenuForKeyboard()
{
    const QVector<CDynControl *> selected = selection();
    if (selected.size() == 1) {
        CDynControl *control = selected.first();
        const std::unique_ptr<QMenu> menu = control->CreateContextMenu();
        const QPoint where = m_form.mapToGlobal(control->GetRect().bottomLeft());
        if (const QAction *chosen = menu->exec(where))
            control->OnCommand(chosen->data().toInt());
        return;
    }
    const QPoint corner =
        selected.isEmpty() ? QPoint(10, 10) : selected.first()->GetRect().center();
    showFormMenu(&corner);
}
