#include "platform/UserMessages.h"

#include "platform/ConflictDialog.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtDebug>

namespace {

QMessageBox::Icon iconOf(UserMessages::Severity severity)
{
    switch (severity) {
    case UserMessages::Severity::Information:
        return QMessageBox::Information;
    case UserMessages::Severity::Warning:
        return QMessageBox::Warning;
    case UserMessages::Severity::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::Information;
}

bool hasWidgets()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance());
}

// The box is modal to the owner's window; without an owner to whatever
// window the user is working in.
QWidget *parentFor(QWidget *owner)
{
    return owner ? owner->window() : QApplication::activeWindow();
}

// The title of the window the box belongs to: the user sees which dialog
// speaks, not which program.
QString title(QWidget *owner)
{
    const QWidget *parent = parentFor(owner);
    if (parent && !parent->windowTitle().isEmpty())
        return qrt::shownWindowTitle(*parent);
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("QRT") : name;
}

// Message boxes show their text as it is: a stored filter operand, a field's
// value or an engine's words may hold "<b>" or "&lt;", which a box that
// guesses the format would render as markup.
class WidgetMessages final : public UserMessages
{
public:
    void inform(const QString &text, QWidget *owner, Severity severity) override
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return;
        }
        QMessageBox box(iconOf(severity), title(owner), text, QMessageBox::NoButton,
                        parentFor(owner));
        box.setTextFormat(Qt::PlainText);
        box.addButton(QStringLiteral("&OK"), QMessageBox::AcceptRole);
        box.exec();
    }

    Answer askYesNo(const QString &text, QWidget *owner, Consequence yes) override
    {
        return ask(text, owner, yes, false);
    }
    Answer askYesNoCancel(const QString &text, QWidget *owner, Consequence yes) override
    {
        return ask(text, owner, yes, true);
    }

private:
    static Answer ask(const QString &text, QWidget *owner, Consequence consequence, bool withCancel)
    {
        if (!hasWidgets()) {
            qWarning().noquote() << text;
            return withCancel ? Answer::Cancel : Answer::No;
        }
        QMessageBox box(QMessageBox::Question, title(owner), text, QMessageBox::NoButton,
                        parentFor(owner));
        box.setTextFormat(Qt::PlainText);
        QPushButton *yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
        QPushButton *cancel = nullptr;
        if (withCancel) {
            cancel = box.addButton(QStringLiteral("&Abbrechen"), QMessageBox::RejectRole);
            box.setEscapeButton(cancel);
        } else {
            box.setEscapeButton(no);
        }
        box.setDefaultButton(consequence == Consequence::Destructive ? no : yes);
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

bool UserMessages::resolveConflicts(const QString &text, const QVector<Conflict> &conflicts,
                                    QVector<Keep> *choices, QWidget *owner)
{
    if (!hasWidgets()) {
        qWarning().noquote() << text;
        return false;
    }
    ConflictDialog dialog(text, conflicts, parentFor(owner));
    dialog.setWindowTitle(title(owner));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *choices = dialog.choices();
    return true;
}

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

bool resolveConflicts(const QString &text, const QVector<UserMessages::Conflict> &conflicts,
                      QVector<UserMessages::Keep> *choices, QWidget *owner)
{
    return UserMessages::current().resolveConflicts(text, conflicts, choices, owner);
}

QString shownWindowTitle(const QWidget &window)
{
    const QString placeholder = QStringLiteral("[*]");
    const QStringList pieces = window.windowTitle().split(QStringLiteral("[*][*]"));
    QStringList shown;
    for (QString piece : pieces)
        shown << piece.replace(placeholder,
                               window.isWindowModified() ? QStringLiteral("*") : QString());
    return shown.join(placeholder);
}

void inform(const QString &text, QWidget *owner, UserMessages::Severity severity)
{
    UserMessages::current().inform(text, owner, severity);
}

void warn(const QString &text, QWidget *owner)
{
    UserMessages::current().inform(text, owner, UserMessages::Severity::Warning);
}

UserMessages::Answer askYesNo(const QString &text, QWidget *owner, UserMessages::Consequence yes)
{
    return UserMessages::current().askYesNo(text, owner, yes);
}

UserMessages::Answer askYesNoCancel(const QString &text, QWidget *owner,
                                    UserMessages::Consequence yes)
{
    return UserMessages::current().askYesNoCancel(text, owner, yes);
}

} // namespace qrt
