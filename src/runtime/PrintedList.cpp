#include "runtime/PrintedList.h"

#include "controls/CDynControl.h"
#include "controls/ControlInfo.h"
#include "runtime/PrintedPage.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace {

// A row is a line of text and a little air.
qreal rowHeight(const QFont &font, QPaintDevice *device)
{
    return QFontMetricsF(font, device).height() * 1.35;
}

} // namespace

PrintedList::PrintedList(QVector<CDynControl *> fields, const PrintedPage &page,
                         QPaintDevice *device)
    : m_fields(std::move(fields)), m_page(page),
      m_font(page.printed(QFont(QStringLiteral("DejaVu Sans"), 8)))
{
    m_rowsPerPage = rowsFitting(page.body().height(), m_font, device);
}

int PrintedList::rowsFitting(qreal height, const QFont &font, QPaintDevice *device)
{
    return qMax(1, int(height / rowHeight(font, device)) - 1);
}

void PrintedList::paint(QPainter &painter, const QVector<CDataMgr::Row> &rows)
{
    // The columns of the first page for all: a list whose columns moved
    // from page to page would be hard to read.
    if (m_widths.isEmpty())
        m_widths = columnWidths(m_fields, rows, m_font, painter.device(), m_page.body().width());
    paintTable(painter, m_page.body(), m_fields, rows, m_font, m_page.unitsPerPixel(), m_widths);
}

QVector<qreal> PrintedList::columnWidths(const QVector<CDynControl *> &fields,
                                         const QVector<CDataMgr::Row> &rows, const QFont &font,
                                         QPaintDevice *device, qreal width)
{
    // What each column needs for these values (up to 40 characters) and
    // for its caption (past 8 characters only where the values need it too:
    // "Aktiver Kunde" over "Ja" can be cut short, a value should not). Where
    // that is more than there is, the widest give up the difference, down to
    // a width that all of them then have at most.
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF metrics(font, device);
    const qreal most = metrics.averageCharWidth() * 40;
    const qreal pad = metrics.averageCharWidth();
    QVector<qreal> wanted;
    for (const CDynControl *field : fields) {
        qreal need =
            qMin(QFontMetricsF(bold, device).horizontalAdvance(field->FieldCaption().simplified()),
                 metrics.averageCharWidth() * 8);
        for (const CDataMgr::Row &row : rows) {
            const QString text = row.fields.value(field->GetName());
            if (!text.isEmpty())
                need = qMax(need, metrics.horizontalAdvance(field->ShownText(text).simplified()));
        }
        wanted << qMin(need, most) + pad;
    }
    QVector<qreal> widths = wanted;
    qreal total = std::accumulate(wanted.begin(), wanted.end(), qreal(0));
    if (total <= width) {
        for (qreal &column : widths)
            column *= width / total; // the rest shared out, the table as wide as the page
        return widths;
    }
    // Columns at most an equal share keep their width, again and again as
    // the share of the others grows.
    QVector<bool> kept(widths.size(), false);
    qreal left = width;
    for (bool changed = true; changed;) {
        changed = false;
        const qsizetype open = std::count(kept.begin(), kept.end(), false);
        const qreal share = open ? left / open : 0;
        for (qsizetype i = 0; i < widths.size(); ++i) {
            if (!kept.at(i) && wanted.at(i) <= share) {
                kept[i] = true;
                left -= wanted.at(i);
                changed = true;
            }
        }
    }
    qreal rest = 0;
    for (qsizetype i = 0; i < widths.size(); ++i)
        rest += kept.at(i) ? 0 : wanted.at(i);
    for (qsizetype i = 0; i < widths.size(); ++i) {
        if (!kept.at(i))
            widths[i] = wanted.at(i) * left / rest;
    }
    return widths;
}

void PrintedList::paintTable(QPainter &painter, const QRectF &rect,
                             const QVector<CDynControl *> &fields,
                             const QVector<CDataMgr::Row> &rows, const QFont &font, qreal unit,
                             QVector<qreal> widths)
{
    if (fields.isEmpty())
        return;
    if (widths.size() != fields.size())
        widths = columnWidths(fields, rows, font, painter.device(), rect.width());
    const qreal height = rowHeight(font, painter.device());
    const qreal pad = 2 * unit;

    painter.save();
    painter.setClipRect(rect);
    QFont bold = font;
    bold.setBold(true);
    const auto paintRow = [&](qreal top, const QFont &rowFont, const auto &textOf) {
        const QFontMetricsF rowMetrics(rowFont, painter.device());
        painter.setFont(rowFont);
        painter.setPen(Qt::black);
        qreal left = rect.left();
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QRectF cell(left + pad, top, widths.at(i) - 2 * pad, height);
            const bool right = fields.at(i)->GetProperties().flags & ControlFlags::Right;
            painter.drawText(
                cell, (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                rowMetrics.elidedText(textOf(*fields.at(i)), Qt::ElideRight, cell.width()));
            left += widths.at(i);
        }
        painter.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), unit / 2));
        painter.drawLine(QPointF(rect.left(), top + height), QPointF(rect.right(), top + height));
    };
    painter.fillRect(QRectF(rect.left(), rect.top(), rect.width(), height),
                     QColor(0xe8, 0xe8, 0xe8));
    paintRow(rect.top(), bold, [](const CDynControl &field) {
        // One line, whatever the caption has.
        return field.FieldCaption().simplified();
    });
    qreal top = rect.top() + height;
    for (const CDataMgr::Row &row : rows) {
        if (row.deleted)
            continue;
        if (top + height > rect.bottom() + 0.5)
            break;
        paintRow(top, font, [&row](const CDynControl &field) {
            const QString text = row.fields.value(field.GetName());
            return text.isEmpty() ? QString() : field.ShownText(text).simplified();
        });
        top += height;
    }
    painter.restore();
}
