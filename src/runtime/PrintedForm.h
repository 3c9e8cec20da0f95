#ifndef QRT_RUNTIME_PRINTEDFORM_H
#define QRT_RUNTIME_PRINTEDFORM_H

#include "qrt_export.h"
#include "xml/RecordText.h"

#include <QVector>

class CDynControl;
class CDynSubform;
class CForm;
class PrintedPage;
class QPainter;

// A record as the form lays it out, on paper: every control where the form
// has it, drawn as its value, not as a widget (no cursor, no selection, no
// raster): a field as a thin box with its text (a multi-line text wrapped
// inside it), a check box ticked or not, a picture scaled into its field, a
// caption, a frame with its title, a subform with its records (as many as
// fit).
//
// The form is scaled to the page's width where it is wider, else printed
// at its size on the screen at 100 %. A form longer than a page goes on
// over several, broken between controls where that is possible (through a
// control only where one is taller than a page).
class QRT_AUTOTEST_EXPORT PrintedForm
{
public:
    PrintedForm(const CForm &form, const PrintedPage &page);

    // Pages one record takes.
    [[nodiscard]] int pageCount() const { return int(m_bands.size()); }
    // The stretches of the form (top and bottom, in the form's pixels) that
    // go onto one page each.
    struct Band
    {
        int top;
        int bottom;
    };
    [[nodiscard]] const QVector<Band> &bands() const { return m_bands; }

    // Paints page index (from 0) of the record the form shows now, with
    // what the user has typed into it.
    void paintShown(QPainter &painter, int index) const;
    // Paints page index of a record as stored (its record text). Its
    // subforms show its rows from then on: call showSubformsOfShownRecord()
    // after the last.
    void paintRecord(QPainter &painter, int index, const RecordText::Fields &record) const;
    void showSubformsOfShownRecord() const;

    // Where a band of height limit ends that starts at top, among controls
    // of these rectangles (top, bottom): at the last place above top + limit
    // that cuts through none of them, or at top + limit where every such
    // place would leave less than a quarter of the page.
    [[nodiscard]] static int breakBelow(const QVector<Band> &controls, int top, int limit);

private:
    void paint(QPainter &painter, int index, const RecordText::Fields *record) const;
    // bandTop: the top of the band being painted, in the form's pixels.
    void paintControl(QPainter &painter, const CDynControl &control,
                      const RecordText::Fields *record, int bandTop) const;
    // The subform's rows that fit inside: those it shows, or those of the
    // stored record.
    void paintSubform(QPainter &painter, const CDynSubform &control, const QRectF &inside,
                      const RecordText::Fields *record) const;
    [[nodiscard]] QRectF place(const QRect &formRect, int bandTop) const;

    const CForm &m_form;
    const PrintedPage &m_page;
    QVector<CDynControl *> m_controls;
    QVector<Band> m_bands;
    qreal m_scale = 1;     // device units per form pixel
    qreal m_fontScale = 1; // how much smaller than on the screen
};

#endif // QRT_RUNTIME_PRINTEDFORM_H
