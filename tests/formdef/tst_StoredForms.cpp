#include "FormTestSupport.h"

#include "controls/CDynEdit.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"

#include <QRegularExpression>

namespace {

class StoredFormTest : public FormBuilderTest
{
protected:
    void SetUp() override
    {
        FormBuilderTest::SetUp();
        if (!IsSkipped())
            createKunden(db);
    }

    // Every stored record, in key order.
    QStringList storedRecords() const
    {
        Connection connection;
        connection.Open(db.connectionString());
        Recordset rows = connection.Execute(
            QStringLiteral("SELECT CONTROLINFO FROM QRTFORMITEM ORDER BY QRTFORMITEM_ID"));
        QStringList records;
        for (; !rows.IsEOF(); rows.MoveNext())
            records << rows.Fields().Item(0).Value().toString();
        return records;
    }

    // Replaces the stored record with that key.
    void storeRecord(int key, const QString &record) const
    {
        db.exec(QStringLiteral("UPDATE QRTFORMITEM SET CONTROLINFO = '%1' WHERE QRTFORMITEM_ID "
                               "= %2")
                    .arg(QString(record).replace('\'', "''"))
                    .arg(key));
    }
};

TEST_P(StoredFormTest, AStoredFormComesBackWithItsPlaceRasterTitleAndHiddenFields)
{
    FormWindow *form = build(true);
    ASSERT_NE(form, nullptr);
    // Three of the five columns stay on the form.
    ASSERT_TRUE(form->removeControl(*control("name")));
    ASSERT_TRUE(form->removeControl(*control("aktiv")));
    control("betrag")->MoveTo(200, 40, 290, 60);
    form->setRasterX(20);
    form->setRasterY(25);
    form->setRasterShown(false);
    host.SetTitle(QStringLiteral("Kunden & <Partner>"));
    host.MoveWindow(QRect(30, 40, 500, 300));
    const QStringList saved = layoutOf(form);
    EXPECT_TRUE(builder->SaveForm());
    EXPECT_EQ(storedRecords(), saved);
    // Saved again, the form keeps its key (and so its place among the forms).
    const QString key = db.scalar("SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'kunden'");
    db.exec("INSERT INTO QRTFORM (QRTFORM_ID, NAME) VALUES (" + key + " + 1, 'andere')");
    EXPECT_TRUE(builder->SaveForm());
    EXPECT_EQ(db.scalar("SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'kunden'"), key);
    EXPECT_EQ(storedRecords(), saved);

    host.MoveWindow(QRect(0, 0, 200, 100));
    host.SetTitle(QString());
    form = build(false);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(layoutOf(form), saved) << "every control where it was";
    EXPECT_EQ(host.GetWindowRect(), QRect(30, 40, 500, 300));
    EXPECT_EQ(host.GetTitle(), "Kunden & <Partner>");
    EXPECT_EQ(form->rasterX(), 20);
    EXPECT_EQ(form->rasterY(), 25);
    EXPECT_FALSE(form->isRasterShown());

    // The stored controls first, then the other columns, hidden, with labels.
    EXPECT_EQ(pool(), QStringList({"1000 id_TITEL", "1001 id", "1002 betrag_TITEL", "1003 betrag",
                                   "1004 seit_TITEL", "1005 seit", "1006 name_TITEL hidden",
                                   "1007 name hidden", "1008 aktiv hidden"}));

    // Stored fields take their columns' format: NUMERIC(10, 2) shows two decimals.
    auto *amount = qobject_cast<CDynEdit *>(control("betrag"));
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->GetInputKind(), InputKind::DecimalNumber);
    amount->SetValueText(QStringLiteral("3.14159265358979"));
    EXPECT_EQ(amount->GetValueText(), "3,14");
    EXPECT_EQ(qobject_cast<CDynEdit *>(control("name"))->GetMaxLength(), 20);

    // Built anew, the ids start at 1000 again.
    form = build(true);
    EXPECT_EQ(builder->controls().front()->GetId(), 1000u);
}

