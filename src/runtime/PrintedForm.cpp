#include "runtime/PrintedForm.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynControl.h"
#include "controls/CDynPicture.h"
#include "controls/CDynSubform.h"
#include "controls/ControlInfo.h"
#include "data/CDataMgr.h"
#include "runtime/CForm.h"
#include "runtime/CFormFrame.h"
#include "runtime/CFormMgr.h"
#include "runtime/CFormParent.h"
#include "runtime/PrintedList.h"
#include "runtime/PrintedPage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

bool onPaper(const CDynControl &control)
{
    return control.GetWindow() && !control.GetWindow()->isHidden();
}

// The form of a subform's records; null while there is none.
CFormMgr *subformRecords(const CDynSubform &control)
{
    const CFormFrame *records =
        control.Container() ? control.Container()->findChild<CFormFrame *>() : nullptr;
    return records ? records->GetFormMgr() : nullptr;
}

// A thin line: half a pixel of the form, never thinner than a hair.
QPen hairline(const QColor &color, qreal unit)
{
    return QPen(color, qMax<qreal>(unit / 2, 0.5));
}

} // namespace

PrintedForm::PrintedForm(const CForm &form, const PrintedPage &page) : m_form(form), m_page(page)
{
    int right = 0;
    int bottom = 0;
    QVector<Band> spans;
    for (CDynControl *control : form.controls()) {
        if (!onPaper(*control))
            continue;
        m_controls << control;
        right = qMax(right, control->Right());
        bottom = qMax(bottom, control->Bottom());
        // A frame holds others: a page may break through it, not through them.
        if (control->kind() != ControlKind::Frame || qobject_cast<CDynSubform *>(control))
            spans << Band{control->Top(), control->Bottom()};
    }
    // At the screen's size where the form fits the page's width, else
    // narrower: never wider than the paper.
    const qreal unit = page.unitsPerPixel();
    m_scale = right > 0 ? qMin(unit, page.body().width() / right) : unit;
    m_fontScale = m_scale / unit;
    const int limit = qMax(1, int(page.body().height() / m_scale));
    for (int top = 0; top < bottom || m_bands.isEmpty();) {
        const int end =
            top + limit >= bottom ? qMax(bottom, top + 1) : breakBelow(spans, top, limit);
        m_bands << Band{top, end};
        top = end;
    }
}

int PrintedForm::breakBelow(const QVector<Band> &controls, int top, int limit)
{
    int end = top + limit;
    // Up past every control the line would cut, until it cuts none.
    for (bool moved = true; moved;) {
        moved = false;
        for (const Band &control : controls) {
            if (control.top < end && control.bottom > end && control.top > top) {
                end = control.top;
                moved = true;
            }
        }
    }
    // A control taller than the rest of the page is cut where the page ends.
    return end - top < limit / 4 ? top + limit : end;
}

QRectF PrintedForm::place(const QRect &formRect, int bandTop) const
{
    const QPointF origin = m_page.body().topLeft();
    return QRectF(origin.x() + formRect.left() * m_scale,
                  origin.y() + (formRect.top() - bandTop) * m_scale, formRect.width() * m_scale,
                  formRect.height() * m_scale);
}

void PrintedForm::showSubformsOfShownRecord() const
{
    const CFormParent *host = m_form.GetHost();
    CDataMgr *records = host && host->GetFormMgr() ? host->GetFormMgr()->dataManager() : nullptr;
    if (!records)
        return;
    // The key of the record shown, as stored (a new record has none), as the
    // subform takes it when it follows.
    RecordText::Fields shown;
    if (records->GetPosition(false).newRecord || !RecordText::read(records->GetRecordXml(), &shown))
        shown = RecordText::Fields();
    for (const CDynControl *control : m_controls) {
        const auto *subform = qobject_cast<const CDynSubform *>(control);
        if (CFormMgr *manager = subform ? subformRecords(*subform) : nullptr)
            manager->SetFixedValue(subform->Subform().link, shown.value(subform->Subform().key));
    }
}

void PrintedForm::paintShown(QPainter &painter, int index) const
{
    paint(painter, index, nullptr);
}

void PrintedForm::paintRecord(QPainter &painter, int index, const RecordText::Fields &record) const
{
    paint(painter, index, &record);
}

void PrintedForm::paint(QPainter &painter, int index, const RecordText::Fields *record) const
{
    if (index < 0 || index >= m_bands.size())
        return;
    const Band band = m_bands.at(index);
    painter.save();
    painter.setClipRect(QRectF(m_page.body().left(), m_page.body().top(), m_page.body().width(),
                               (band.bottom - band.top) * m_scale));
    // Frames first, so that what lies on them is drawn over their lines.
    QVector<CDynControl *> ordered = m_controls;
    std::stable_partition(ordered.begin(), ordered.end(), [](const CDynControl *control) {
        return control->kind() == ControlKind::Frame;
    });
    for (const CDynControl *control : std::as_const(ordered)) {
        if (control->Bottom() > band.top && control->Top() < band.bottom)
            paintControl(painter, *control, record, band.top);
    }
    painter.restore();
}

