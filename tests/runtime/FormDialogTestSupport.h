#ifndef QRT_TESTS_RUNTIME_FORMDIALOGTESTSUPPORT_H
#define QRT_TESTS_RUNTIME_FORMDIALOGTESTSUPPORT_H

#include "controls/CDynCheckbox.h"
#include "controls/CDynEdit.h"
#include "data/CAdoDataMgr.h"
#include "data/CTabInfo.h"
#include "formdef/CAdoFormBuilder.h"
#include "resources/CommandTable.h"
#include "runtime/CDlgToolBar.h"
#include "runtime/CForm.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"
#include "support/CustomerForm.h"
#include "support/FormDriver.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "support/TestFormHost.h"

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

    // The document of the form on another table of the database, in key order.
    QString documentFor(const char *table, bool designMode = false) const
    {
        return CustomerForm::document(db, designMode, QString(), QStringLiteral("id"))
            .replace(QStringLiteral(">kunden<"),
                     QLatin1Char('>') + QLatin1String(table) + QLatin1Char('<'));
    }
    // The form of table as design mode generates it, saved, then shown with
    // its records.
    void openGenerated(const char *table)
    {
        TestFormHost host;
        CAdoFormBuilder designer;
        ASSERT_NE(designer.CreateForm(&host, true, documentFor(table, true)), nullptr);
        ASSERT_TRUE(designer.SaveForm());
        open(documentFor(table));
    }

    // The user's hands on the dialog shown now; the helpers below fail the
    // test where the user could not do what it asks.
    FormDriver driver() const { return FormDriver(dialog.get()); }
    CFormMgr *manager() const { return driver().manager(); }
    CForm *form() const { return driver().form(); }
    CAdoDataMgr *records() const { return dynamic_cast<CAdoDataMgr *>(driver().records()); }
    CDynControl *control(const char *name) const
    {
        CDynControl *found = driver().control(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QWidget *field(const char *name) const
    {
        CDynControl *found = control(name);
        return found ? found->GetWindow() : nullptr;
    }
    // What an edit field shows ("" for a missing one, which fails the test).
    QString shown(const char *name) const
    {
        return control(name) ? driver().shown(QString::fromUtf8(name)) : QString();
    }
    void retype(const char *name, const QString &text)
    {
        ASSERT_TRUE(driver().retype(QString::fromUtf8(name), text)) << name << " takes no keys";
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        EXPECT_TRUE(driver().press(key, modifiers)) << "the form did not become active again";
    }
    void choose(int id) { ASSERT_TRUE(driver().choose(id)) << "no menu item " << id; }
    void click(int id) { ASSERT_TRUE(driver().click(id)) << "no button " << id; }

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
