#include "platform/BuddyGroupBox.h"
#include "platform/KeyAction.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

void activate(QWidget *window)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
}

// A dialog with a list and a button. A list, not a line edit: a line edit
// claims Delete from every shortcut by itself.
struct KeyDialog
{
    QDialog dialog;
    QListWidget *bound = new QListWidget(&dialog);
    QPushButton *ok = new QPushButton("OK", &dialog);

    KeyDialog()
    {
        auto *layout = new QVBoxLayout(&dialog);
        layout->addWidget(bound);
        layout->addWidget(ok);
    }
};

} // namespace

TEST(KeyAction, WinsOverAShortcutOfTheSameKeyAndWatchesTheFocusProxy)
{
    KeyDialog window;
    int deletes = 0;
    int shortcuts = 0;
    auto *deleteAll = new QAction(&window.dialog);
    deleteAll->setShortcut(QKeySequence(Qt::Key_Delete));
    window.dialog.addAction(deleteAll);
    QObject::connect(deleteAll, &QAction::triggered, [&] { ++shortcuts; });
    KeyAction::onDelete(window.bound, [&] {
        ++deletes;
        return true;
    });
    // An editable combo box takes the keys for its line edit.
    auto *box = new QComboBox(&window.dialog);
    box->setEditable(true);
    window.dialog.layout()->addWidget(box);
    int dropDowns = 0;
    KeyAction::onDropDown(box, [&] {
        ++dropDowns;
        return true;
    });
    ASSERT_NO_FATAL_FAILURE(activate(&window.dialog));

    window.bound->setFocus();
    QTest::keyClick(window.bound, Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(shortcuts, 0);
    window.ok->setFocus();
    QTest::keyClick(window.ok, Qt::Key_Delete);
    EXPECT_EQ(shortcuts, 1) << "elsewhere the shortcut keeps its key";

    box->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(dropDowns, 2);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the box's own list stays shut";
}

TEST(BuddyGroupBox, TheTitlesLetterGoesToTheBuddyNotToTheLastFocusedControl)
{
    QDialog dialog;
    auto *outside = new QLineEdit(&dialog);
    auto *frame = new BuddyGroupBox("&Gespeicherte Filter", &dialog);
    auto *name = new QComboBox(frame);
    name->setEditable(true);
    auto *load = new QPushButton("&Laden", frame);
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(name);
    inner->addWidget(load);
    frame->setBuddy(name);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(outside);
    layout->addWidget(frame);
    ASSERT_NO_FATAL_FAILURE(activate(&dialog));

    load->setFocus();
    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), name);
    EXPECT_EQ(outside->text(), "") << "the letter is not typed";

    name->setEnabled(false);
    outside->setFocus();
    QTest::keyClick(outside, Qt::Key_G, Qt::AltModifier);
    EXPECT_NE(QApplication::focusWidget(), name);
}
