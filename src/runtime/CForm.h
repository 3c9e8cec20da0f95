#ifndef QRT_RUNTIME_CFORM_H
#define QRT_RUNTIME_CFORM_H

#include "data/CDataMgr.h"
#include "formdef/FormWindow.h"
#include "qrt_export.h"

#include <QPointer>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <memory>

class CDynControl;
class CFormParent;
class FormEditor;
class QUndoStack;

// The window on which a form's controls live: a child of the host's window
// and the parent of the controls' widgets. It keeps the list of controls on
// the form (in tab and processing order; the builder owns them), computes
// the form's extent and carries the raster, which it draws in design mode
// as grey lines every raster step.
//
// Its mode is fixed when the builder makes it. In design mode it takes the
// keyboard (the controls take none) and hears of every press, drag and
// release on a control; its editor (FormEditor: selection by click and band,
// trackers, alignment, undo) makes of them what they mean. Selection lives
// in the controls' trackers (RectTracker); the form window never owns a
// control.
class QRT_EXPORT CForm : public QWidget, public FormWindow
{
    Q_OBJECT

public:
    // The raster steps a form starts with, and the steps it accepts.
    static constexpr int DefaultRaster = 10;
    static constexpr int MinRaster = 5;
    static constexpr int MaxRaster = 50;

    CForm(CFormParent *host, bool designMode);
    ~CForm() override;

    [[nodiscard]] CFormParent *GetHost() const { return m_host; }
    [[nodiscard]] bool IsDesignMode() const { return m_designMode; }
    // The design-mode editor and its history of changes; null in data mode.
    [[nodiscard]] FormEditor *editor() const { return m_editor.get(); }
    [[nodiscard]] QUndoStack *undoStack() const;

    // --- FormWindow ---------------------------------------------------------
    [[nodiscard]] const QVector<CDynControl *> &controls() const override { return m_controls; }
    // The fields the form shows, in its field order: the columns of its
    // datasheet and of what it exports. A field the form hides is none.
    [[nodiscard]] QVector<CDynControl *> shownFields() const;
    // Lets each shown field that names its values from the database (the
    // rows of a list) read the names of these records at once, not one by
    // one as they are shown.
    void prepareShownTexts(const QVector<CDataMgr::Row> &rows) const;
    void addControl(CDynControl &control) override;
    void clearControls() override;
    // The controls on the form in a new order: order holds the same controls.
    void setControlOrder(const QVector<CDynControl *> &order);
    QRect calcExtent() override;
    QRect calcExtent(const CDynControl &added) override;
    [[nodiscard]] QRect extent() const override { return m_extent; }
    [[nodiscard]] int rasterX() const override { return m_rasterX; }
    [[nodiscard]] int rasterY() const override { return m_rasterY; }
    void setRasterX(int step) override;
    void setRasterY(int step) override;
    [[nodiscard]] bool isRasterShown() const override { return m_showRaster; }
    void setRasterShown(bool shown) override;
    [[nodiscard]] CDynControl *findControl(const QString &name) const override;
    [[nodiscard]] CDynControl *findControl(unsigned id) const override;
    [[nodiscard]] CDynControl *controlAt(const QPoint &point) const override;
    [[nodiscard]] bool isAnyControlModified() const override;
    void clearAll() override;

    // --- design operations ---------------------------------------------------
    // Aligns the selected controls (0 left, 1 right, 2 bottom, 3 top), to
    // their common edge or each to the raster; nothing selected, nothing
    // moves. In design mode one change the editor can undo.
    void Align(int direction, bool toRaster);
    // The rectangle the user draws next for a new caption or frame (the
    // events run until the button comes up). Empty in data mode, when a
    // drawing is pending already or is cancelled with Escape; the form
    // manager takes that as "nothing drawn".
    [[nodiscard]] QRect TakeDrawnRect();

    // --- FormWindowInterface ------------------------------------------------
    [[nodiscard]] QWidget *formWidget() const override { return const_cast<CForm *>(this); }
    void controlPressed(CDynControl &control, const QPoint &point,
                        Qt::KeyboardModifiers modifiers) override;
    void controlDragged(CDynControl &control, const QPoint &point,
                        Qt::KeyboardModifiers modifiers) override;
    void controlReleased(CDynControl &control, const QPoint &point,
                         Qt::KeyboardModifiers modifiers) override;
    [[nodiscard]] std::unique_ptr<ControlTracker> createTracker(const QRect &rect,
                                                                int style) override;
    [[nodiscard]] int selectedCount() const override;
    void showSelectionMenu() override;
    // Takes control off the form, and first its label (a field's caption +
    // "_TITEL") when that is on the form; the control is hidden and stays
    // the builder's. A control not on the form is announced and false.
    bool removeControl(CDynControl &control) override;
    bool editControlProperties(ControlProperties &properties) override;
    void applyControlProperties(CDynControl &control, const ControlProperties &properties) override;
    void controlModifiedChanged() override;
    // Redraws the form and the host's window (or what holds it).
    void repaint() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<CDynControl *> m_controls; // not owned
    CFormParent *m_host;               // not owned
    QPointer<QWidget> m_hostWindow;    // the host's window when the form was made
    const bool m_designMode;
    QRect m_extent;
    qint16 m_rasterX = DefaultRaster;
    qint16 m_rasterY = DefaultRaster;
    bool m_showRaster = true;
    std::unique_ptr<FormEditor> m_editor; // design mode only; goes first
};

#endif // QRT_RUNTIME_CFORM_H
