#ifndef QRT_RUNTIME_PRINTEDPAGE_H
#define QRT_RUNTIME_PRINTEDPAGE_H

#include "qrt_export.h"

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>

class QPagedPaintDevice;
class QPainter;

// A printed page of a form's records: the form's title and the day in a
// header, a rule beneath it, and "Seite n von m" at the foot where there is
// more than one page. Between them lies the room for the records, in the
// device's units.
class QRT_AUTOTEST_EXPORT PrintedPage
{
public:
    PrintedPage(QPainter &painter, QString title, QDate day = QDate::currentDate());

    // Where the records go on every page.
    [[nodiscard]] QRectF body() const { return m_body; }
    // Device units per form pixel (a pixel of the form at 100 %).
    [[nodiscard]] qreal unitsPerPixel() const { return m_unitsPerPixel; }
    // font, with its size in the device's units, as it looks on the form
    // at 100 % (scale 1) or shrunk by scale.
    [[nodiscard]] QFont printed(const QFont &font, qreal scale = 1) const;

    // The font's measures on the device (not on the screen).
    [[nodiscard]] QFontMetricsF metrics(const QFont &font) const;

    // Draws header and foot of page number of pages (counted from 1).
    void paintFrame(int number, int pages) const;

private:
    QPainter &m_painter;
    QString m_title;
    QDate m_day;
    QRectF m_page;
    QRectF m_body;
    qreal m_unitsPerPixel = 1;
    qreal m_footHeight = 0;
};

#endif // QRT_RUNTIME_PRINTEDPAGE_H
