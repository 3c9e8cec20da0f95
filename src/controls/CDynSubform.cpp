#include "controls/CDynSubform.h"

#include <QLabel>
#include <QVBoxLayout>

void CDynSubform::SetSubform(const SubformSetting &setting)
{
    m_setting = setting;
    Describe();
}

ControlInfo CDynSubform::StoredInfo() const
{
    ControlInfo info = CDynFrame::StoredInfo();
    info.subform = m_setting;
    return info;
}

bool CDynSubform::HitTest(int x, int y) const
{
    return GetWindow() && GetRect().contains(x, y);
}

QWidget *CDynSubform::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    QWidget *window = CDynFrame::MakeWindow(parent, description);
    auto *layout = new QVBoxLayout(window);
    if (IsDesignMode()) {
        m_description = new QLabel(window);
        m_description->setAlignment(Qt::AlignCenter);
        m_description->setWordWrap(true);
        layout->addWidget(m_description);
        Describe();
    } else {
        // The records inside take the mouse, unlike a frame's inside.
        window->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        layout->setContentsMargins(4, 4, 4, 4);
    }
    return window;
}

void CDynSubform::Describe()
{
    if (m_description)
        m_description->setText(
            QStringLiteral("Unterformular: %1 (über %2)").arg(m_setting.table, m_setting.link));
}
