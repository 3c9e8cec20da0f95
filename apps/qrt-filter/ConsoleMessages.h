#ifndef QRT_APPS_QRTFILTER_CONSOLEMESSAGES_H
#define QRT_APPS_QRTFILTER_CONSOLEMESSAGES_H

#include "platform/UserMessages.h"

// The library's messages for a run without anyone at the screen (a
// screenshot on the offscreen platform): they go to standard error, and
// every question is answered the way that changes nothing.
class ConsoleMessages final : public UserMessages
{
public:
    ConsoleMessages();
    ~ConsoleMessages() override;
    ConsoleMessages(const ConsoleMessages &) = delete;
    ConsoleMessages &operator=(const ConsoleMessages &) = delete;

    void inform(const QString &text) override;
    Answer askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;

private:
    UserMessages *m_previous;
};

#endif // QRT_APPS_QRTFILTER_CONSOLEMESSAGES_H
