#include "FormDialogTestSupport.h"

#include "controls/CDynComboBox.h"
#include "formdef/CAdoFormBuilder.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "support/TestFormHost.h"

#include <QAbstractItemView>

// A field whose column names a row of another table: the generated form
// shows that row's name in a list, typing narrows it, and what is stored is
// the key of the row the user meant, or nothing when the name is no row's.
namespace {

class LookupFieldTest : public FormDialogTest
{
protected:
    void SetUp() override
    {
        FormDialogTest::SetUp();
        if (IsSkipped())
            return;
        // Two customers of one name, told apart only by choosing.
        db.exec({"INSERT INTO kunden (id, name) VALUES (6, 'Kunde 004')",
                 "CREATE TABLE bestellungen (id INT PRIMARY KEY, kunde INT NOT NULL "
                 "REFERENCES kunden (id), menge INT)",
                 "INSERT INTO bestellungen VALUES (1, 2, 10), (2, 5, 20)"});
        openGenerated("bestellungen", "kunde");
    }

    // The generated form of table; box is its field of column.
    void openGenerated(const char *table, const char *column)
    {
        FormDialogTest::openGenerated(table);
        box = qobject_cast<CDynComboBox *>(control(column));
        ASSERT_NE(box, nullptr);
    }
    QString orders(bool designMode) const { return documentFor("bestellungen", designMode); }

    // The rows of the field's list while it is open.
    QStringList listed() const
    {
        QStringList rows;
        if (QAbstractItemView *view = box->ListView()) {
            for (int row = 0; row < view->model()->rowCount(); ++row)
                rows << view->model()->index(row, 0).data().toString();
        }
        return rows;
    }
    QString storedKunde(int id) const
    {
        return db.scalar(QStringLiteral("SELECT kunde FROM bestellungen WHERE id = %1").arg(id));
    }

    CDynComboBox *box = nullptr;
};

TEST_P(LookupFieldTest, TheListNamesTheRowsAndTheKeyOfTheOneMeantIsStored)
{
    EXPECT_EQ(shown("kunde"), "Kunde 002");
    EXPECT_NE(qobject_cast<QComboBox *>(field("kunde")), nullptr);

    // F4 lists from the first name on; typing narrows after a pause.
    QTest::mouseClick(field("kunde"), Qt::LeftButton);
    press(Qt::Key_F4);
    EXPECT_EQ(listed(), QStringList({"Kunde 001", "Kunde 002", "Kunde 003", "Kunde 004 (4)",
                                     "Kunde 004 (6)", "Kunde 005"}))
        << "one name of two rows with their keys";
    retype("kunde", "de 00");
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().size() == 6; }));
    retype("kunde", "kunde 004");
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().size() == 2; }));
    // The second of the two, by keys in the open list.
    QTest::keyClick(box->ListView(), Qt::Key_Down);
    QTest::keyClick(box->ListView(), Qt::Key_Down);
    QTest::keyClick(box->ListView(), Qt::Key_Return);
    EXPECT_EQ(shown("kunde"), "Kunde 004");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(storedKunde(1), "6");

    // A name typed without choosing: one row of it is that row; none, or
    // two, are refused and leave the stored key as it was.
    const struct
    {
        const char *typed;
        const char *message; // empty: taken
        const char *stored;
    } entries[] = {
        {"kunde 004",
         "Das Feld kunde erwartet einen Eintrag der Liste: „kunde 004“ gibt es in der Tabelle "
         "kunden mehrmals, bitte wählen Sie einen aus der Liste.",
         "6"},
        {"Niemand' OR 1=1 --",
         "Das Feld kunde erwartet einen Eintrag der Liste: „Niemand' OR 1=1 --“ gibt es in der "
         "Tabelle kunden nicht.",
         "6"},
        {"  kunde 003 ", "", "3"},
    };
    for (const auto &entry : entries) {
        SCOPED_TRACE(entry.typed);
        messages.clear();
        retype("kunde", QString::fromUtf8(entry.typed));
        press(Qt::Key_Tab);
        QCoreApplication::processEvents(); // the field is read once it is left
        if (*entry.message) {
            EXPECT_EQ(messages.texts(), QStringList(QString::fromUtf8(entry.message)));
            EXPECT_TRUE(field("kunde")->hasFocus()) << "back in the field";
            messages.answer(UserMessages::Answer::Yes);
            press(Qt::Key_Escape); // undo the record's changes
            QCoreApplication::processEvents();
        } else {
            EXPECT_TRUE(messages.texts().isEmpty());
            EXPECT_EQ(shown("kunde"), "Kunde 003") << "the row's own spelling";
            press(Qt::Key_S, Qt::ControlModifier);
        }
        EXPECT_EQ(storedKunde(1), entry.stored);
    }

    // The datasheet names the rows as the field does.
    CFormFrame &frame = *driver().frame();
    frame.setView(CFormFrame::View::Datasheet);
    DatasheetModel &model = *frame.datasheet()->records();
    const int kunde = model.columnOf(QStringLiteral("kunde"));
    EXPECT_EQ(model.shownText(model.index(0, kunde)), "Kunde 003");
    EXPECT_EQ(model.shownText(model.index(1, kunde)), "Kunde 005");
}

