#ifndef QRT_CONTROLS_CONTROLGEOMETRY_H
#define QRT_CONTROLS_CONTROLGEOMETRY_H

#include "qrt_export.h"

#include <QFontMetrics>
#include <QPoint>
#include <QRect>

// The rectangle arithmetic of the form controls and of the design-mode
// editor, kept apart from the widgets so that it can be checked without one.
// Rectangles follow QRect (right() is the last pixel inside); the form
// definition's right and bottom edges lie one pixel further out.
namespace ControlGeometry {

// A frame is grabbed by its border, not its inside, so that the fields it
// groups stay clickable: true within 5 pixels of the left or right edge or
// 10 pixels of the top or bottom edge (where the title runs), edges included.
[[nodiscard]] QRT_EXPORT bool frameHitTest(const QRect &frame, const QPoint &point);

// The rectangle for a text of characters characters: as wide as that many of
// the font's widest character (widths must not fall short for any text) and
// as high as a line plus 4 pixels; the top-left corner stays.
[[nodiscard]] QRT_EXPORT QRect autoSizedRect(const QRect &rect, qsizetype characters,
                                             int maxCharWidth, int lineHeight);

// The widest character of the texts a form holds: the Latin-1 letters, digits
// and signs. QFontMetrics::maxWidth() looks at every glyph of the font, and
// a Unicode font's widest (a three-em dash) is twice a letter's width, which
// would make every sized field twice as wide as the forms were drawn.
[[nodiscard]] QRT_EXPORT int widestCharacterWidth(const QFontMetrics &metrics);

// Raster snapping for aligning selected controls: a left or top edge moves
// down to a multiple of step, a right or bottom edge up to the next multiple
// (an edge already on the raster moves one full step, as aligning has always
// done). A step below 1 leaves the edge.
[[nodiscard]] QRT_EXPORT int snapDown(int edge, int step);
[[nodiscard]] QRT_EXPORT int snapUp(int edge, int step);

} // namespace ControlGeometry

#endif // QRT_CONTROLS_CONTROLGEOMETRY_H
