#include "controls/CDynStatic.h"

#include <QLabel>

QLabel *CDynStatic::label() const
{
    return qobject_cast<QLabel *>(GetWindow());
}

QWidget *CDynStatic::MakeWindow(QWidget *parent, const ControlDescription &)
{
    auto *window = new QLabel(parent);
    // Captions come from the database: "<b>" is text, not markup.
    window->setTextFormat(Qt::PlainText);
    window->setWordWrap(true);
    // While the layout is edited a caption stands on the raster; it paints
    // the form's background so that no raster line runs through its text.
    window->setAutoFillBackground(IsDesignMode());
    return window;
}

void CDynStatic::FinishCreate(const ControlDescription &description)
{
    if (WantsAutoSize(description) && description.textLength < 0)
        AutoSizeFrom(description, description.caption);
    SetWindowText(description.caption);
}

void CDynStatic::ApplyStyle()
{
    CDynControl::ApplyStyle();
    QLabel *window = label();
    if (!window)
        return;
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (m_style & StaticStyle::Right)
        horizontal = Qt::AlignRight;
    else if (m_style & StaticStyle::Center)
        horizontal = Qt::AlignHCenter;
    window->setAlignment(horizontal | Qt::AlignTop);
    if (m_style & WindowStyle::Border) {
        window->setFrameStyle(QFrame::Box | QFrame::Plain);
        window->setLineWidth(1);
    } else {
        window->setFrameStyle(QFrame::NoFrame);
    }
}

void CDynStatic::Show()
{
    if (!GetWindow())
        return;
    GetWindow()->show();
    if (IsDesignMode())
        GetWindow()->raise();
}

QString CDynStatic::WindowText() const
{
    return label() ? label()->text() : QString();
}

void CDynStatic::SetWindowText(const QString &text)
{
    if (label())
        label()->setText(text);
}
