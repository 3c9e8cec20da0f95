#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

ScriptedMessages::ScriptedMessages() : m_previous(UserMessages::install(this)) {}

ScriptedMessages::~ScriptedMessages()
{
    UserMessages::install(m_previous);
}

void ScriptedMessages::clear()
{
    m_texts.clear();
    m_questions.clear();
    m_answers.clear();
}

void ScriptedMessages::inform(const QString &text)
{
    m_texts << text;
}

UserMessages::Answer ScriptedMessages::askYesNo(const QString &text)
{
    return nextAnswer(text, false);
}

UserMessages::Answer ScriptedMessages::askYesNoCancel(const QString &text)
{
    return nextAnswer(text, true);
}

UserMessages::Answer ScriptedMessages::nextAnswer(const QString &text, bool cancelAllowed)
{
    m_texts << text;
    m_questions << text;
    if (m_answers.isEmpty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return cancelAllowed ? Answer::Cancel : Answer::No;
    }
    const Answer next = m_answers.dequeue();
    if (next == Answer::Cancel && !cancelAllowed)
        ADD_FAILURE() << "Cancel scripted for a Yes/No question: " << text.toStdString();
    return next;
}
