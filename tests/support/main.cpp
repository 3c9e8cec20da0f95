#include "support/ChildProcess.h"

#include <QApplication>

#include <gtest/gtest.h>

// Every test program runs with a QApplication on the offscreen platform, so
// widget tests need no display and all programs start the same way. Started
// as a child of one of its own tests, it runs that test's action instead.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int exitCode = 0;
    if (ChildProcess::runIfChild(&exitCode))
        return exitCode;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
