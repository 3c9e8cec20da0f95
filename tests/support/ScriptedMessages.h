#ifndef QRT_TESTS_SCRIPTEDMESSAGES_H
#define QRT_TESTS_SCRIPTEDMESSAGES_H

#include "platform/RecordingMessages.h"

// The library's recording messages, installed while the object lives, with
// one thing more for our own tests: a question that nobody scripted fails
// the running test (it is still answered the safe way).
class ScriptedMessages final : public RecordingMessages
{
public:
    ScriptedMessages() = default;

protected:
    void unscripted(const Message &question, Unscripted reason) override;

private:
    ScopedUserMessages m_installed{*this};
};

#endif // QRT_TESTS_SCRIPTEDMESSAGES_H
