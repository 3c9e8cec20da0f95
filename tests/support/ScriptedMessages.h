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

    // With it, a conflict is put to the user in the library's own dialog,
    // for the test to drive with keys, instead of being answered from the
    // script.
    bool showConflicts = false;
    bool resolveConflicts(const QString &text, const QVector<Conflict> &conflicts,
                          QVector<Keep> *choices, QWidget *owner = nullptr) override
    {
        if (showConflicts)
            return UserMessages::resolveConflicts(text, conflicts, choices, owner);
        return RecordingMessages::resolveConflicts(text, conflicts, choices, owner);
    }

protected:
    void unscripted(const Message &question, Unscripted reason) override;

private:
    ScopedUserMessages m_installed{*this};
};

#endif // QRT_TESTS_SCRIPTEDMESSAGES_H