// The design offers the columns that could name the rows; the choice is
// stored with the field and the form shows the rows by it, or the key alone.
TEST_P(LookupFieldTest, TheDesignChoosesWhatTheListShows)
{
    dialog.reset();
    using Mode = LookupSetting::Mode;
    const struct
    {
        LookupSetting setting;
        const char *shown; // the first order's customer 2
        bool list;
    } settings[] = {
        {{Mode::Column, QStringLiteral("ort")}, "Köln", true},
        {{Mode::Off, {}}, "2", false},
        {{}, "Kunde 002", true},
    };
    for (const auto &step : settings) {
        SCOPED_TRACE(step.shown);
        {
            TestFormHost host;
            CAdoFormBuilder designer;
            ASSERT_NE(designer.CreateForm(&host, true, orders(true)), nullptr);
            auto *design = qobject_cast<CDynComboBox *>(designer.FindControl("kunde"));
            ASSERT_NE(design, nullptr);
            ControlProperties properties = design->GetProperties();
            EXPECT_EQ(properties.lookupColumns, QStringList({"name", "ort", "notiz"}));
            EXPECT_EQ(properties.automaticLookupColumn, "name");
            properties.lookup = step.setting;
            design->ApplyProperties(properties);
            ASSERT_TRUE(designer.SaveForm());
        }
        open(orders(false));
        box = qobject_cast<CDynComboBox *>(control("kunde"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->Lookup(), step.setting);
        EXPECT_EQ(shown("kunde"), step.shown);
        EXPECT_EQ(box->Choices() != nullptr, step.list);
        EXPECT_EQ(qobject_cast<QComboBox *>(field("kunde")) != nullptr, step.list);
    }
}

// A column that takes only the values its check lists offers exactly them,
// stored as listed whatever the letter case typed.
TEST_P(LookupFieldTest, AColumnOfListedValuesOffersExactlyThem)
{
    dialog.reset();
    db.exec({"CREATE TABLE zahlungen (id INT PRIMARY KEY, status VARCHAR(10) NOT NULL CHECK "
             "(status IN ('offen', 'bezahlt', 'storniert')), erledigt CHAR(1) CHECK (erledigt "
             "IN ('J', 'N')))",
             "INSERT INTO zahlungen VALUES (1, 'offen', 'N')"});
    openGenerated("zahlungen", "status");
    const auto stored = [this] {
        return db.scalar("SELECT status || erledigt FROM zahlungen WHERE id = 1");
    };
    EXPECT_EQ(shown("erledigt"), "N");
    QTest::mouseClick(field("status"), Qt::LeftButton);
    press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(listed(), QStringList({"offen", "bezahlt", "storniert"}));
    retype("status", "Z");
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed() == QStringList("bezahlt"); }));
    retype("status", "BEZAHLT");
    press(Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown("status"), "bezahlt");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(stored(), "bezahltN") << "the other list's value unchanged";

    messages.clear();
    retype("status", "erledigt");
    press(Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.texts(),
              QStringList("Das Feld status erwartet einen Eintrag der Liste: „erledigt“ gibt es "
                          "in der Liste offen, bezahlt, storniert nicht."));
    EXPECT_EQ(stored(), "bezahltN");
}

QRT_INSTANTIATE_FOR_ENGINES(LookupFieldTest);

} // namespace