void PrintedForm::paintControl(QPainter &painter, const CDynControl &control,
                               const RecordText::Fields *record, int bandTop) const
{
    const qreal unit = m_scale;
    const QRectF rect = place(control.GetRect(), bandTop);
    const QFont font = m_page.printed(control.GetFont(), m_fontScale);
    const QFontMetricsF metrics(font, painter.device());
    const unsigned flags = control.GetProperties().flags;
    const Qt::Alignment across = (flags & ControlFlags::Right)    ? Qt::AlignRight
                                 : (flags & ControlFlags::Center) ? Qt::AlignHCenter
                                                                  : Qt::AlignLeft;
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (control.kind()) {
    case ControlKind::Static:
        painter.drawText(rect, across | Qt::AlignVCenter | Qt::TextWordWrap, control.WindowText());
        break;
    case ControlKind::Frame: {
        const QString title = control.WindowText();
        const qreal top = rect.top() + metrics.height() / 2;
        painter.setPen(hairline(QColor(0x80, 0x80, 0x80), unit));
        painter.drawRoundedRect(QRectF(rect.left(), top, rect.width(), rect.bottom() - top),
                                3 * unit, 3 * unit);
        if (!title.isEmpty()) {
            const QRectF titleRect(rect.left() + 6 * unit, rect.top(),
                                   metrics.horizontalAdvance(title) + 4 * unit, metrics.height());
            painter.fillRect(titleRect, Qt::white);
            painter.setPen(Qt::black);
            painter.drawText(titleRect, Qt::AlignCenter, title);
        }
        if (const auto *subform = qobject_cast<const CDynSubform *>(&control))
            paintSubform(painter, *subform,
                         rect.adjusted(6 * unit, metrics.height() + 2 * unit, -6 * unit, -4 * unit),
                         record);
        break;
    }
    case ControlKind::Checkbox: {
        const auto *box = qobject_cast<const CDynCheckbox *>(&control);
        QString value;
        QString problem;
        if (record)
            value = record->value(control.GetName());
        else
            control.GetRecordText(&value, &problem);
        const Qt::CheckState state = box ? box->StateOf(value) : Qt::Unchecked;
        const qreal side = qMin<qreal>(13 * unit, rect.height());
        const QRectF square(rect.left() + unit, rect.center().y() - side / 2, side, side);
        painter.setPen(hairline(Qt::black, 2 * unit));
        painter.drawRect(square);
        if (state == Qt::Checked) {
            QPainterPath tick;
            tick.moveTo(square.left() + side * 0.2, square.top() + side * 0.5);
            tick.lineTo(square.left() + side * 0.42, square.top() + side * 0.75);
            tick.lineTo(square.left() + side * 0.8, square.top() + side * 0.25);
            painter.setPen(QPen(Qt::black, 1.6 * unit));
            painter.drawPath(tick);
        } else if (state == Qt::PartiallyChecked) {
            painter.fillRect(square.adjusted(side / 4, side / 4, -side / 4, -side / 4), Qt::gray);
        }
        painter.setPen(Qt::black);
        painter.drawText(rect.adjusted(side + 5 * unit, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         control.WindowText());
        break;
    }
    case ControlKind::Edit:
    case ControlKind::DateTime: {
        painter.setPen(hairline(QColor(0xa0, 0xa0, 0xa0), unit));
        painter.drawRect(rect);
        painter.setPen(Qt::black);
        const QRectF inside = rect.adjusted(3 * unit, unit, -3 * unit, -unit);
        const QString stored = record ? record->value(control.GetName()) : QString();
        if (const auto *picture = qobject_cast<const CDynPicture *>(&control)) {
            const QImage image = record ? QImage::fromData(QByteArray::fromHex(stored.toLatin1()))
                                        : picture->Picture();
            if (!image.isNull()) {
                const QSizeF size = QSizeF(image.size()).scaled(inside.size(), Qt::KeepAspectRatio);
                painter.drawImage(
                    QRectF(inside.center() - QPointF(size.width(), size.height()) / 2, size),
                    image);
                break;
            }
        }
        const QString text = record ? (stored.isEmpty() ? QString() : control.ShownText(stored))
                                    : control.WindowText();
        painter.setClipRect(inside, Qt::IntersectClip);
        if (control.kind() == ControlKind::Edit && (flags & ControlFlags::MultiLine))
            painter.drawText(inside, across | Qt::AlignTop | Qt::TextWordWrap, text);
        else
            painter.drawText(inside, across | Qt::AlignVCenter | Qt::TextSingleLine,
                             metrics.elidedText(text.simplified(), Qt::ElideRight, inside.width()));
        break;
    }
    }
    painter.restore();
}

void PrintedForm::paintSubform(QPainter &painter, const CDynSubform &control, const QRectF &inside,
                               const RecordText::Fields *record) const
{
    CFormMgr *manager = subformRecords(control);
    CForm *form = manager ? manager->GetForm() : nullptr;
    CDataMgr *data = manager ? manager->dataManager() : nullptr;
    if (!form || !data)
        return;
    // A stored record's own: the subform shows them for a moment (the form
    // around it has nothing unsaved then; showSubformsOfShownRecord puts
    // back the records of the record shown).
    if (record)
        manager->SetFixedValue(control.Subform().link, record->value(control.Subform().key));
    const QFont font = m_page.printed(QFont(QStringLiteral("DejaVu Sans"), 8), m_fontScale);
    const QVector<CDataMgr::Row> rows =
        data->RecordsAt(1, PrintedList::rowsFitting(inside.height(), font, painter.device()));
    form->prepareShownTexts(rows);
    PrintedList::paintTable(painter, inside, form->shownFields(), rows, font, m_scale);
}
