// What a German user types is what is stored: the form dialog on a table
// of every kind of field, driven with keys on both engines, each text
// typed, the field left with Tab and the record saved with Ctrl+S; then the
// table itself says what was stored, or that nothing was.

#include "FormDialogTestSupport.h"

#include "controls/CDynPicture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>

namespace {

class TypedEntriesTest : public FormDialogTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        const bool postgres = db.kind() == DatabaseKind::PostgreSql;
        if (postgres)
            db.exec({"CREATE TYPE ampel AS ENUM ('rot', 'gelb', 'grün')",
                     "CREATE DOMAIN plz AS varchar(5) CHECK (VALUE ~ '^[0-9]{5}$')"});
        db.exec({"CREATE TABLE laender (code VARCHAR(2) PRIMARY KEY)",
                 "INSERT INTO laender VALUES ('DE'), ('AT')",
                 QStringLiteral(
                     "CREATE TABLE eingaben (id %1 PRIMARY KEY, name VARCHAR(40) NOT NULL UNIQUE, "
                     "umsatz NUMERIC(12,2), rabatt DOUBLE PRECISION, anzahl INTEGER, seit DATE, "
                     "termin %2, uhrzeit TIME, aktiv BOOLEAN NOT NULL DEFAULT TRUE, newsletter "
                     "BOOLEAN, land VARCHAR(2) DEFAULT 'DE' REFERENCES laender, notiz TEXT, menge "
                     "NUMERIC(8,3) CHECK (menge >= 0), bild %3, stueck SMALLINT, preis "
                     "NUMERIC(6,2) DEFAULT 4.99, angelegt DATE DEFAULT CURRENT_DATE%4)")
                     .arg(postgres ? "serial" : "INTEGER", postgres ? "timestamptz" : "DATETIME",
                          postgres ? "bytea" : "BLOB",
                          postgres ? ", status ampel, postleitzahl plz, tags text[]" : ""),
                 QStringLiteral("INSERT INTO eingaben (name, umsatz, rabatt, anzahl, seit, termin, "
                                "uhrzeit, aktiv, notiz, menge, bild) VALUES ('Anna', 1960.6, 5, 5, "
                                "'2020-01-15', '2024-03-01 12:30:00', '08:15:00', TRUE, 'a\nb', 1, "
                                "%1), ('Bert', 100, NULL, NULL, NULL, NULL, NULL, FALSE, "
                                "'x\r\ny', 2, NULL)")
                     .arg(postgres ? "'\\x00'" : "x'00'")});
        facade.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                    QStringLiteral("eingaben"),
                    postgres ? ns_qrttypen::KELO_POSTGRESQL : ns_qrttypen::KELO_SQLITE);
        // The generated layout, saved in design mode, is the form the user gets.
        open(facade.FilledDocument(CKeloForm::EntryPoint::DesignForm));
        ASSERT_TRUE(dialog->GetFormHost()->DateiSpeichern());
        dialog.reset();
    }

    CFormDlg &openRecords(bool newRecord = false)
    {
        return open(
            facade.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), QStringLiteral("id")),
            newRecord);
    }

    // Every value of the row, as the engine holds it.
    QString row(int id) const
    {
        const char *values = db.kind() == DatabaseKind::PostgreSql
                                 ? "e::text"
                                 : "quote(name) || quote(umsatz) || quote(rabatt) || quote(anzahl) "
                                   "|| quote(seit) || quote(termin) || quote(uhrzeit) || "
                                   "quote(aktiv) || quote(newsletter) || quote(land) || "
                                   "quote(notiz) || quote(menge)";
        return db.scalar(
            QStringLiteral("SELECT %1 FROM eingaben e WHERE id = %2").arg(values).arg(id));
    }
    // The one message shown since the last look holds part; none without part.
    void expectTold(const char *part)
    {
        if (part) {
            EXPECT_TRUE(messages.texts().size() == 1 &&
                        messages.texts().first().contains(QString::fromUtf8(part)))
                << messages.texts().join('\n').toStdString();
        } else {
            EXPECT_EQ(messages.texts(), QStringList());
        }
        messages.clear();
    }
    bool holds(int id, const QString &condition) const
    {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM eingaben WHERE id = %1 AND (%2)")
                             .arg(id)
                             .arg(condition)) == QLatin1String("1");
    }

    CKeloForm facade;
};

struct Entry
{
    const char *field;
    const char *typed;
    const char *shown;   // after leaving the field; %Y is this year
    const char *stored;  // what holds of row 1 after Ctrl+S; nullptr: refused
    const char *refusal; // a part of the message; at leaving or, with atSave, at saving
    bool atSave = false;
    bool postgresOnly = false;
};

