#ifndef QRT_RUNTIME_FORMGEOMETRY_H
#define QRT_RUNTIME_FORMGEOMETRY_H

#include "qrt_export.h"

#include <QRect>
#include <QVector>

// The arithmetic of laying out a form, apart from any widget: aligning
// rectangles to a common edge or to the raster. Rectangles count right and
// bottom one past the control, as the stored forms do.
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

} // namespace FormGeometry

#endif // QRT_RUNTIME_FORMGEOMETRY_H
