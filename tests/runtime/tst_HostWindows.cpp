#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CScrollWnd.h"
#include "runtime/CToolbarDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace CommandTable;

TEST(ScrollSteps, UnitsRangesAndPages)
{
    // A document 1000 pixels high in a client 400 pixels high: 150 units.
    const ScrollSteps steps = ScrollSteps::forSizes(QSize(900, 1000), QSize(500, 400));
    EXPECT_EQ(steps.rawVertical, 150);
    EXPECT_EQ(steps.maxVertical, 150);
    EXPECT_EQ(steps.rawHorizontal, 50);
    EXPECT_EQ(steps.verticalPage(), 150) << "one page down goes all the way";
    EXPECT_EQ(ScrollSteps::moved(0, steps.verticalPage(), steps.maxVertical), 150);
    EXPECT_EQ(ScrollSteps::moved(40, ScrollSteps::kHorizontalPage, 50), 48);
    EXPECT_EQ(ScrollSteps::moved(48, ScrollSteps::kHorizontalPage, 50), 50);
    EXPECT_EQ(ScrollSteps::moved(3, -8, 50), 0);

    // Smaller than the client: nothing to scroll, a page is still one unit.
    const ScrollSteps small = ScrollSteps::forSizes(QSize(100, 101), QSize(500, 400));
    EXPECT_LT(small.rawVertical, 0);
    EXPECT_EQ(small.maxVertical, 0);
    EXPECT_EQ(small.verticalPage(), 1);
    // Truncated toward zero, as the ranges always were.
    EXPECT_EQ(ScrollSteps::forSizes(QSize(0, 407), QSize(0, 400)).rawVertical, 1);
    EXPECT_EQ(ScrollSteps::forSizes(QSize(0, 393), QSize(0, 400)).rawVertical, -1);
}

TEST(CScrollWnd, TheContentsMoveByUnitsAndPages)
{
    CScrollWnd window;
    window.resize(500, 400);
    auto *contents = new QWidget;
    contents->resize(900, 1000);
    window.setContents(contents);
    window.show();
    window.SetDocumentRect(QRect(0, 0, 900, 1000));
    const QSize client = window.viewport()->size();
    const ScrollSteps expected = ScrollSteps::forSizes(QSize(900, 1000), client);
    EXPECT_EQ(window.verticalScrollBar()->maximum(), expected.maxVertical);

    window.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(window.scrollPosition().y(), expected.maxVertical);
    EXPECT_EQ(contents->y(), -expected.maxVertical * ScrollSteps::kVerticalUnit);
    window.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(window.scrollPosition().x(), qMin(8, expected.maxHorizontal));
    EXPECT_EQ(contents->x(), -window.scrollPosition().x() * ScrollSteps::kHorizontalUnit);

    window.ScrollTo(QPoint(17, 403));
    EXPECT_EQ(window.scrollPosition(), QPoint(2, qMin(100, expected.maxVertical)));
    window.ResetScrolling();
    EXPECT_EQ(contents->pos(), QPoint(0, 0));
}

namespace {

class RecordingDialog : public CToolbarDlg
{
public:
    QVector<int> commands;
    bool recordsAllowed = true;

protected:
    void onCommand(int id) override { commands << id; }
    bool canRun(int id) const override
    {
        return recordsAllowed || (id != IdRecordNew && id != IdRecordDelete);
    }
};

} // namespace

TEST(CToolbarDlg, BarsMenusAndKeysComeFromTheCommandTable)
{
    RecordingDialog dialog;
    dialog.setToolBarId(ToolBarData);
    dialog.setAcceleratorIds({IdRecordNew, IdRecordNext});
    dialog.initBars();
    dialog.setMenu(MenuData);
    dialog.resize(600, 400);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    ASSERT_NE(dialog.toolBar(), nullptr);
    ASSERT_NE(dialog.statusBar(), nullptr);
    EXPECT_EQ(dialog.toolBar()->actions().size(), toolBar(ToolBarData).size());
    EXPECT_EQ(dialog.statusBar()->currentMessage(), "Bereit");
    EXPECT_EQ(dialog.menuBar()->actions().first()->text(), "&Datensatz");

    // One action per command: the button, the menu item and the key are one.
    EXPECT_EQ(dialog.toolBar()->buttonAction(IdRecordNew), dialog.commandAction(IdRecordNew));
    QTest::keyClick(&dialog, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(&dialog, Qt::Key_PageDown);
    dialog.toolBar()->buttonAction(IdRecordFilter)->trigger();
    EXPECT_EQ(dialog.commands, QVector<int>({IdRecordNew, IdRecordNext, IdRecordFilter}));

    // A command that cannot run is disabled everywhere, its key included.
    dialog.recordsAllowed = false;
    dialog.updateCommandStates();
    EXPECT_FALSE(dialog.commandAction(IdRecordNew)->isEnabled());
    QTest::keyClick(&dialog, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialog.commands.size(), 3);

    // The status bar shows the status text of what the mouse is on.
    QStatusTipEvent tip(dialog.commandAction(IdRecordNext)->statusTip());
    QApplication::sendEvent(&dialog, &tip);
    EXPECT_EQ(dialog.statusBar()->currentMessage(), "Nächsten Datensatz anzeigen");
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&dialog, &none);
    EXPECT_EQ(dialog.statusBar()->currentMessage(), "Bereit");
}

TEST(CDlgToolBar, ToggleButtonsStayPressed)
{
    RecordingDialog dialog;
    dialog.setToolBarId(ToolBarDesign);
    dialog.setOptions(CToolbarDlg::WithToolBar);
    dialog.initBars();
    EXPECT_EQ(dialog.statusBar(), nullptr);
    CDlgToolBar *bar = dialog.toolBar();
    bar->setToggleButton(IdDateiAddStatic, true);
    bar->setButtonChecked(IdDateiAddStatic, true);
    EXPECT_TRUE(bar->buttonAction(IdDateiAddStatic)->isChecked());
    bar->setButtonChecked(IdDateiAddStatic, false);
    EXPECT_FALSE(bar->buttonAction(IdDateiAddStatic)->isChecked());
}
