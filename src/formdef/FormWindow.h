#ifndef QRT_FORMDEF_FORMWINDOW_H
#define QRT_FORMDEF_FORMWINDOW_H

#include "controls/FormWindowInterface.h"
#include "qrt_export.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

class CDynControl;

// The form window as the form builder knows it: the widget the controls live
// on, the list of controls shown on it, its extent and its raster.
//
// The form window itself (CForm) belongs to the runtime, a layer above the
// builder, so the builder holds it through this interface; the host makes it
// (FormHost::CreateFormWindow) and the builder owns it. The controls reach
// the same object through FormWindowInterface.
//
// The list refers to controls of the builder's pool without owning them: a
// control taken off the form is hidden and stays in the pool, ready to be
// shown again.
class QRT_EXPORT FormWindow : public FormWindowInterface
{
public:
    ~FormWindow() override;

    // The controls on the form, in tab and processing order.
    [[nodiscard]] virtual const QVector<CDynControl *> &controls() const = 0;
    // Appends control (unless it is on the form already), grows the extent
    // by it and shows it.
    virtual void addControl(CDynControl &control) = 0;
    // Empties the list; the controls themselves are left as they are.
    virtual void clearControls() = 0;
    // removeControl (FormWindowInterface) takes one control and its label off.

    // The form's size, as a rectangle from (0, 0) whose width is the right
    // edge, 15 pixels beyond the rightmost control's, and whose height is the
    // bottom edge, the lowest control's; recomputed over the whole list, or
    // grown by one control.
    virtual QRect calcExtent() = 0;
    virtual QRect calcExtent(const CDynControl &added) = 0;
    [[nodiscard]] virtual QRect extent() const = 0;

    // Raster steps in pixels: a value outside 5 to 50 leaves the old one.
    [[nodiscard]] virtual int rasterX() const = 0;
    [[nodiscard]] virtual int rasterY() const = 0;
    virtual void setRasterX(int step) = 0;
    virtual void setRasterY(int step) = 0;
    // Whether the raster is drawn in design mode.
    [[nodiscard]] virtual bool isRasterShown() const = 0;
    virtual void setRasterShown(bool shown) = 0;

    // The first control on the form of exactly that name, of that id, or
    // whose rectangle holds point; null when there is none.
    [[nodiscard]] virtual CDynControl *findControl(const QString &name) const = 0;
    [[nodiscard]] virtual CDynControl *findControl(unsigned id) const = 0;
    [[nodiscard]] virtual CDynControl *controlAt(const QPoint &point) const = 0;

    // Whether the user changed any control's value since it was last set.
    [[nodiscard]] virtual bool isAnyControlModified() const = 0;
    // Empties every control's value and clears its modified flag.
    virtual void clearAll() = 0;
};

#endif // QRT_FORMDEF_FORMWINDOW_H
