#include "runtime/CForm.h"

#include "runtime/FormGeometry.h"

#include "controls/CDynControl.h"
#include "platform/UserMessages.h"
#include "runtime/CFormParent.h"
#include "runtime/FormEditor.h"
#include "runtime/RectTracker.h"

#include <QPaintEvent>
#include <QPainter>
#include <QUndoStack>

namespace {

// Room right of the rightmost control, so that it does not touch the edge.
constexpr int kRightMargin = 15;

// The raster's colour: a mid grey that reads as a guide, not as content.
const QColor kRasterColour(0x80, 0x80, 0x80);

} // namespace

CForm::CForm(CFormParent *host, bool designMode)
    : QWidget(host ? host->GetWnd() : nullptr), m_host(host),
      m_hostWindow(host ? host->GetWnd() : nullptr), m_designMode(designMode)
{
    setObjectName(QStringLiteral("QRT_FORM"));
    // While the layout is edited the form takes the keys (Delete, A); in
    // data mode the fields do.
    setFocusPolicy(designMode ? Qt::StrongFocus : Qt::NoFocus);
    if (designMode)
        m_editor = std::make_unique<FormEditor>(*this);
}

CForm::~CForm() = default;

QUndoStack *CForm::undoStack() const
{
    return m_editor ? m_editor->undoStack() : nullptr;
}

void CForm::addControl(CDynControl &control)
{
    // A stored form that names a control twice still shows it once.
    if (!m_controls.contains(&control))
        m_controls.append(&control);
    calcExtent(control);
    control.Show();
}

void CForm::clearControls()
{
    m_controls.clear();
}

void CForm::setControlOrder(const QVector<CDynControl *> &order)
{
    Q_ASSERT(order.size() == m_controls.size());
    m_controls = order;
}

QRect CForm::calcExtent()
{
    m_extent = QRect();
    for (const CDynControl *control : std::as_const(m_controls))
        calcExtent(*control);
    return m_extent;
}

QRect CForm::calcExtent(const CDynControl &added)
{
    int right = m_extent.width();
    int bottom = m_extent.height();
    if (added.Right() > right - kRightMargin)
        right = added.Right() + kRightMargin;
    if (added.Bottom() > bottom)
        bottom = added.Bottom();
    m_extent = QRect(0, 0, right, bottom);
    return m_extent;
}

void CForm::setRasterX(int step)
{
    if (step >= MinRaster && step <= MaxRaster)
        m_rasterX = qint16(step);
    update();
}

void CForm::setRasterY(int step)
{
    if (step >= MinRaster && step <= MaxRaster)
        m_rasterY = qint16(step);
    update();
}

void CForm::setRasterShown(bool shown)
{
    m_showRaster = shown;
    update();
}

CDynControl *CForm::findControl(const QString &name) const
{
    for (CDynControl *control : m_controls) {
        if (control->GetName() == name)
            return control;
    }
    return nullptr;
}

CDynControl *CForm::findControl(unsigned id) const
{
    for (CDynControl *control : m_controls) {
        if (control->GetId() == id)
            return control;
    }
    return nullptr;
}

CDynControl *CForm::controlAt(const QPoint &point) const
{
    for (CDynControl *control : m_controls) {
        if (control->GetRect().contains(point))
            return control;
    }
    return nullptr;
}

bool CForm::isAnyControlModified() const
{
    return std::any_of(m_controls.begin(), m_controls.end(),
                       [](const CDynControl *control) { return control->IsModified(); });
}

void CForm::clearAll()
{
    for (CDynControl *control : std::as_const(m_controls)) {
        control->ClearValue();
        control->SetModified(false);
    }
}

// --- design mode: what the controls report goes to the editor ------------

void CForm::controlPressed(CDynControl &control, const QPoint &point,
                           Qt::KeyboardModifiers modifiers)
{
    if (m_editor)
        m_editor->pressed(&control, point, modifiers);
}

void CForm::controlDragged(CDynControl &, const QPoint &point, Qt::KeyboardModifiers)
{
    if (m_editor)
        m_editor->dragged(point);
}

void CForm::controlReleased(CDynControl &, const QPoint &point, Qt::KeyboardModifiers modifiers)
{
    if (m_editor)
        m_editor->released(point, modifiers);
}

