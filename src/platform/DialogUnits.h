#ifndef QRT_PLATFORM_DIALOGUNITS_H
#define QRT_PLATFORM_DIALOGUNITS_H

#include "qrt_export.h"

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// Converts the dialog units of a dialog layout into pixels of a font, as
// Windows does for dialog templates: a horizontal unit is a quarter of the
// font's average character width, a vertical unit an eighth of its height.
// Layouts written in these units therefore grow with the font instead of
// clipping their texts. Every layer that lays out a dialog (filter, design
// dialogs, the form's windows) uses the same conversion, so it lives here.
class QRT_AUTOTEST_EXPORT DialogUnits
{
public:
    explicit DialogUnits(const QFont &font);

    // The font the dialog layouts were drawn for, MS Sans Serif at 8 points.
    // Qt substitutes the platform's sans serif, at the size the layouts fit.
    [[nodiscard]] static QFont templateFont();

    // The average width of the letters A-Z and a-z, rounded as Windows
    // rounds it, and the height of a line.
    [[nodiscard]] int baseWidth() const { return m_baseWidth; }
    [[nodiscard]] int baseHeight() const { return m_baseHeight; }

    [[nodiscard]] int x(int units) const;
    [[nodiscard]] int y(int units) const;
    [[nodiscard]] QSize size(int width, int height) const;
    [[nodiscard]] QRect rect(int left, int top, int width, int height) const;
    // Gives widget the rectangle of a template entry.
    void place(QWidget *widget, int left, int top, int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};

#endif // QRT_PLATFORM_DIALOGUNITS_H
