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

} // namespace

TEST(KeyAction, WinsOverAShortcutOfTheSameKeyAndWatchesTheFocusProxy)
{
    // Delete bound on a list, not a line edit: a line edit claims Delete
    // from every shortcut by itself. An editable combo box takes the keys
    // for its line edit.
    QDialog dialog;
    auto *bound = new QListWidget(&dialog);
    auto *ok = new QPushButton("OK", &dialog);
    auto *box = new QComboBox(&dialog);
    box->setEditable(true);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(bound);
    layout->addWidget(ok);
    layout->addWidget(box);
    int deletes = 0;
    int shortcuts = 0;
    int dropDowns = 0;
    auto *deleteAll = new QAction(&dialog);
    deleteAll->setShortcut(QKeySequence(Qt::Key_Delete));
    dialog.addAction(deleteAll);
    QObject::connect(deleteAll, &QAction::triggered, [&] { ++shortcuts; });
    KeyAction::onDelete(bound, [&] { return ++deletes > 0; });
    KeyAction::onDropDown(box, [&] { return ++dropDowns > 0; });
    ASSERT_NO_FATAL_FAILURE(activate(&dialog));

    bound->setFocus();
    QTest::keyClick(bound, Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    EXPECT_EQ(shortcuts, 0);
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Delete);
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
