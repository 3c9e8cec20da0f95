#ifndef QRT_RUNTIME_PRINTEDLIST_H
#define QRT_RUNTIME_PRINTEDLIST_H

#include "data/CDataMgr.h"
#include "qrt_export.h"

#include <QFont>
#include <QRectF>
#include <QVector>

class CDynControl;
class PrintedPage;
class QPaintDevice;
class QPainter;

// Records as a compact list on paper: a row a record, a column a field the
// form shows (its caption at the head of every page), the values as the
// form shows them, cut short with "…" where a column is too narrow. The
// columns share the page's width as the fields share the form's.
class QRT_AUTOTEST_EXPORT PrintedList
{
public:
    // device: the one the page is painted on.
    PrintedList(QVector<CDynControl *> fields, const PrintedPage &page, QPaintDevice *device);

    // Records on one page.
    [[nodiscard]] int rowsPerPage() const { return m_rowsPerPage; }
    // Paints the head and rows (at most rowsPerPage()) into the page's body,
    // in the columns the first page's rows made.
    void paint(QPainter &painter, const QVector<CDataMgr::Row> &rows);

    // The same table in rect, as many rows as fit; unit: a form pixel in the
    // device's units; widths: the columns', or empty to fit these rows.
    static void paintTable(QPainter &painter, const QRectF &rect,
                           const QVector<CDynControl *> &fields, const QVector<CDataMgr::Row> &rows,
                           const QFont &font, qreal unit, QVector<qreal> widths = {});
    // The widths of the columns for these rows in width.
    [[nodiscard]] static QVector<qreal> columnWidths(const QVector<CDynControl *> &fields,
                                                     const QVector<CDataMgr::Row> &rows,
                                                     const QFont &font, QPaintDevice *device,
                                                     qreal width);
    // Rows of font that fit into height below the head.
    [[nodiscard]] static int rowsFitting(qreal height, const QFont &font, QPaintDevice *device);

private:
    QVector<CDynControl *> m_fields;
    const PrintedPage &m_page;
    QFont m_font;
    int m_rowsPerPage = 1;
    QVector<qreal> m_widths;
};

#endif // QRT_RUNTIME_PRINTEDLIST_H