std::unique_ptr<ControlTracker> CForm::createTracker(const QRect &rect, int style)
{
    return std::make_unique<RectTracker>(rect, style, this);
}

int CForm::selectedCount() const
{
    return int(std::count_if(m_controls.begin(), m_controls.end(),
                             [](const CDynControl *control) { return control->IsSelected(); }));
}

void CForm::showSelectionMenu()
{
    if (m_editor)
        m_editor->showFormMenu();
}

bool CForm::removeControl(CDynControl &control)
{
    if (!m_controls.contains(&control)) {
        qrt::inform(QStringLiteral("Eingabefeld konnte nicht entfernt werden!"), this);
        return false;
    }
    FormChange change(*this, QStringLiteral("Entfernen"));
    if (control.CarriesValue()) {
        // The label goes with its field; one the user took off already stays off.
        if (CDynControl *label =
                findControl(control.GetCaption() + CDynControl::NameSuffix(ControlKind::Static)))
            removeControl(*label);
    }
    m_controls.removeOne(&control);
    // Off the form means out of the selection too: a hidden control has
    // nothing to be moved or aligned with.
    control.Select(false);
    control.Hide();
    calcExtent();
    return true;
}

bool CForm::editControlProperties(ControlProperties &properties)
{
    return m_editor && m_editor->editControlProperties(properties);
}

void CForm::applyControlProperties(CDynControl &control, const ControlProperties &properties)
{
    FormChange change(*this, QStringLiteral("Eigenschaften des Steuerelements"));
    control.ApplyProperties(properties);
}

void CForm::repaint()
{
    update();
    if (QWidget *host = m_hostWindow.data())
        (host->parentWidget() ? host->parentWidget() : host)->update();
}

void CForm::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (m_designMode && m_showRaster) {
        painter.setPen(QPen(kRasterColour, 0));
        const QRect area = event->rect();
        // Whole lines from the form's origin, as far as the repainted area
        // reaches; lines before it are not drawn at all.
        const int firstY = area.top() - area.top() % m_rasterY;
        for (int y = firstY; y <= area.bottom(); y += m_rasterY)
            painter.drawLine(area.left(), y, area.right(), y);
        const int firstX = area.left() - area.left() % m_rasterX;
        for (int x = firstX; x <= area.right(); x += m_rasterX)
            painter.drawLine(x, area.top(), x, area.bottom());
    }
    // The selection outlines are widgets of their own (RectTracker), above
    // the controls; the band is one too.
}

void CForm::Align(int direction, bool toRaster)
{
    QVector<CDynControl *> selected;
    QVector<QRect> rects;
    for (CDynControl *control : std::as_const(m_controls)) {
        if (control->IsSelected()) {
            selected << control;
            rects << control->GetRect();
        }
    }
    if (selected.isEmpty())
        return;
    FormChange change(*this, QStringLiteral("Ausrichten"));
    const QVector<QRect> moved =
        FormGeometry::aligned(rects, FormGeometry::Edge(direction), toRaster, m_rasterX, m_rasterY);
    for (qsizetype i = 0; i < selected.size(); ++i) {
        const QRect &rect = moved.at(i);
        selected.at(i)->MoveTo(rect.left(), rect.top(), rect.left() + rect.width(),
                               rect.top() + rect.height());
    }
    repaint();
}

QRect CForm::TakeDrawnRect()
{
    // The editor runs the events until the band is drawn; the form may be
    // gone by then, so nothing of it is touched afterwards.
    return m_editor ? m_editor->takeDrawnRect() : QRect();
}

void CForm::controlModifiedChanged()
{
    if (m_host && !m_designMode)
        m_host->recordModifiedChanged();
}

QVector<CDynControl *> CForm::shownFields() const
{
    QVector<CDynControl *> fields;
    for (CDynControl *control : m_controls) {
        if (control->CarriesValue() && control->GetWindow() && !control->GetWindow()->isHidden())
            fields.append(control);
    }
    return fields;
}

void CForm::prepareShownTexts(const QVector<CDataMgr::Row> &rows) const
{
    for (CDynControl *field : shownFields()) {
        if (!field->PreparesShownTexts())
            continue;
        QStringList texts;
        texts.reserve(rows.size());
        for (const CDataMgr::Row &row : rows)
            texts << row.fields.value(field->GetName());
        field->PrepareShownTexts(texts);
    }
}
