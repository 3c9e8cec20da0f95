#include "FormDialogTestSupport.h"

#include "controls/CDynSubform.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "runtime/RecordPrint.h"
#include "support/PdfText.h"

#include <QInputDialog>
#include <QTemporaryDir>
#include <QTimer>

// A customer's orders inside the customer form: the records follow the
// customer shown, a new one gets the customer's key, and what is typed in
// them is saved with the customer's record, checked against other users.
namespace {

class SubformTest : public FormDialogTest
{
protected:
    void SetUp() override
    {
        FormDialogTest::SetUp();
        if (IsSkipped())
            return;
        // The engine numbers the orders, as order tables do.
        db.exec({QStringLiteral("CREATE TABLE bestellungen (id %1 PRIMARY KEY, kunde INT NOT NULL "
                                "REFERENCES kunden (id), menge INT)")
                     .arg(db.kind() == DatabaseKind::PostgreSql ? "SERIAL" : "INTEGER"),
                 "INSERT INTO bestellungen (kunde, menge) VALUES (1, 10), (1, 20), (2, 30)"});
        // Placed in design mode as a user does: the tables that refer to
        // the customers are found by their foreign keys, the user chooses.
        db.exec("CREATE TABLE mahnungen (id INT PRIMARY KEY, schuldner INT REFERENCES kunden)");
        open(CustomerForm::document(db, true));
        QStringList offered;
        QTimer::singleShot(0, [&offered] {
            auto *which = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!which)
                return;
            offered = which->comboBoxItems();
            which->setTextValue(offered.value(0));
            which->accept();
        });
        choose(CommandTable::IdDateiAddSubform);
        offered.sort();
        EXPECT_EQ(offered,
                  QStringList({"bestellungen (über kunde)", "mahnungen (über schuldner)"}));
        choose(CommandTable::IdDateiSpeichern);
        EXPECT_TRUE(db.scalar("SELECT CONTROLINFO FROM QRTFORMITEM WHERE CONTROLINFO LIKE "
                              "'%<SUBFORM%'")
                        .endsWith("<SUBFORM TABLE=\"bestellungen\" LINK=\"kunde\" "
                                  "KEY=\"id\"></SUBFORM></CONTROLINFO>"));
        dialog.reset();
        openData();
    }

    // The datasheet of the orders shown now.
    Datasheet *sheet() const
    {
        for (CDynControl *control : form()->controls()) {
            if (auto *subform = qobject_cast<CDynSubform *>(control)) {
                auto *records = subform->Container()->findChild<CFormFrame *>();
                return records ? records->datasheet() : nullptr;
            }
        }
        return nullptr;
    }
    QStringList amounts() const
    {
        QStringList shown;
        DatasheetModel *model = sheet()->records();
        for (int row = 0; row + 1 < model->rowCount(); ++row)
            shown << model->shownText(model->index(row, model->columnOf("menge")));
        return shown;
    }
    // Puts the cursor into the order's menge cell of row.
    void selectAmount(int row)
    {
        Datasheet *orders = sheet();
        orders->setFocus();
        orders->setCurrentIndex(
            orders->records()->index(row, orders->records()->columnOf("menge")));
    }
    // Types text into the order's menge cell of row, as a user does.
    void typeAmount(int row, const QString &text)
    {
        selectAmount(row);
        FormDriver::type(QApplication::focusWidget(), text.left(1)); // opens the editor
        FormDriver::type(QApplication::focusWidget(), text.mid(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    QString orders(int customer) const
    {
        return db.scalar(QStringLiteral("SELECT COUNT(*) || ':' || SUM(menge) FROM bestellungen "
                                        "WHERE kunde = %1")
                             .arg(customer));
    }
};

// On paper every customer comes with its orders: the PDF of all customers
// shows each one's on its page, and the subform shows the customer's shown
// again afterwards.
TEST_P(SubformTest, EachCustomerIsPrintedWithItsOwnOrders)
{
    db.exec("UPDATE bestellungen SET menge = menge + 4700");
    QTemporaryDir folder;
    const QString path = folder.filePath("kunden.pdf");
    ASSERT_EQ(RecordPrint::toPdf(*manager(), path, RecordPrint::Scope::EachRecord),
              RecordPrint::Result::Written);
    const QString first = pdfText(path, 1);
    const QString second = pdfText(path, 2);
    EXPECT_TRUE(first.contains("4710") && first.contains("4720") && !first.contains("4730"))
        << first.toStdString();
    EXPECT_TRUE(second.contains("4730") && !second.contains("4710")) << second.toStdString();
    EXPECT_EQ(amounts(), QStringList({"4710", "4720"}));
}

TEST_P(SubformTest, TheOrdersFollowTheCustomerAndAreSavedWithIt)
{
    ASSERT_NE(sheet(), nullptr);
    EXPECT_EQ(amounts(), QStringList({"10", "20"}));
    EXPECT_EQ(sheet()->records()->columnOf("kunde"), -1) << "the link is the customer's";
    QTest::mouseClick(field("name"), Qt::LeftButton);
    press(Qt::Key_PageDown);
    EXPECT_EQ(amounts(), QStringList("30"));

    // A new order of customer 2, saved with the customer's record.
    typeAmount(1, "40");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(orders(2), "2:70");

    // Another user changes the order while this one is at it: nothing is
    // overwritten without the user's choice (here: take what is stored).
    selectAmount(0);
    db.exec("UPDATE bestellungen SET menge = 31 WHERE id = 3");
    typeAmount(0, "33");
    messages.clear();
    messages.answer(UserMessages::Answer::No);
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(messages.texts().isEmpty()) << "the conflict is put to the user";
    EXPECT_EQ(orders(2), "2:71");

    // Moving on asks for the order typed but not saved.
    typeAmount(0, "35");
    messages.clear();
    messages.answer(UserMessages::Answer::Yes);
    QTest::mouseClick(field("name"), Qt::LeftButton);
    press(Qt::Key_PageUp);
    EXPECT_EQ(messages.questions(), QStringList("Den aktuellen Datensatz speichern?"));
    EXPECT_EQ(orders(2), "2:75");
    EXPECT_EQ(amounts(), QStringList({"10", "20"}));

    // A new customer has no key yet: no orders, and none can be added.
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(amounts(), QStringList());
    messages.clear();
    typeAmount(0, "5");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().join("|").contains("Speichern Sie zuerst den Datensatz des "
                                                    "Hauptformulars"))
        << messages.texts().join("|").toStdString();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM bestellungen"), "4");
}

QRT_INSTANTIATE_FOR_ENGINES(SubformTest);

} // namespace
