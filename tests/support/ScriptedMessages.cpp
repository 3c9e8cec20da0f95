#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

void ScriptedMessages::unscripted(const Message &question, Unscripted reason)
{
    switch (reason) {
    case Unscripted::NoAnswerLeft:
        ADD_FAILURE() << "unscripted question: " << question.text.toStdString();
        return;
    case Unscripted::AnswerNotOffered:
        ADD_FAILURE() << "scripted answer not offered by the question: "
                      << question.text.toStdString();
        return;
    }
}