TEST_P(TypedEntriesTest, EachTextIsStoredAsMeantOrRefusedWithWhatTheFieldExpects)
{
    // One entry for each way a text goes: what each kind of field makes of
    // a text is the conversion's and the controls' tests.
    const Entry entries[] = {
        {"umsatz", "1.234,56", "1234,56", "umsatz = 1234.56", nullptr},
        // Letters never reach a number field: what was there stays.
        {"rabatt", "abc", "5,0", "rabatt = 5", nullptr},
        {"seit", "31.02.2024", "31.02.2024", nullptr, ": den 31.02.2024 gibt es nicht"},
        {"seit", "1.2.", "01.02.%Y", "seit = '%Y-02-01'", nullptr},
        // Only the day typed: the time of day stays.
        {"termin", "2.3.2024", "02.03.2024 12:30", "termin = '2024-03-02 12:30:00'", nullptr},
        {"anzahl", "", "", "anzahl IS NULL", nullptr},
        // What only the database can refuse, said in the field's words.
        {"name", "Bert", "Bert", nullptr, "Das Feld name muss eindeutig sein", true},
        {"status", "lila", "lila", nullptr,
         "Das Feld status erwartet einen Eintrag der Liste: „lila“ gibt es in der Liste rot, "
         "gelb, grün nicht",
         false, true},
    };
    const QString year = QString::number(QDate::currentDate().year());
    for (const Entry &entry : entries) {
        if (entry.postgresOnly && db.kind() != DatabaseKind::PostgreSql)
            continue;
        SCOPED_TRACE(std::string(entry.field) + " <- " + entry.typed);
        const QString before = row(1);
        openRecords();
        EXPECT_EQ(shown("umsatz"), "1960,60") << "money reads with its cents";
        retype(entry.field, QString::fromUtf8(entry.typed));
        press(Qt::Key_Tab);
        QCoreApplication::processEvents();
        EXPECT_EQ(shown(entry.field), QString::fromUtf8(entry.shown).replace("%Y", year));
        expectTold(entry.atSave ? nullptr : entry.refusal);
        if (entry.refusal && !entry.atSave) {
            EXPECT_TRUE(field(entry.field)->hasFocus()) << "back in the field";
        }
        press(Qt::Key_S, Qt::ControlModifier);
        expectTold(entry.stored ? nullptr : entry.refusal);
        if (entry.stored) {
            EXPECT_TRUE(holds(1, QString::fromUtf8(entry.stored).replace("%Y", year)))
                << row(1).toStdString();
        } else {
            EXPECT_EQ(row(1), before) << "nothing written";
            EXPECT_TRUE(field(entry.field)->hasFocus()) << "the user is put into the field";
            EXPECT_EQ(shown(entry.field), QString::fromUtf8(entry.shown)) << "the text stays";
        }
        dialog.reset();
        db.exec(QStringLiteral("UPDATE eingaben SET name = 'Anna', umsatz = 1960.6, rabatt = 5, "
                               "anzahl = 5, seit = '2020-01-15', termin = '2024-03-01 12:30:00', "
                               "uhrzeit = '08:15:00' WHERE id = 1"));
    }
}

// A new record shows what it will store: constant defaults, "unknown" for a
// yes/no that takes Null; what the user leaves alone is stored just so.
TEST_P(TypedEntriesTest, ANewRecordShowsAndStoresTheDefaults)
{
    openRecords(true);
    auto *active = qobject_cast<QCheckBox *>(field("aktiv"));
    auto *newsletter = qobject_cast<QCheckBox *>(field("newsletter"));
    ASSERT_TRUE(active && newsletter);
    EXPECT_EQ(active->checkState(), Qt::Checked);
    EXPECT_EQ(newsletter->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(shown("land"), "DE");
    EXPECT_EQ(shown("preis"), "4,99");
    EXPECT_EQ(shown("angelegt"), QDate::currentDate().toString("dd.MM.yyyy"));
    EXPECT_EQ(shown("umsatz"), "");
    retype("name", "Neu");
    press(Qt::Key_S, Qt::ControlModifier);
    expectTold(nullptr);
    EXPECT_EQ(
        db.scalar(
            "SELECT COUNT(*) FROM eingaben WHERE name = 'Neu' AND aktiv = "
            "(1 = 1) AND newsletter IS NULL AND land = 'DE' AND umsatz IS NULL AND preis = 4.99 "
            "AND angelegt IS NOT NULL"),
        "1");

    // A required field left empty: the message names it and the user is put there.
    press(Qt::Key_N, Qt::ControlModifier);
    retype("umsatz", "5");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(messages.texts(), QStringList("Das Feld name muss einen Wert enthalten."));
    EXPECT_TRUE(field("name")->hasFocus());
}

// Keys meant for menus stay out of fields; binary data says what it is.
TEST_P(TypedEntriesTest, MnemonicsAndFieldsTheFormNeverWrites)
{
    openRecords();
    // Alt+D opens the record menu; Alt with a letter no menu has types nothing.
    QTest::mouseClick(field("name"), Qt::LeftButton);
    press(Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(shown("name"), "Anna");
    press(Qt::Key_D, Qt::AltModifier);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "the record menu";
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_EQ(shown("name"), "Anna");
    EXPECT_FALSE(control("name")->IsModified());

    auto *bytes = qobject_cast<CDynPicture *>(control("bild"));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->WindowText(), "Binärdaten, 1 Byte");
    expectTold(nullptr);
}

QRT_INSTANTIATE_FOR_ENGINES(TypedEntriesTest);

} // namespace
