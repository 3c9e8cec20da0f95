#include "controls/CDynFrame.h"

#include "controls/ControlGeometry.h"

#include <QGroupBox>

QGroupBox *CDynFrame::box() const
{
    return qobject_cast<QGroupBox *>(GetWindow());
}

QWidget *CDynFrame::MakeWindow(QWidget *parent, const ControlDescription &)
{
    auto *window = new QGroupBox(parent);
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