// Deleting a form that was never saved changes nothing; deleting one takes
// its rows and nothing else.
TEST_P(StoredFormTest, DeletingAFormTakesItsRowsAndLeavesOtherFormsAlone)
{
    db.exec(QStringLiteral("CREATE TABLE orte (plz VARCHAR(5) PRIMARY KEY, ort VARCHAR(30))"));
    ASSERT_NE(build(true, QStringLiteral("orte")), nullptr);
    EXPECT_TRUE(builder->SaveForm());
    ASSERT_NE(build(true), nullptr);
    EXPECT_TRUE(builder->SaveForm());
    builder->DeleteForm(QStringLiteral("nie gespeichert"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"), "13");
    builder->DeleteForm(QStringLiteral("kunden"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORM"), "1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"), "4");
    EXPECT_EQ(builder->FindFormId(QStringLiteral("kunden")), -1);
}

TEST_P(StoredFormTest, AFailingSaveLeavesTheStoredDefinitionAsItWas)
{
    ASSERT_NE(build(true), nullptr);
    host.SetTitle(QStringLiteral("alt"));
    ASSERT_TRUE(builder->SaveForm());
    const QStringList before = storedRecords();
    const QString formRow = db.scalar("SELECT CAST(QRTFORM_ID AS VARCHAR(9)) || FORM_TITEL FROM "
                                      "QRTFORM");

    // The database refuses one control's record, the last one written.
    if (GetParam() == DatabaseKind::Sqlite)
        db.exec(QStringLiteral("CREATE TRIGGER kaputt BEFORE INSERT ON QRTFORMITEM WHEN "
                               "NEW.CONTROLINFO LIKE '%KAPUTT%' BEGIN SELECT RAISE(ABORT, "
                               "'abgelehnt'); END"));
    else
        db.exec(QStringLiteral("ALTER TABLE QRTFORMITEM ADD CONSTRAINT kaputt CHECK (CONTROLINFO "
                               "NOT LIKE '%KAPUTT%')"));
    control("id")->MoveTo(100, 5, 160, 25);
    ASSERT_NE(builder->AddStatic(QStringLiteral("KAPUTT")), nullptr);
    builder->PlaceControl(ControlKind::Static, QStringLiteral("KAPUTT"));
    host.SetTitle(QStringLiteral("neu"));
    EXPECT_THROW(builder->SaveForm(), ComError);

    EXPECT_EQ(storedRecords(), before);
    EXPECT_EQ(db.scalar("SELECT CAST(QRTFORM_ID AS VARCHAR(9)) || FORM_TITEL FROM QRTFORM"),
              formRow);

    // The builder stays usable: without the refused control the save goes through.
    ASSERT_TRUE(builder->GetForm()->removeControl(*control("KAPUTT_TITEL")));
    EXPECT_TRUE(builder->SaveForm());
    EXPECT_EQ(db.scalar("SELECT FORM_TITEL FROM QRTFORM"), "neu");
    EXPECT_TRUE(storedRecords().contains(control("id")->GetControlInfo()));
}

TEST_P(StoredFormTest, AFieldWhoseColumnWasDroppedStaysOnTheFormAsFreeText)
{
    ASSERT_NE(build(true), nullptr);
    ASSERT_TRUE(builder->SaveForm());
    db.exec(QStringLiteral("ALTER TABLE kunden DROP COLUMN betrag"));
    CTabInfo::RemoveTabFromMap(QStringLiteral("kunden")); // as the host says after a change

    FormWindow *form = build(false);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    auto *amount = qobject_cast<CDynEdit *>(form->findControl(QStringLiteral("betrag")));
    ASSERT_NE(amount, nullptr) << "its kind comes from the record";
    EXPECT_TRUE(amount->GetWindow()->isVisible());
    EXPECT_EQ(amount->GetInputKind(), InputKind::FreeText);
    EXPECT_EQ(amount->GetMaxLength(), 0);
    EXPECT_EQ(builder->controls().size(), 9u) << "no column is missing from the form";
}

TEST_P(StoredFormTest, BrokenRecordsAreAnnouncedOrEndTheLoading)
{
    ASSERT_NE(build(true), nullptr);
    ASSERT_TRUE(builder->SaveForm());
    const QStringList records = storedRecords(); // keys 1 to 9: id_TITEL, id, name_TITEL, ...
    ASSERT_EQ(records.size(), 9);
    storeRecord(2, QStringLiteral("<CONTROLINFO TYP=\"1\"><NAME>id"));
    storeRecord(3, QStringLiteral("<KEIN_STEUERELEMENT/>"));
    storeRecord(4, QString(records.at(3))
                       .replace("TYP=\"1\"", "TYP=\"7\"")
                       .replace("<NAME>name</NAME>", "<NAME>gibtsnicht</NAME>"));
    QString withoutLeft = records.at(5);
    withoutLeft.remove(QRegularExpression("<LEFT>[0-9]+</LEFT>"));
    storeRecord(6, withoutLeft);

    FormWindow *form = build(false);
    ASSERT_NE(form, nullptr) << "a broken record still leaves a form";
    ASSERT_EQ(messages.texts().size(), 3) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(messages.texts().at(0), "Der folgende Eintrag konnte nicht geladen "
                                      "werden:\r\n\r\n<CONTROLINFO TYP=\"1\"><NAME>id");
    EXPECT_EQ(messages.texts().at(1),
              "Das Feld gibtsnicht hat keinen Bezug mehr zur Datenquelle und wurde ignoriert!");
    EXPECT_TRUE(messages.texts().at(2).startsWith(ComError::systemText(E_POINTER) + "\r\n"));
    EXPECT_TRUE(messages.texts().at(2).endsWith(
        "\r\nWahrscheinliche Ursache: Ungültige Control-Konfiguration "
        "(AdoFormBuilder::LoadForm)\r\n(HRESULT = 0x80004003)"))
        << messages.texts().at(2).toStdString();

    // What came before the broken record stays; every column has its control.
    EXPECT_EQ(namesOn(form), QStringList({"id_TITEL", "betrag_TITEL"}));
    EXPECT_EQ(pool(false), QStringList({"id_TITEL", "betrag_TITEL", "id hidden",
                                        "name_TITEL hidden", "name hidden", "betrag hidden",
                                        "seit_TITEL hidden", "seit hidden", "aktiv hidden"}));
    EXPECT_EQ(control("id")->Left(), control("id_TITEL")->Right() + 5) << "beside its label";
}

TEST_P(StoredFormTest, AnEmptyFormAndAnOddFormRowStillLoad)
{
    // Nothing on the form: the form row alone, every column offered hidden.
    FormWindow *form = build(true);
    ASSERT_NE(form, nullptr);
    while (!form->controls().isEmpty())
        ASSERT_TRUE(form->removeControl(*form->controls().last()));
    host.MoveWindow(QRect(20, 30, 400, 300));
    ASSERT_TRUE(builder->SaveForm());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORM"), "1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"), "0");
    form = build(false);
    ASSERT_NE(form, nullptr) << "a stored form, if an empty one";
    EXPECT_TRUE(form->controls().isEmpty());
    EXPECT_EQ(builder->controls().size(), 9u);
    for (const auto &made : builder->controls())
        EXPECT_FALSE(made->GetWindow()->isVisible()) << made->GetName().toStdString();

    // Raster steps outside 5 to 50 keep the default; only 1 shows the raster.
    db.exec(QStringLiteral("UPDATE QRTFORM SET RASTER_X = 4, RASTER_Y = 51, SHOW_RASTER = 2"));
    form = build(false);
    EXPECT_EQ(QPoint(form->rasterX(), form->rasterY()), QPoint(10, 10));
    EXPECT_FALSE(form->isRasterShown());
    // A row without a rectangle and title (written by hand) leaves the host be.
    db.exec(QStringLiteral("UPDATE QRTFORM SET RASTER_X = 5, RASTER_Y = 50, SHOW_RASTER = 1, "
                           "FORM_LEFT = NULL, FORM_TOP = NULL, FORM_RIGHT = NULL, FORM_BOTTOM = "
                           "NULL, FORM_TITEL = NULL"));
    host.MoveWindow(QRect(0, 0, 300, 200));
    form = build(false);
    EXPECT_EQ(QPoint(form->rasterX(), form->rasterY()), QPoint(5, 50));
    EXPECT_TRUE(form->isRasterShown());
    EXPECT_EQ(host.GetWindowRect(), QRect(0, 0, 300, 200));
    EXPECT_EQ(host.GetTitle(), "");
}

TEST_P(StoredFormTest, AnExistingFormTableGetsOnlyTheItemTableWithItsKey)
{
    // Another program made QRTFORM and stopped before the rest.
    db.exec(QStringLiteral("CREATE TABLE QRTFORM(QRTFORM_ID INT NOT NULL, NAME VARCHAR(255) NOT "
                           "NULL, FORM_TOP INT, FORM_LEFT INT, FORM_BOTTOM INT, FORM_RIGHT INT, "
                           "FORM_TITEL VARCHAR(255), RASTER_X INT, RASTER_Y INT, SHOW_RASTER INT, "
                           "CONSTRAINT PK_QRTFORM PRIMARY KEY (QRTFORM_ID))"));
    db.exec(QStringLiteral("INSERT INTO QRTFORM (QRTFORM_ID, NAME) VALUES (7, 'alt')"));
    ASSERT_NE(build(true), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT NAME FROM QRTFORM"), "alt");

    Connection connection;
    connection.Open(db.connectionString());
    EXPECT_THROW(connection.Execute("INSERT INTO QRTFORMITEM VALUES (1, 8, 'x')"), ComError)
        << "items need their form";
    connection.Execute("INSERT INTO QRTFORMITEM VALUES (1, 7, 'x')");
    EXPECT_THROW(connection.Execute("INSERT INTO QRTFORMITEM VALUES (1, 7, 'y')"), ComError);

    // The next save takes the next keys.
    EXPECT_TRUE(builder->SaveForm());
    EXPECT_EQ(db.scalar("SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'kunden'"), "8");
    EXPECT_EQ(db.scalar("SELECT MIN(QRTFORMITEM_ID) FROM QRTFORMITEM WHERE QRTFORM_ID = 8"), "2");
}

QRT_INSTANTIATE_FOR_ENGINES(StoredFormTest);

} // namespace
