#ifndef QRT_TESTS_RUNTIME_FORMDIALOGTESTSUPPORT_H
#define QRT_TESTS_RUNTIME_FORMDIALOGTESTSUPPORT_H

#include "controls/CDynCheckbox.h"
#include "controls/CDynEdit.h"
#include "data/CAdoDataMgr.h"
#include "data/CTabInfo.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "support/CustomerForm.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The form dialog on the customer form of one engine, driven as a user
// drives it: keys go to the widget that has the focus, commands come from
// the dialog's own menu and tool bar.
class FormDialogTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        // Every test reads its columns from the catalog, not an earlier cache.
        CTabInfo::ClearConString();
        CustomerForm::create(db, rows());
    }

    void TearDown() override
    {
        dialog.reset();
        EXPECT_TRUE(messages.unscriptedQuestions().isEmpty())
            << messages.unscriptedQuestions().join('\n').toStdString();
    }

    virtual int rows() const { return 5; }

    // Shows the form dialog on the document and waits until it has the
    // keyboard; with settle, until its first idle moment (the count) too.
    CFormDlg &open(const QString &document, bool newRecord = false, bool settle = true)
    {
        dialog = std::make_unique<CFormDlg>(document, newRecord);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        if (settle)
            QCoreApplication::processEvents();
        return *dialog;
    }
    // In key order: without an order an engine hands out rows as it keeps
    // them (PostgreSQL puts a row it has updated last).
    CFormDlg &openData(const QString &filter = QString(), const QString &sort = "id")
    {
        return open(CustomerForm::document(db, false, filter, sort));
    }

    CFormMgr *manager() const
    {
        return dialog && dialog->GetFormHost() ? dialog->GetFormHost()->GetFormMgr() : nullptr;
    }
    CForm *form() const { return manager() ? manager()->GetForm() : nullptr; }
    CAdoDataMgr *records() const
    {
        return manager() ? dynamic_cast<CAdoDataMgr *>(manager()->dataManager()) : nullptr;
    }
    CDynControl *control(const char *name) const
    {
        CDynControl *found = form() ? form()->findControl(QString::fromUtf8(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QWidget *field(const char *name) const
    {
        CDynControl *found = control(name);
        return found ? found->GetWindow() : nullptr;
    }
    // What an edit field shows.
    QString shown(const char *name) const
    {
        auto *edit = qobject_cast<CDynEdit *>(control(name));
        return edit ? edit->GetValueText() : QStringLiteral("<kein Eingabefeld>");
    }

    // Clicks into the field and replaces its text by typing; a line feed
    // is the Return key.
    void retype(const char *name, const QString &text)
    {
        QWidget *widget = field(name);
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
        ASSERT_TRUE(widget->hasFocus()) << name;
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0)
                QTest::keyClick(widget, Qt::Key_Return);
            if (!lines.at(i).isEmpty())
                QTest::keyClicks(widget, lines.at(i));
            else if (i == 0)
                QTest::keyClick(widget, Qt::Key_Delete); // typing nothing empties the field
        }
    }

    // A key pressed wherever the focus is. After a modal dialog (a question,
    // the filter) a window manager gives the form its activation back; the
    // offscreen platform has none, so the test does it.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (dialog && dialog->isVisible() && !QApplication::activeModalWidget() &&
            QApplication::activeWindow() != dialog.get()) {
            dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        }
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : dialog.get(), key, modifiers);
    }

    // The menu item of command id, from the dialog's menu bar.
    QAction *menuItem(int id) const
    {
        if (!dialog || !dialog->menuBar())
            return nullptr;
        QList<QMenu *> menus = dialog->menuBar()->findChildren<QMenu *>();
        for (QMenu *menu : menus) {
            for (QAction *action : menu->actions()) {
                if (!action->isSeparator() && !action->menu() && action->data().toInt() == id)
                    return action;
            }
        }
        return nullptr;
    }
    // Chooses command id from the menu, as a click on its item does.
    void choose(int id)
    {
        QAction *item = menuItem(id);
        ASSERT_NE(item, nullptr) << "no menu item " << id;
        // A menu brings its items' states up to date when it opens; a
        // disabled item does nothing when clicked.
        for (QMenu *menu : dialog->menuBar()->findChildren<QMenu *>())
            emit menu->aboutToShow();
        item->trigger();
    }
    // Clicks the tool bar button of command id.
    void click(int id)
    {
        ASSERT_NE(dialog->toolBar(), nullptr);
        QAction *action = dialog->toolBar()->buttonAction(id);
        ASSERT_NE(action, nullptr) << "no button " << id;
        QWidget *button = dialog->toolBar()->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // A column of the row with that key, as the engine has it, as text.
    QString stored(const char *column, int id) const
    {
        return db.scalar(QStringLiteral("SELECT %1 FROM kunden WHERE id = %2")
                             .arg(QLatin1String(column))
                             .arg(id));
    }

    ScriptedMessages messages;
    std::unique_ptr<CFormDlg> dialog; // goes before the messages
};

#endif // QRT_TESTS_RUNTIME_FORMDIALOGTESTSUPPORT_H
