// The icons of the commands. The desktop's icon theme is asked first (a
// user's form then looks like the rest of the user's desktop); where it has
// none, the style's standard icon serves; where the style has none either,
// the icon is drawn here, small and plain, so that a tool bar never shows an
// empty button, on a bare machine included.

#include "resources/CommandTable.h"

#include <QApplication>
#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPair>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

namespace CommandTable {

namespace {

enum class Drawn {
    None,
    Funnel,
    FunnelCrossed,
    Caption,
    Frame,
    Resize,
    // The eight alignment commands: the edge aligned to (solid for the
    // selection's edge, dotted for the raster's), in the order of their ids.
    AlignLeft,
    AlignRight,
    AlignTop,
    AlignBottom,
    AlignLeftRaster,
    AlignRightRaster,
    AlignTopRaster,
    AlignBottomRaster,
    Order,
    Plus,
    Cross,
    Undo,
    First,
    Previous,
    Next,
    Last,
    SortAscending,
    SortDescending,
    FormView,
    DatasheetView,
};

struct IconRow
{
    int id;
    const char *theme;
    QStyle::StandardPixmap standard; // SP_CustomBase: none
    Drawn drawn;
};

constexpr QStyle::StandardPixmap kNoStandard = QStyle::SP_CustomBase;

const IconRow kIcons[] = {
    {IdDateiNeu, "view-refresh", QStyle::SP_BrowserReload, Drawn::None},
    {IdDateiSpeichern, "document-save", QStyle::SP_DialogSaveButton, Drawn::None},
    {IdDateiAddStatic, "insert-text", kNoStandard, Drawn::Caption},
    {IdDateiAddFrame, "draw-rectangle", kNoStandard, Drawn::Frame},
    {IdDateiTabOrder, "view-sort-ascending", kNoStandard, Drawn::Order},
    {IdDateiResize, "zoom-fit-best", kNoStandard, Drawn::Resize},
    // Drawn, not themed: a theme has no pictures for aligning to a raster,
    // and the eight must tell apart and match each other.
    {IdAlignLeft, "", kNoStandard, Drawn::AlignLeft},
    {IdAlignRight, "", kNoStandard, Drawn::AlignRight},
    {IdAlignTop, "", kNoStandard, Drawn::AlignTop},
    {IdAlignBottom, "", kNoStandard, Drawn::AlignBottom},
    {IdAlignLeftRaster, "", kNoStandard, Drawn::AlignLeftRaster},
    {IdAlignRightRaster, "", kNoStandard, Drawn::AlignRightRaster},
    {IdAlignTopRaster, "", kNoStandard, Drawn::AlignTopRaster},
    {IdAlignBottomRaster, "", kNoStandard, Drawn::AlignBottomRaster},
    {IdRecordNew, "document-new", kNoStandard, Drawn::Plus},
    {IdRecordSave, "document-save", QStyle::SP_DialogSaveButton, Drawn::None},
    // Not the style's bin: drawn pale grey, it looks like a disabled button.
    {IdRecordDelete, "edit-delete", kNoStandard, Drawn::Cross},
    // Not the style's back arrow: that one looks like "previous record".
    {IdRecordUndo, "edit-undo", kNoStandard, Drawn::Undo},
    {IdRecordFilter, "view-filter", kNoStandard, Drawn::Funnel},
    {IdRecordRemoveFilter, "edit-clear", kNoStandard, Drawn::FunnelCrossed},
    // One set of four, not the style's media and arrow icons, which do not
    // match each other.
    {IdRecordSortAscending, "view-sort-ascending", kNoStandard, Drawn::SortAscending},
    {IdRecordSortDescending, "view-sort-descending", kNoStandard, Drawn::SortDescending},
    // Drawn: a theme's pictures for these two rarely tell a form from a table.
    {IdViewForm, "", kNoStandard, Drawn::FormView},
    {IdViewDatasheet, "", kNoStandard, Drawn::DatasheetView},
    {IdRecordFirst, "go-first", kNoStandard, Drawn::First},
    {IdRecordPrevious, "go-previous", kNoStandard, Drawn::Previous},
    {IdRecordNext, "go-next", kNoStandard, Drawn::Next},
    {IdRecordLast, "go-last", kNoStandard, Drawn::Last},
    {IdRecordSaveAndClose, "document-save", QStyle::SP_DialogSaveButton, Drawn::None},
    {IdAppExit, "application-exit", QStyle::SP_DialogCloseButton, Drawn::None},
};

QPixmap drawnPixmap(Drawn what, int size, const QColor &ink)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    QPen pen(ink, 1.4);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    switch (what) {
    case Drawn::Funnel:
    case Drawn::FunnelCrossed: {
        QPainterPath funnel;
        funnel.moveTo(1.5, 2.5);
        funnel.lineTo(14.5, 2.5);
        funnel.lineTo(9.5, 8.5);
        funnel.lineTo(9.5, 13.5);
        funnel.lineTo(6.5, 12);
        funnel.lineTo(6.5, 8.5);
        funnel.closeSubpath();
        painter.setBrush(QColor(ink.red(), ink.green(), ink.blue(), 60));
        painter.drawPath(funnel);
        if (what == Drawn::FunnelCrossed) {
            painter.setPen(QPen(QColor(200, 30, 30), 1.8));
            painter.drawLine(QPointF(10, 10), QPointF(15, 15));
            painter.drawLine(QPointF(15, 10), QPointF(10, 15));
        }
        break;
    }
    case Drawn::Caption: {
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(12);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, 16, 13), Qt::AlignCenter, QStringLiteral("A"));
        painter.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
        break;
    }
    case Drawn::Frame:
        // A group box: the frame with a gap for its title, and the title.
        painter.drawRect(QRectF(1.5, 3.5, 13, 10));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(QRectF(3, 2, 7, 3), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawLine(QPointF(4, 3.5), QPointF(8.5, 3.5));
        break;
    case Drawn::Resize:
        painter.drawRect(QRectF(1.5, 1.5, 13, 13));
        painter.drawLine(QPointF(5, 11), QPointF(11, 5));
        painter.drawLine(QPointF(8, 5), QPointF(11, 5));
        painter.drawLine(QPointF(11, 5), QPointF(11, 8));
        break;
    case Drawn::AlignLeft:
    case Drawn::AlignRight:
    case Drawn::AlignTop:
    case Drawn::AlignBottom:
    case Drawn::AlignLeftRaster:
    case Drawn::AlignRightRaster:
    case Drawn::AlignTopRaster:
    case Drawn::AlignBottomRaster: {
        // Drawn for the left edge, then turned to the command's side.
        const int side = (int(what) - int(Drawn::AlignLeft)) % 4; // left, right, top, bottom
        const bool raster = what >= Drawn::AlignLeftRaster;
        painter.translate(8, 8);
        if (side == 1)
            painter.scale(-1, 1);
        else if (side == 2)
            painter.rotate(90);
        else if (side == 3)
            painter.rotate(-90);
        painter.translate(-8, -8);
        QPen edge = pen;
        if (raster) {
            edge.setStyle(Qt::CustomDashLine);
            edge.setDashPattern({1.0, 1.2});
        }
        painter.setPen(edge);
        painter.drawLine(QPointF(2, 1), QPointF(2, 15));
        painter.setPen(pen);
        painter.drawRect(QRectF(4, 3.5, 9, 3));
        painter.drawRect(QRectF(4, 9.5, 6, 3));
        break;
    }
    case Drawn::Order:
        for (int row = 0; row < 3; ++row)
            painter.drawLine(QPointF(6, 3.5 + row * 4.5), QPointF(14.5, 3.5 + row * 4.5));
        painter.drawText(QRectF(0, 0, 6, 16), Qt::AlignCenter, QStringLiteral("1"));
        break;
    case Drawn::Plus:
        painter.drawRect(QRectF(2.5, 1.5, 9, 12));
        painter.setPen(QPen(QColor(30, 140, 30), 2));
        painter.drawLine(QPointF(12, 8.5), QPointF(12, 15.5));
        painter.drawLine(QPointF(8.5, 12), QPointF(15.5, 12));
        break;
    case Drawn::Cross:
        painter.drawRect(QRectF(2.5, 1.5, 9, 12));
        painter.setPen(QPen(QColor(200, 30, 30), 2));
        painter.drawLine(QPointF(9, 9), QPointF(15, 15));
        painter.drawLine(QPointF(15, 9), QPointF(9, 15));
        break;
    case Drawn::First:
    case Drawn::Previous:
    case Drawn::Next:
    case Drawn::Last: {
        // Drawn pointing left; Next and Last are their mirror images.
        if (what == Drawn::Next || what == Drawn::Last) {
            painter.translate(16, 0);
            painter.scale(-1, 1);
        }
        const bool toTheEnd = what == Drawn::First || what == Drawn::Last;
        const qreal tip = toTheEnd ? 5 : 3.5;
        QPainterPath arrow;
        arrow.moveTo(tip, 8);
        arrow.lineTo(tip + 8, 2.5);
        arrow.lineTo(tip + 8, 13.5);
        arrow.closeSubpath();
        painter.setBrush(ink);
        painter.drawPath(arrow);
        if (toTheEnd)
            painter.fillRect(QRectF(1.5, 2.5, 2, 11), ink);
        break;
    }
    case Drawn::SortAscending:
    case Drawn::SortDescending: {
        // Bars growing the way the values do, and an arrow beside them.
        const bool up = what == Drawn::SortAscending;
        for (int bar = 0; bar < 3; ++bar) {
            const qreal length = 3 + 2.5 * (up ? bar : 2 - bar);
            painter.fillRect(QRectF(7, 3 + 4 * bar, length, 2), ink);
        }
        painter.drawLine(QPointF(3.5, 2.5), QPointF(3.5, 13.5));
        QPainterPath head;
        const qreal tipY = up ? 13.5 : 2.5;
        const qreal baseY = up ? 10 : 6;
        head.moveTo(3.5, tipY);
        head.lineTo(1, baseY);
        head.lineTo(6, baseY);
        head.closeSubpath();
        painter.setBrush(ink);
        painter.drawPath(head);
        break;
    }
    case Drawn::FormView:
        // Labels and their fields, one record.
        painter.drawRect(QRectF(1.5, 1.5, 13, 13));
        for (int row = 0; row < 3; ++row) {
            const qreal y = 4.5 + row * 3.5;
            painter.drawLine(QPointF(3.5, y), QPointF(6, y));
            painter.drawRect(QRectF(7.5, y - 1, 5, 2));
        }
        break;
    case Drawn::DatasheetView:
        // A grid of rows and columns.
        painter.drawRect(QRectF(1.5, 1.5, 13, 13));
        painter.fillRect(QRectF(1.5, 1.5, 13, 3), QColor(ink.red(), ink.green(), ink.blue(), 90));
        for (const qreal y : {4.5, 8.0, 11.5})
            painter.drawLine(QPointF(1.5, y), QPointF(14.5, y));
        for (const qreal x : {6.0, 10.5})
            painter.drawLine(QPointF(x, 1.5), QPointF(x, 14.5));
        break;
    case Drawn::Undo: {
        QPainterPath arc;
        arc.moveTo(4, 6);
        arc.cubicTo(8, 2, 15, 4, 14, 9);
        arc.cubicTo(13.5, 12.5, 10, 14, 7, 13.5);
        painter.setPen(QPen(QColor(40, 100, 190), 1.8, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc);
        QPainterPath head;
        head.moveTo(1.5, 6.5);
        head.lineTo(6.5, 2.5);
        head.lineTo(6.5, 9.5);
        head.closeSubpath();
        painter.setBrush(QColor(40, 100, 190));
        painter.setPen(Qt::NoPen);
        painter.drawPath(head);
        break;
    }
    case Drawn::None:
        break;
    }
    return pixmap;
}

// The drawn icons by picture and ink. Every form dialog makes its tool bar
// anew, and painting four sizes of each picture was a third of the time its
// constructor took. Used from the user-interface thread only; emptied with
// the application object, before the pixmaps' platform goes.
QHash<QPair<int, QRgb>, QIcon> &drawnIcons()
{
    static QHash<QPair<int, QRgb>, QIcon> icons;
    return icons;
}

void forgetDrawnIcons()
{
    drawnIcons().clear();
}

QIcon drawnIcon(Drawn what, const QWidget *widget)
{
    const QColor ink = widget ? widget->palette().color(QPalette::WindowText)
                              : QApplication::palette().color(QPalette::WindowText);
    QHash<QPair<int, QRgb>, QIcon> &icons = drawnIcons();
    if (icons.isEmpty())
        qAddPostRoutine(forgetDrawnIcons);
    QIcon &result = icons[qMakePair(int(what), ink.rgba())];
    if (result.isNull()) {
        for (int size : {16, 24, 32, 48})
            result.addPixmap(drawnPixmap(what, size, ink));
    }
    return result;
}

} // namespace

QIcon icon(int id, const QWidget *widget)
{
    for (const IconRow &row : kIcons) {
        if (row.id != id)
            continue;
        const QIcon themed =
            *row.theme ? QIcon::fromTheme(QString::fromLatin1(row.theme)) : QIcon();
        if (!themed.isNull())
            return themed;
        const QStyle *style = widget ? widget->style() : QApplication::style();
        if (row.standard != kNoStandard && style) {
            const QIcon standard = style->standardIcon(row.standard, nullptr, widget);
            if (!standard.isNull())
                return standard;
        }
        return drawnIcon(row.drawn == Drawn::None ? Drawn::Plus : row.drawn, widget);
    }
    return QIcon();
}

} // namespace CommandTable
