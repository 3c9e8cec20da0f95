#ifndef QRT_TESTS_PRINTEDMESSAGES_H
#define QRT_TESTS_PRINTEDMESSAGES_H

#include "platform/RecordingMessages.h"

#include <QTextStream>

// The messages of a child program (ChildProcess): recorded, and printed on
// standard error, so that the test that started it can show why it failed.
class PrintedMessages : public RecordingMessages
{
public:
    void inform(const QString &text, QWidget *owner, Severity severity) override
    {
        RecordingMessages::inform(text, owner, severity);
        QTextStream(stderr) << text << Qt::endl;
    }
};

#endif // QRT_TESTS_PRINTEDMESSAGES_H
