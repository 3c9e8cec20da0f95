#include "controls/CDynFrame.h"

#include "controls/ControlGeometry.h"

#include <QGroupBox>
#include <QPainter>
#include <QStyleOptionGroupBox>

namespace {

// In design mode the style's faint frame vanishes in the raster: the frame
// is outlined in the text colour as well, leaving a gap for its title.
class OutlinedGroupBox final : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QGroupBox::paintEvent(event);
        QStyleOptionGroupBox option;
        initStyleOption(&option);
        const QRect frame =
            style()
                ->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, this)
                .adjusted(0, 0, -1, -1);
        const QRect label = title().isEmpty()
                                ? QRect()
                                : style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                          QStyle::SC_GroupBoxLabel, this);
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
        painter.drawLine(frame.bottomLeft(), frame.bottomRight());
        painter.drawLine(frame.topLeft(), frame.bottomLeft());
        painter.drawLine(frame.topRight(), frame.bottomRight());
        if (label.isNull()) {
            painter.drawLine(frame.topLeft(), frame.topRight());
            return;
        }
        if (label.left() > frame.left())
            painter.drawLine(frame.topLeft(), QPoint(label.left() - 2, frame.top()));
        if (label.right() < frame.right())
            painter.drawLine(QPoint(label.right() + 2, frame.top()), frame.topRight());
    }
};

} // namespace

QGroupBox *CDynFrame::box() const
{
    return qobject_cast<QGroupBox *>(GetWindow());
}

QWidget *CDynFrame::MakeWindow(QWidget *parent, const ControlDescription &)
{
    auto *window = IsDesignMode() ? new OutlinedGroupBox(parent) : new QGroupBox(parent);
    // The frame's inside belongs to the fields and the form beneath it.
    window->setAttribute(Qt::WA_TransparentForMouseEvents);
    return window;
}

void CDynFrame::FinishCreate(const ControlDescription &description)
{
    if (WantsAutoSize(description) && description.textLength < 0)
        AutoSizeFrom(description, description.caption);
    SetWindowText(description.caption);
}

void CDynFrame::Show()
{
    if (!GetWindow())
        return;
    GetWindow()->show();
    GetWindow()->lower();
}

bool CDynFrame::HitTest(int x, int y) const
{
    return GetWindow() && ControlGeometry::frameHitTest(GetRect(), QPoint(x, y));
}

QString CDynFrame::WindowText() const
{
    return box() ? box()->title() : QString();
}

void CDynFrame::SetWindowText(const QString &text)
{
    if (box())
        box()->setTitle(text);
}
