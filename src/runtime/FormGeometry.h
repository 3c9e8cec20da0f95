#ifndef QRT_RUNTIME_FORMGEOMETRY_H
#define QRT_RUNTIME_FORMGEOMETRY_H

#include "qrt_export.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QVector>

// The arithmetic of editing a form's layout, apart from any widget: where a
// press lands on a selection outline, how a drag resizes or moves controls,
// what a band touches, aligning to a common edge or to the raster, and the
// reading order that the fields' tab order follows. The editor's mouse and
// key handlers only call these.
//
// Rectangles are QRects in the form's coordinates; where the stored forms
// count right and bottom one past the control, that is left + width and
// top + height.
namespace FormGeometry {

// The edge controls are aligned to: 0 left, 1 right, 2 bottom, 3 top.
enum class Edge { Left = 0, Right = 1, Bottom = 2, Top = 3 };

// The rectangles moved (not resized) so that the edge of each lies on the
// common edge of all (the smallest left or top, the largest right or
// bottom), or with toRaster on its own edge snapped to the raster: left and
// top down to a multiple of the step, right and bottom up to the next one
// (an edge already on the raster moves a whole step).
QRT_AUTOTEST_EXPORT QVector<QRect> aligned(const QVector<QRect> &rects, Edge edge, bool toRaster,
                                           int rasterX, int rasterY);

// Where a point lies on a selection outline: on one of its eight handles,
// inside the outlined rectangle, or nowhere. The handles are listed in the
// order handleRects() gives them.
enum class Handle {
    None,
    TopLeft,
    TopRight,
    BottomRight,
    BottomLeft,
    Top,
    Right,
    Bottom,
    Left,
    Inside,
};

// The side of a handle's square, in pixels.
inline constexpr int kHandleSize = 6;

// The eight handles of an outline around rect: the corners (top-left,
// top-right, bottom-right, bottom-left), then the middles of the top, right,
// bottom and left edges. Outside, they lie just beyond the edges and never
// cover the control's text; inside, on its corners and edges.
QRT_AUTOTEST_EXPORT QVector<QRect> handleRects(const QRect &rect, bool outside);
// The handle at point, else Inside when rect holds it, else None. A handle
// wins over the inside where both hold the point.
QRT_AUTOTEST_EXPORT Handle hitHandle(const QRect &rect, bool outside, const QPoint &point);
// Whether dragging the handle changes the rectangle's size (all but
// Inside and None).
[[nodiscard]] QRT_AUTOTEST_EXPORT bool resizes(Handle handle);

// The smallest size a control is dragged or keyed to: what the control
// properties dialog accepts as width and height.
inline constexpr QSize kMinimumSize(10, 5);

// start with the edges that handle grabs moved by delta; the opposite edges
// stay. No side becomes smaller than minimum (the moving edge stops) and no
// moving left or top edge goes past the form's origin.
QRT_AUTOTEST_EXPORT QRect resized(const QRect &start, Handle handle, const QPoint &delta,
                                  const QSize &minimum = kMinimumSize);

// delta cut so that moving every rectangle by it leaves none of them left of
// or above the form's origin (rectangles already beyond it stay where they
// are on that axis).
QRT_AUTOTEST_EXPORT QPoint keptOnForm(const QVector<QRect> &rects, const QPoint &delta);

// The band between the corner where the mouse went down and where it is now,
// whichever way it was drawn; empty (zero width or height) for a click.
QRT_AUTOTEST_EXPORT QRect band(const QPoint &from, const QPoint &to);
// Whether a band touches a control's rectangle: a band that is not empty
// and overlaps it.
[[nodiscard]] QRT_AUTOTEST_EXPORT bool touches(const QRect &band, const QRect &rect);

// The order in which a reader meets the rectangles: rows from top to bottom,
// each from left to right. A rectangle joins a row when it overlaps the
// row's first (topmost) rectangle by at least half the height of the shorter
// of the two, so a label and a field of another height stay one row.
// Returns indices into rects.
QRT_AUTOTEST_EXPORT QVector<int> readingOrder(const QVector<QRect> &rects);
// Whether rects stand in reading order already.
[[nodiscard]] QRT_AUTOTEST_EXPORT bool inReadingOrder(const QVector<QRect> &rects);

} // namespace FormGeometry

#endif // QRT_RUNTIME_FORMGEOMETRY_H
