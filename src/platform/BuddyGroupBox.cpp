#include "platform/BuddyGroupBox.h"

#include <QEvent>

BuddyGroupBox::BuddyGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent) {}

bool BuddyGroupBox::event(QEvent *event)
{
    // The title registers the only shortcut a group box has.
    if (event->type() == QEvent::Shortcut && m_buddy && m_buddy->isEnabled() &&
        m_buddy->isVisible() && !isCheckable()) {
        m_buddy->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    return QGroupBox::event(event);
}
