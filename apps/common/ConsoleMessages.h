#ifndef QRT_APPS_COMMON_CONSOLEMESSAGES_H
#define QRT_APPS_COMMON_CONSOLEMESSAGES_H

#include "platform/UserMessages.h"

// The library's messages for a run without anyone at the screen (the
// offscreen or minimal platform): while the object lives they go to standard
// error, and every question is answered the way that changes nothing.
class ConsoleMessages final : public UserMessages
{
public:
    ConsoleMessages() = default;

    void inform(const QString &text, QWidget *owner = nullptr,
                Severity severity = Severity::Information) override;
    Answer askYesNo(const QString &text, QWidget *owner = nullptr,
                    Consequence yes = Consequence::Harmless) override;
    Answer askYesNoCancel(const QString &text, QWidget *owner = nullptr,
                          Consequence yes = Consequence::Harmless) override;

private:
    ScopedUserMessages m_installed{*this};
};

#endif // QRT_APPS_COMMON_CONSOLEMESSAGES_H
