#include "runtime/PrintedPage.h"

#include "platform/GermanValues.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace {

// The form's pixels are those of a screen at 100 %: 96 to the inch.
constexpr qreal kFormDpi = 96;

} // namespace

PrintedPage::PrintedPage(QPainter &painter, QString title, QDate day)
    : m_painter(painter), m_title(std::move(title)), m_day(day)
{
    const QPaintDevice *device = painter.device();
    m_page = QRectF(0, 0, device->width(), device->height());
    m_unitsPerPixel = device->logicalDpiY() / kFormDpi;
    const QFontMetricsF head = metrics(printed(QFont(QStringLiteral("DejaVu Sans"), 12)));
    const QFontMetricsF foot = metrics(printed(QFont(QStringLiteral("DejaVu Sans"), 9)));
    const qreal gap = 8 * m_unitsPerPixel;
    m_footHeight = foot.height() + gap;
    m_body = m_page.adjusted(0, head.height() + gap, 0, -m_footHeight);
}

QFont PrintedPage::printed(const QFont &font, qreal scale) const
{
    // In points on the device, as the form shows it at 100 %: a size in
    // pixels is one at 96 to the inch. Qt then draws it as text (a PDF's
    // text can be searched) at the device's own resolution.
    QFont result(font);
    const qreal points =
        font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72 / kFormDpi;
    result.setPointSizeF(qMax<qreal>(1, points * scale));
    return result;
}

QFontMetricsF PrintedPage::metrics(const QFont &font) const
{
    return QFontMetricsF(font, m_painter.device());
}

void PrintedPage::paintFrame(int number, int pages) const
{
    m_painter.save();
    QFont titleFont = printed(QFont(QStringLiteral("DejaVu Sans"), 12));
    titleFont.setBold(true);
    const QFont smallFont = printed(QFont(QStringLiteral("DejaVu Sans"), 9));
    const qreal rule = m_body.top() - 4 * m_unitsPerPixel;
    const QRectF head(m_page.left(), m_page.top(), m_page.width(), rule - m_page.top());
    m_painter.setPen(Qt::black);
    m_painter.setFont(smallFont);
    const QString day = GermanValues::shownDate(m_day);
    const qreal dayWidth = metrics(smallFont).horizontalAdvance(day) + 8 * m_unitsPerPixel;
    m_painter.drawText(head, Qt::AlignRight | Qt::AlignBottom, day);
    m_painter.setFont(titleFont);
    const QRectF titleRect = head.adjusted(0, 0, -dayWidth, 0);
    m_painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignBottom,
                       metrics(titleFont).elidedText(m_title, Qt::ElideRight, titleRect.width()));
    m_painter.setPen(QPen(Qt::black, m_unitsPerPixel));
    m_painter.drawLine(QPointF(m_page.left(), rule), QPointF(m_page.right(), rule));
    if (pages > 1) {
        m_painter.setFont(smallFont);
        m_painter.drawText(
            QRectF(m_page.left(), m_page.bottom() - m_footHeight, m_page.width(), m_footHeight),
            Qt::AlignHCenter | Qt::AlignBottom,
            QStringLiteral("Seite %1 von %2").arg(number).arg(pages));
    }
    m_painter.restore();
}
