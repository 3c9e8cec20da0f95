#include <QApplication>

#include <gtest/gtest.h>

// Every test program runs with a QApplication on the offscreen platform, so
// widget tests need no display and all programs start the same way.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
