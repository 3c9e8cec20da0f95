#include "runtime/ScrollSteps.h"

#include <QtGlobal>

ScrollSteps ScrollSteps::forSizes(const QSize &document, const QSize &client)
{
    ScrollSteps steps;
    // Integer division truncating toward zero, as the ranges always were.
    steps.rawHorizontal = (document.width() - client.width()) / kHorizontalUnit;
    steps.rawVertical = (document.height() - client.height()) / kVerticalUnit;
    steps.maxHorizontal = qMax(0, steps.rawHorizontal);
    steps.maxVertical = qMax(0, steps.rawVertical);
    return steps;
}

int ScrollSteps::moved(int position, int step, int maximum)
{
    return qBound(0, position + step, qMax(0, maximum));
}
