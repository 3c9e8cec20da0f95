#include "platform/ScreenFit.h"
#include "support/DialogChecks.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

TEST(ScreenFit, ThePreferredSizeWhereThereIsRoomNeverLessThanTheMinimum)
{
    EXPECT_EQ(fittedSize(QSize(600, 300), QSize(400, 200), QSize(1000, 800)), QSize(600, 300));
    EXPECT_EQ(fittedSize(QSize(900, 300), QSize(400, 200), QSize(620, 360)), QSize(620, 300));
    EXPECT_EQ(fittedSize(QSize(900, 500), QSize(700, 400), QSize(620, 360)), QSize(700, 400))
        << "cut texts help nobody: the minimum holds";
}

TEST(ScreenFit, AWindowThatPrefersMoreThanTheScreenGetsTheScreenAndKeepsItsTexts)
{
    QDialog dialog;
    auto *layout = new QGridLayout(&dialog);
    for (int row = 0; row < 4; ++row) {
        layout->addWidget(new QLabel("Ausgewählte Filterkriterien", &dialog), row, 0);
        layout->addWidget(new QPushButton("&Hinzufügen >>", &dialog), row, 1);
    }
    const QRect available = dialog.screen()->availableGeometry();
    fitToScreen(&dialog, available.size() * 2);
    EXPECT_LT(dialog.width(), available.width());
    EXPECT_LT(dialog.height(), available.height());
    dialog.show();
    EXPECT_EQ(clippedTexts(&dialog), QStringList());

    // What the checks would see if the window were any smaller.
    dialog.setMinimumSize(0, 0);
    dialog.resize(dialog.minimumSizeHint() / 2);
    EXPECT_FALSE(clippedTexts(&dialog).isEmpty());
}
