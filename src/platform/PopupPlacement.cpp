#include "platform/PopupPlacement.h"

QRect placePopup(const QRect &field, const QSize &popup, const QRect &screen,
                 Qt::Alignment alignment)
{
    QRect placed(QPoint(), popup);
    if (alignment & Qt::AlignRight)
        placed.moveRight(field.right());
    else
        placed.moveLeft(field.left());
    placed.moveTop(field.bottom() + 1);
    if (placed.bottom() > screen.bottom() && field.top() - popup.height() >= screen.top())
        placed.moveBottom(field.top() - 1);
    // Sideways and, where neither below nor above has room, upwards: the
    // popup stays whole even if it covers the field.
    if (placed.right() > screen.right())
        placed.moveRight(screen.right());
    if (placed.left() < screen.left())
        placed.moveLeft(screen.left());
    if (placed.bottom() > screen.bottom())
        placed.moveBottom(screen.bottom());
    if (placed.top() < screen.top())
        placed.moveTop(screen.top());
    return placed;
}
