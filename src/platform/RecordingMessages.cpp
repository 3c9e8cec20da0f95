#include "platform/RecordingMessages.h"

#include <optional>

RecordingMessages::RecordingMessages() = default;

RecordingMessages::~RecordingMessages() = default;

QStringList RecordingMessages::questions() const
{
    QStringList texts;
    for (const Message &message : m_messages) {
        if (message.kind != Kind::Information)
            texts << message.text;
    }
    return texts;
}

QStringList RecordingMessages::unscriptedQuestions() const
{
    QStringList texts;
    for (const Message &message : m_messages) {
        if (!message.scripted)
            texts << message.text;
    }
    return texts;
}

void RecordingMessages::clear()
{
    m_answers.clear();
    m_messages.clear();
    m_texts.clear();
}

void RecordingMessages::inform(const QString &text, QWidget *owner, Severity severity)
{
    Message information{Kind::Information, text, owner, Answer::Ok, true};
    information.severity = severity;
    m_messages.append(information);
    m_texts << text;
}

UserMessages::Answer RecordingMessages::askYesNo(const QString &text, QWidget *owner,
                                                 Consequence yes)
{
    return ask(Kind::YesNo, text, owner, yes);
}

UserMessages::Answer RecordingMessages::askYesNoCancel(const QString &text, QWidget *owner,
                                                       Consequence yes)
{
    return ask(Kind::YesNoCancel, text, owner, yes);
}

bool RecordingMessages::resolveConflicts(const QString &text, const QVector<Conflict> &conflicts,
                                         QVector<Keep> *choices, QWidget *owner)
{
    const Answer answer = ask(Kind::Conflicts, text, owner, Consequence::Harmless);
    if (answer == Answer::Cancel)
        return false;
    choices->fill(answer == Answer::Yes ? Keep::Yours : Keep::Stored, conflicts.size());
    return true;
}

void RecordingMessages::unscripted(const Message &, Unscripted) {}

UserMessages::Answer RecordingMessages::ask(Kind kind, const QString &text, const QWidget *owner,
                                            Consequence consequence)
{
    const bool cancelOffered = kind == Kind::YesNoCancel || kind == Kind::Conflicts;
    const Answer safe = cancelOffered ? Answer::Cancel : Answer::No;
    Message question{kind, text, owner, safe, false};
    question.consequence = consequence;
    std::optional<Unscripted> reason;
    if (m_answers.isEmpty()) {
        reason = Unscripted::NoAnswerLeft;
    } else {
        const Answer next = m_answers.dequeue();
        // Cancel where only Yes and No are offered, or Ok, means the script
        // expected another question than this one.
        if ((next == Answer::Cancel && !cancelOffered) || next == Answer::Ok) {
            reason = Unscripted::AnswerNotOffered;
        } else {
            question.answer = next;
            question.scripted = true;
        }
    }
    m_messages.append(question);
    m_texts << text;
    if (reason)
        unscripted(m_messages.last(), *reason);
    return question.answer;
}
