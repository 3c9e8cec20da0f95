#ifndef QRT_TESTS_SCRIPTEDMESSAGES_H
#define QRT_TESTS_SCRIPTEDMESSAGES_H

#include "platform/UserMessages.h"

#include <QQueue>
#include <QStringList>

// Stands in for the message boxes while it lives: records every text shown or
// asked, answers questions from a queue, and fails the running test when a
// question comes that nobody scripted.
class ScriptedMessages final : public UserMessages
{
public:
    ScriptedMessages();
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages &) = delete;
    ScriptedMessages &operator=(const ScriptedMessages &) = delete;

    // The answers for the next questions, in order.
    void answer(Answer next) { m_answers.enqueue(next); }

    // Every text, informations and questions alike, in the order they came.
    const QStringList &texts() const { return m_texts; }
    const QStringList &questions() const { return m_questions; }
    void clear();
    int pendingAnswers() const { return int(m_answers.size()); }

    void inform(const QString &text) override;
    Answer askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;

private:
    Answer nextAnswer(const QString &text, bool cancelAllowed);

    QQueue<Answer> m_answers;
    QStringList m_texts;
    QStringList m_questions;
    UserMessages *m_previous;
};

#endif // QRT_TESTS_SCRIPTEDMESSAGES_H
