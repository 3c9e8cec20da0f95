#include "platform/ScreenFit.h"

#include <QScreen>
#include <QStyle>
#include <QWidget>

QSize fittedSize(const QSize &preferred, const QSize &minimum, const QSize &room)
{
    return preferred.boundedTo(room).expandedTo(minimum);
}

void fitToScreen(QWidget *window, const QSize &preferred)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    // The frame is unknown until the window is shown: a title bar and a
    // border of a few pixels is what window managers draw.
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    const QSize frame(2 * 8, titleBar + 2 * 8);
    const QSize room = screen->availableGeometry().size() - frame;
    window->resize(fittedSize(preferred, window->minimumSizeHint(), room));
}
