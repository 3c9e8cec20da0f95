#include "platform/UserMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtDebug>

namespace {

class WidgetMessages final : public UserMessages
{
public:
    void inform(const QString &text) override
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return;
        }
        QMessageBox box(QMessageBox::NoIcon, title(), text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
    }

    Answer askYesNo(const QString &text) override { return ask(text, false); }
    Answer askYesNoCancel(const QString &text) override { return ask(text, true); }

private:
    static bool hasWidgets() { return qobject_cast<QApplication *>(QCoreApplication::instance()); }

    static QString title()
    {
        const QString name = QCoreApplication::applicationName();
        return name.isEmpty() ? QStringLiteral("QRT") : name;
    }

    static Answer ask(const QString &text, bool withCancel)
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return withCancel ? Answer::Cancel : Answer::No;
        }
        QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton,
                        QApplication::activeWindow());
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

namespace qrt {

void inform(const QString &text)
{
    UserMessages::current().inform(text);
}

UserMessages::Answer askYesNo(const QString &text)
{
    return UserMessages::current().askYesNo(text);
}

UserMessages::Answer askYesNoCancel(const QString &text)
{
    return UserMessages::current().askYesNoCancel(text);
}

} // namespace qrt
