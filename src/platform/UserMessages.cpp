#include "platform/UserMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtDebug>

namespace {

class WidgetMessages final : public UserMessages
{
public:
    void inform(const QString &text, QWidget *owner) override
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return;
        }
        QMessageBox box(QMessageBox::NoIcon, title(owner), text, QMessageBox::NoButton,
                        parentFor(owner));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    }

    Answer askYesNo(const QString &text, QWidget *owner) override
    {
        return ask(text, owner, false);
    }
    Answer askYesNoCancel(const QString &text, QWidget *owner) override
    {
        return ask(text, owner, true);
    }

private:
    static bool hasWidgets() { return qobject_cast<QApplication *>(QCoreApplication::instance()); }

    // The box is modal to the owner's window; without an owner to whatever
    // window the user is working in.
    static QWidget *parentFor(QWidget *owner)
    {
        return owner ? owner->window() : QApplication::activeWindow();
    }

    static QString title(QWidget *owner)
    {
        if (owner && !owner->window()->windowTitle().isEmpty())
            return owner->window()->windowTitle();
        const QString name = QCoreApplication::applicationName();
        return name.isEmpty() ? QStringLiteral("QRT") : name;
    }

    static Answer ask(const QString &text, QWidget *owner, bool withCancel)
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return withCancel ? Answer::Cancel : Answer::No;
        }
        QMessageBox box(QMessageBox::Question, title(owner), text, QMessageBox::NoButton,
                        parentFor(owner));
        QPushButton *yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
        QPushButton *cancel = nullptr;
        if (withCancel) {
            cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
            box.setEscapeButton(cancel);
        } else {
            box.setEscapeButton(no);
        }
        box.setDefaultButton(yes);
        box.exec();
        if (box.clickedButton() == yes)
            return Answer::Yes;
        if (withCancel && box.clickedButton() != no)
            return Answer::Cancel;
        return Answer::No;
    }
};

WidgetMessages g_defaultMessages;
UserMessages *g_current = &g_defaultMessages;

} // namespace

UserMessages::~UserMessages() = default;

UserMessages &UserMessages::current()
{
    return *g_current;
}

UserMessages *UserMessages::install(UserMessages *messages)
{
    UserMessages *previous = g_current;
    g_current = messages ? messages : &g_defaultMessages;
    return previous == &g_defaultMessages ? nullptr : previous;
}

ScopedUserMessages::ScopedUserMessages(UserMessages &messages)
    : m_previous(UserMessages::install(&messages))
{}

ScopedUserMessages::~ScopedUserMessages()
{
    UserMessages::install(m_previous);
}

namespace qrt {

void inform(const QString &text, QWidget *owner)
{
    UserMessages::current().inform(text, owner);
}

UserMessages::Answer askYesNo(const QString &text, QWidget *owner)
{
    return UserMessages::current().askYesNo(text, owner);
}

UserMessages::Answer askYesNoCancel(const QString &text, QWidget *owner)
{
    return UserMessages::current().askYesNoCancel(text, owner);
}

} // namespace qrt
