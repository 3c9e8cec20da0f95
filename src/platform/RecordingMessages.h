#ifndef QRT_PLATFORM_RECORDINGMESSAGES_H
#define QRT_PLATFORM_RECORDINGMESSAGES_H

#include "platform/UserMessages.h"
#include "qrt_export.h"

#include <QQueue>
#include <QStringList>
#include <QVector>

// A stand-in for the message boxes that never waits for anyone: it records
// every information and question with the window that raised it, answers the
// questions from a script, and when the script has run dry answers the safe
// way (No, or Cancel where Cancel is offered), so nothing is discarded or
// overwritten, and notes that the question was unscripted.
//
// Hosts link it to test their own code headlessly:
//
//     RecordingMessages messages;
//     ScopedUserMessages installed(messages);
//     messages.answer(UserMessages::Answer::Yes);
//     ... run the code ...
//     EXPECT_TRUE(messages.unscriptedQuestions().isEmpty());
//
// Subclasses may turn an unscripted question into a test failure (unscripted()).
class QRT_EXPORT RecordingMessages : public UserMessages
{
public:
    enum class Kind {
        Information,
        YesNo,
        YesNoCancel,
        Conflicts, // resolveConflicts: Yes keeps every entry, No takes every stored value
    };
    // Why a question was answered the safe way instead of from the script.
    enum class Unscripted {
        NoAnswerLeft,     // the script had run dry
        AnswerNotOffered, // the script answered with a button the question lacks
    };

    struct Message
    {
        Kind kind = Kind::Information;
        QString text;
        // The window that raised it, for comparing only: it may be gone by now.
        const QWidget *owner = nullptr;
        Answer answer = Answer::Ok;                // what the caller got; Ok for an information
        bool scripted = true;                      // false for a question answered the safe way
        Severity severity = Severity::Information; // of an information
        Consequence consequence = Consequence::Harmless; // of a question's Yes
    };

    RecordingMessages();
    ~RecordingMessages() override;
    RecordingMessages(const RecordingMessages &) = delete;
    RecordingMessages &operator=(const RecordingMessages &) = delete;

    // The answer for the next question; answers are used in the order given.
    void answer(Answer next) { m_answers.enqueue(next); }
    [[nodiscard]] int pendingAnswers() const { return int(m_answers.size()); }

    // Everything shown or asked, in the order it came.
    [[nodiscard]] const QVector<Message> &messages() const { return m_messages; }
    // The texts of all of them, informations and questions alike.
    [[nodiscard]] const QStringList &texts() const { return m_texts; }
    [[nodiscard]] QStringList questions() const;
    [[nodiscard]] QStringList unscriptedQuestions() const;
    // Forgets what was recorded and the answers not used yet.
    void clear();

    void inform(const QString &text, QWidget *owner = nullptr,
                Severity severity = Severity::Information) override;
    Answer askYesNo(const QString &text, QWidget *owner = nullptr,
                    Consequence yes = Consequence::Harmless) override;
    Answer askYesNoCancel(const QString &text, QWidget *owner = nullptr,
                          Consequence yes = Consequence::Harmless) override;
    // Recorded with its text; answered as a question with Cancel offered.
    bool resolveConflicts(const QString &text, const QVector<Conflict> &conflicts,
                          QVector<Keep> *choices, QWidget *owner = nullptr) override;

protected:
    // Called after an unscripted question has been recorded with its safe
    // answer. Does nothing here.
    virtual void unscripted(const Message &question, Unscripted reason);

private:
    Answer ask(Kind kind, const QString &text, const QWidget *owner, Consequence consequence);

    QQueue<Answer> m_answers;
    QVector<Message> m_messages;
    QStringList m_texts; // kept beside m_messages so texts() can hand out a reference
};

#endif // QRT_PLATFORM_RECORDINGMESSAGES_H
