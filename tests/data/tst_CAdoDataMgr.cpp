#include "data/CAdoDataMgr.h"
#include "data/RecordFilter.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "xml/CXmlHelper.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <future>
#include <thread>

#include <gtest/gtest.h>

// The record data manager on every engine: the record text, moves, filters,
// and writing form values back.

// An interactive filter whose user is scripted: configure and edit answer
// as told and remember what they were given.
class FakeRecordFilter final : public RecordFilter
{
public:
    struct Script
    {
        bool configures = true;
        bool confirms = true;
        QString condition;             // what the user composes
        QStringList documents;         // every document configure got
        QStringList conditionsOnEntry; // every condition edit got
    };

    explicit FakeRecordFilter(Script &script) : m_script(script) {}

    bool configure(const QString &document) override
    {
        m_script.documents << document;
        return m_script.configures;
    }

    bool edit(QString &condition, QWidget *) override
    {
        m_script.conditionsOnEntry << condition;
        // A careless filter may scribble on the condition even on cancel.
        condition = m_script.condition;
        return m_script.confirms;
    }

private:
    Script &m_script;
};

class AdoDataMgrTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec(QStringList{
            QStringLiteral(
                "CREATE TABLE kunden (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(10) NOT NULL, "
                "ort VARCHAR(40), betrag DOUBLE PRECISION, anzahl INTEGER, menge INTEGER NOT NULL, "
                "datum DATE, aktiv BOOLEAN)"),
            QStringLiteral(
                "INSERT INTO kunden VALUES (1, 'Meier', 'Bonn', 12.5, 3, 1, '2021-03-07', TRUE)"),
            QStringLiteral(
                "INSERT INTO kunden VALUES (2, 'Anders', 'Köln & Co', NULL, NULL, 2, NULL, FALSE)"),
            QStringLiteral(
                "INSERT INTO kunden VALUES (41, 'Zander', 'Bonn', 0.25, 0, 3, '1999-12-31', NULL)"),
        });
    }

    QString document(const QString &filter = QString(), const QString &sort = QString(),
                     bool autoId = true)
    {
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                  QStringLiteral("kunden"),
                  GetParam() == DatabaseKind::Sqlite ? ns_qrttypen::KELO_SQLITE
                                                     : ns_qrttypen::KELO_POSTGRESQL);
        if (autoId)
            form.RemoveColumn(QStringLiteral("id"), true);
        return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, filter, sort);
    }

    // The document of a form on another table of the test database.
    QString documentFor(const char *table, const QString &filter = QString())
    {
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                  QString::fromLatin1(table),
                  GetParam() == DatabaseKind::Sqlite ? ns_qrttypen::KELO_SQLITE
                                                     : ns_qrttypen::KELO_POSTGRESQL);
        return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, filter);
    }

    QString count(const QString &condition, const char *table = "kunden") const
    {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                             .arg(QLatin1String(table), condition));
    }

    QString shown() const { return messages.texts().join(QLatin1Char('\n')); }

    static QString attribute(const QString &xml, const char *name)
    {
        CXmlHelper helper;
        EXPECT_TRUE(helper.loadXml(xml)) << xml.toStdString();
        return helper.getAttributeValue(QDomNode(), QString::fromLatin1(name));
    }

    // The record text with one attribute set (or added).
    static QString with(const QString &xml, const char *name, const QString &value)
    {
        CXmlHelper helper;
        EXPECT_TRUE(helper.loadXml(xml));
        helper.setAttributeValue(helper.getXmlDocument().documentElement(),
                                 QString::fromLatin1(name), value);
        return helper.xml();
    }

    ScriptedMessages messages;
};

TEST_P(AdoDataMgrTest, RecordTextOfTheCurrentRow)
{
    CAdoDataMgr manager;
    manager.Open(document(QString(), QStringLiteral("id")), false);
    ASSERT_TRUE(manager.HasRecord()) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(
        manager.GetRecordXml(),
        QStringLiteral(
            "<RECORDSET id=\"1\" name=\"Meier\" ort=\"Bonn\" betrag=\"12.50000000\" anzahl=\"3\" "
            "menge=\"1\" datum=\"07.03.2021\" aktiv=\"True\" ></RECORDSET>"));
    manager.MoveNext();
    // Null fields have no attribute; texts are escaped.
    EXPECT_EQ(manager.GetRecordXml(),
              QStringLiteral("<RECORDSET id=\"2\" name=\"Anders\" ort=\"Köln &amp; Co\" "
                             "menge=\"2\" aktiv=\"False\" ></RECORDSET>"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(AdoDataMgrTest, MovesStayAtBothEnds)
{
    CAdoDataMgr manager;
    manager.Open(document(QString(), QStringLiteral("name")), false);
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Anders"));
    manager.MovePrevious();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Anders"));
    manager.MoveLast();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    manager.MoveNext();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    manager.MoveFirst();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Anders"));
    EXPECT_EQ(manager.GetLastUpdateKey(), -1);
}

TEST_P(AdoDataMgrTest, NothingToShowStartsANewRecord)
{
    db.exec(QStringLiteral("CREATE TABLE leer (id INTEGER PRIMARY KEY, name VARCHAR(10))"));
    CKeloForm form;
    form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), QStringLiteral("leer"),
              GetParam() == DatabaseKind::Sqlite ? ns_qrttypen::KELO_SQLITE
                                                 : ns_qrttypen::KELO_POSTGRESQL);
    CAdoDataMgr empty;
    empty.Open(form.FilledDocument(CKeloForm::EntryPoint::ShowForm), false);
    EXPECT_FALSE(empty.HasRecord());
    EXPECT_EQ(empty.GetRecordXml(), QStringLiteral("<RECORDSET></RECORDSET>"));
    EXPECT_EQ(empty.recordset()->EditMode(), adEditAdd);

    CAdoDataMgr none;
    none.Open(document(QStringLiteral("name = 'niemand'")), false);
    EXPECT_FALSE(none.HasRecord());
    none.MoveNext(); // a move drops the untouched new row and starts another
    EXPECT_FALSE(none.HasRecord());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("3"));
}

TEST_P(AdoDataMgrTest, KeysTheEngineFillsAreLeftToIt)
{
    // SQLite's INTEGER PRIMARY KEY and PostgreSQL's serial fill themselves;
    // a new record whose form shows the key empty must not store 0.
    db.exec(GetParam() == DatabaseKind::Sqlite
                ? QStringLiteral("CREATE TABLE auto (id INTEGER PRIMARY KEY, name VARCHAR(10))")
                : QStringLiteral("CREATE TABLE auto (id SERIAL PRIMARY KEY, name VARCHAR(10))"));
    CKeloForm form;
    form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), QStringLiteral("auto"),
              GetParam() == DatabaseKind::Sqlite ? ns_qrttypen::KELO_SQLITE
                                                 : ns_qrttypen::KELO_POSTGRESQL);
    CAdoDataMgr manager;
    manager.Open(form.FilledDocument(CKeloForm::EntryPoint::ShowForm), true);
    ASSERT_TRUE(
        manager.WriteRecord(QStringLiteral("<RECORDSET id=\"\" name=\"Eins\"></RECORDSET>")));
    EXPECT_EQ(manager.GetLastUpdateKey(), 1);
    ASSERT_TRUE(manager.AddRecord());
    ASSERT_TRUE(manager.WriteRecord(QStringLiteral("<RECORDSET name=\"Zwei\"></RECORDSET>")));
    EXPECT_EQ(manager.GetLastUpdateKey(), 2);
    EXPECT_TRUE(messages.texts().isEmpty())
        << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM auto WHERE id = 2")),
              QStringLiteral("Zwei"));
}

TEST_P(AdoDataMgrTest, RefilteringKeepsTheSort)
{
    CAdoDataMgr manager;
    manager.Open(document(QString(), QStringLiteral("name DESC")), false);
    manager.ChangeFilter(QStringLiteral("ort = 'Bonn'"));
    EXPECT_EQ(manager.filterText(), QStringLiteral("ort = 'Bonn'"));
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    manager.MoveNext();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Meier"));
    manager.MoveNext();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Meier"));
    manager.ChangeFilter(QStringLiteral("ort = 'Bonn'"));
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    EXPECT_TRUE(manager.document().contains(QStringLiteral("<FILTER>ort = 'Bonn'</FILTER>")));

    manager.RemoveFilter();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    manager.MoveLast();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Anders"));

    // A filter the database refuses: the rows cannot be opened at all.
    EXPECT_THROW(manager.ChangeFilter(QStringLiteral("gibtsnicht = 1")), ComError);
}

TEST_P(AdoDataMgrTest, TheFilterCommandAppliesWhatTheFilterReturns)
{
    FakeRecordFilter::Script script;
    script.condition = QStringLiteral(" ort='Bonn'");
    CAdoDataMgr manager(std::make_unique<FakeRecordFilter>(script));
    manager.Open(document(QStringLiteral("id = 2"), QStringLiteral("name DESC")), false);
    ASSERT_EQ(script.documents.size(), 1) << "configured once, with the form's document";
    EXPECT_EQ(script.documents.first(), manager.document());
    EXPECT_NE(manager.filter(), nullptr);

    manager.FilterDialog();
    EXPECT_EQ(script.conditionsOnEntry, QStringList(QStringLiteral("id = 2")));
    EXPECT_EQ(manager.filterText(), QStringLiteral(" ort='Bonn'"));
    EXPECT_TRUE(manager.document().contains(QStringLiteral("<FILTER> ort='Bonn'</FILTER>")))
        << manager.document().toStdString();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Zander"));
    manager.MoveNext();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Meier"));
    EXPECT_EQ(script.documents.size(), 1) << "re-filtering keeps the connection";

    // Cancel leaves filter, document and position alone, whatever the
    // filter wrote into its argument.
    script.confirms = false;
    script.condition = QStringLiteral("gibtsnicht = 1");
    const QString documentBefore = manager.document();
    manager.FilterDialog();
    EXPECT_EQ(manager.filterText(), QStringLiteral(" ort='Bonn'"));
    EXPECT_EQ(manager.document(), documentBefore);
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Meier"));
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(AdoDataMgrTest, WithoutAFilterTheFilterCommandDoesNothing)
{
    CAdoDataMgr manager;
    EXPECT_EQ(manager.filter(), nullptr);
    manager.Open(document(QStringLiteral("id = 2")), false);
    manager.FilterDialog();
    EXPECT_EQ(manager.filterText(), QStringLiteral("id = 2"));
    EXPECT_EQ(attribute(manager.GetRecordXml(), "name"), QStringLiteral("Anders"));

    // A filter that cannot be configured stops the opening.
    FakeRecordFilter::Script script;
    script.configures = false;
    CAdoDataMgr refused(std::make_unique<FakeRecordFilter>(script));
    refused.Open(document(), false);
    EXPECT_EQ(script.documents.size(), 1);
    EXPECT_EQ(refused.recordset(), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(AdoDataMgrTest, FormTextsAreConvertedPerColumn)
{
    CAdoDataMgr manager;
    manager.Open(document(QStringLiteral("id = 1")), false);
    QString xml = manager.GetRecordXml();
    xml = with(xml, "betrag", QStringLiteral("3,75"));
    xml = with(xml, "anzahl", QStringLiteral("0")); // 0 is a number, not "unknown"
    xml = with(xml, "menge", QStringLiteral("-12"));
    xml = with(xml, "name", QStringLiteral("Meierhofer"));
    xml = with(xml, "datum", QStringLiteral("2022-1-31"));
    xml = with(xml, "aktiv", QStringLiteral("false"));
    ASSERT_TRUE(manager.WriteRecord(xml)) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(count(QStringLiteral("id = 1 AND betrag = 3.75 AND anzahl = 0 AND menge = -12 AND "
                                   "name = 'Meierhofer' AND datum = '2022-01-31'")),
              QStringLiteral("1"));
    EXPECT_EQ(manager.GetLastUpdateKey(), 1);
    manager.Undo();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "datum"), QStringLiteral("31.01.2022"));
    EXPECT_EQ(attribute(manager.GetRecordXml(), "aktiv"), QStringLiteral("False"));

    // Refused values stop the write with what the column expects; nothing
    // reaches the database, and nothing is cut or read as something else.
    const struct
    {
        const char *column;
        const char *text;
        const char *message;
    } refused[] = {
        {"betrag", "3,5x", "Ungültiger Wert in betrag. Das Feld erwartet eine Zahl"},
        {"anzahl", "12abc", "Ungültiger Wert in anzahl. Das Feld erwartet eine ganze Zahl"},
        {"name", "Meierhofer-Schulze", "Das Feld nimmt höchstens 10 Zeichen auf; der Text hat 18."},
        {"datum", "2022-2-30", "Das Feld erwartet ein Datum"},
        {"name", "", "Das Feld name muss einen Wert enthalten."},
        {"menge", "", "Das Feld menge muss einen Wert enthalten."},
    };
    for (const auto &r : refused) {
        EXPECT_FALSE(
            manager.WriteRecord(with(manager.GetRecordXml(), r.column, QString::fromUtf8(r.text))))
            << r.column;
        EXPECT_TRUE(messages.texts()
                        .value(messages.texts().size() - 1)
                        .contains(QString::fromUtf8(r.message)))
            << shown().toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("id = 1 AND betrag = 3.75 AND anzahl = 0 AND menge = -12 AND "
                                   "name = 'Meierhofer' AND datum = '2022-01-31'")),
              QStringLiteral("1"));
}

TEST_P(AdoDataMgrTest, RefusalsNameTheFieldByItsCaptionAndWriteNothing)
{
    db.exec(QStringList{
        "CREATE UNIQUE INDEX kunden_name_eindeutig ON kunden (name)",
        "CREATE TABLE bestellungen (nr INTEGER PRIMARY KEY, kunde INTEGER NOT NULL REFERENCES "
        "kunden (id))",
        "INSERT INTO bestellungen VALUES (7, 1)",
    });
    CAdoDataMgr manager;
    manager.SetFieldCaptions({{"name", "&Name:"}, {"ort", "Wohnort"}});
    manager.Open(document(QStringLiteral("id = 1")), false);
    const QString row = manager.GetRecordXml();

    // The database's rule in the form's words; the change that was fine
    // is not written either.
    EXPECT_FALSE(manager.WriteRecord(with(with(row, "name", "Anders"), "ort", "Ulm")));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().last().startsWith(
        "Das Feld Name muss eindeutig sein: ein anderer Datensatz hat schon diesen Wert. Bitte "
        "geben Sie einen anderen ein.\n\nMeldung der Datenbank: "))
        << shown().toStdString();
    EXPECT_EQ(manager.RefusedField(), "name");
    EXPECT_EQ(db.scalar("SELECT name || ort FROM kunden WHERE id = 1"), "MeierBonn");

    // The library's own checks name captions too, and a column without one.
    EXPECT_FALSE(manager.WriteRecord(with(row, "name", QString())));
    EXPECT_EQ(messages.texts().last(), "Das Feld Name muss einen Wert enthalten.");
    EXPECT_FALSE(manager.WriteRecord(with(row, "betrag", "3,5x")));
    EXPECT_TRUE(messages.texts().last().startsWith("Ungültiger Wert in betrag. Das Feld erwartet"));
    EXPECT_EQ(manager.RefusedField(), "betrag");

    // Put right, the record is stored and the refusal forgotten.
    EXPECT_TRUE(manager.WriteRecord(with(row, "ort", "Ulm"))) << shown().toStdString();
    EXPECT_TRUE(manager.RefusedField().isEmpty());

    // A row others refer to stays, and the form stays on it.
    messages.clear();
    EXPECT_FALSE(manager.DeleteRecord());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(
        "Der Datensatz kann nicht gelöscht werden: in der Tabelle bestellungen verweisen noch "
        "Datensätze auf ihn.\n\nMeldung der Datenbank: "))
        << shown().toStdString();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "id"), "1");
    EXPECT_EQ(count("id = 1"), "1");
}

TEST_P(AdoDataMgrTest, ANewRecordShowsTheDefaultsThatAreConstants)
{
    // Constants (a negative one in parentheses, a cast text on PostgreSQL,
    // SQLite's 1 for yes), CURRENT_DATE, and what the engine computes per
    // row: a sequence, a uuid, the time of the insert, a generated column.
    const bool postgres = GetParam() == DatabaseKind::PostgreSql;
    db.exec(postgres
                ? "CREATE TABLE artikel (nr serial PRIMARY KEY, kennung uuid DEFAULT "
                  "gen_random_uuid(), aktiv boolean DEFAULT true, preis numeric(6,2) DEFAULT 4.99, "
                  "rabatt integer DEFAULT (-1), land char(2) DEFAULT 'DE', name text DEFAULT "
                  "'O''Neill', angelegt date DEFAULT CURRENT_DATE, ab date DEFAULT '2024-02-29', "
                  "geaendert timestamptz DEFAULT now(), notiz text, laufnr integer GENERATED "
                  "ALWAYS AS IDENTITY, brutto numeric(8,2) GENERATED ALWAYS AS (preis * 1.19) "
                  "STORED, bild bytea)"
                : "CREATE TABLE artikel (nr INTEGER PRIMARY KEY, kennung TEXT DEFAULT "
                  "(lower(hex(randomblob(16)))), aktiv BOOLEAN DEFAULT 1, preis NUMERIC(6,2) "
                  "DEFAULT 4.99, rabatt INTEGER DEFAULT (-1), land CHAR(2) DEFAULT 'DE', name TEXT "
                  "DEFAULT 'O''Neill', angelegt DATE DEFAULT CURRENT_DATE, ab DATE DEFAULT "
                  "'2024-02-29', geaendert DATETIME DEFAULT CURRENT_TIMESTAMP, notiz TEXT, brutto "
                  "REAL GENERATED ALWAYS AS (preis * 1.19), bild BLOB)");
    CAdoDataMgr manager;
    manager.Open(documentFor("artikel"), true);
    RecordText::Fields defaults;
    ASSERT_TRUE(RecordText::read(manager.GetDefaultsXml(), &defaults))
        << manager.GetDefaultsXml().toStdString();
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    const struct
    {
        const char *column;
        QString text; // empty: no value shown
    } cases[] = {
        {"aktiv", "True"},    {"preis", "4.99000000"},
        {"rabatt", "-1"},     {"land", "DE"},
        {"name", "O'Neill"},  {"angelegt", today},
        {"ab", "29.02.2024"}, {"nr", ""},
        {"kennung", ""},      {"geaendert", ""},
        {"notiz", ""},        {"laufnr", ""},
        {"brutto", ""},       {"bild", ""},
    };
    for (const auto &expected : cases) {
        EXPECT_EQ(defaults.value(QString::fromLatin1(expected.column)), expected.text)
            << expected.column;
    }

    // Why the columns the library never writes are left alone.
    EXPECT_EQ(manager.GetColumnInfo("brutto").readOnlyReason, ReadOnlyReason::Generated);
    EXPECT_EQ(manager.GetColumnInfo("bild").readOnlyReason, ReadOnlyReason::Binary);
    if (postgres) {
        EXPECT_EQ(manager.GetColumnInfo("laufnr").readOnlyReason, ReadOnlyReason::Identity);
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
}

TEST_P(AdoDataMgrTest, AClearedAmountIsNullAndAnEmptyOneStaysNull)
{
    // REAL is a single on both engines, DOUBLE PRECISION a double.
    db.exec(QStringList{
        QStringLiteral("CREATE TABLE preise (id INTEGER PRIMARY KEY, netto DOUBLE PRECISION, "
                       "brutto DOUBLE PRECISION NOT NULL, rabatt REAL)"),
        QStringLiteral("INSERT INTO preise VALUES (1, 12.5, 15, 0.5)"),
        QStringLiteral("INSERT INTO preise VALUES (2, NULL, 3, NULL)"),
    });
    CAdoDataMgr manager;
    manager.Open(documentFor("preise", QStringLiteral("id = 1")), false);
    QString xml = manager.GetRecordXml();
    ASSERT_EQ(attribute(xml, "rabatt"), QStringLiteral("0.50000000")) << xml.toStdString();
    for (const char *name : {"netto", "rabatt"})
        xml = with(xml, name, QString());
    ASSERT_TRUE(manager.WriteRecord(xml)) << shown().toStdString();
    EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
    EXPECT_EQ(count(QStringLiteral("id = 1 AND netto IS NULL AND brutto = 15 AND rabatt IS NULL"),
                    "preise"),
              QStringLiteral("1"));

    // A row whose amounts are Null: the form shows nothing for them and gets
    // nothing back, and a save of another field leaves them Null, not 0.
    manager.ChangeFilter(QStringLiteral("id = 2"));
    ASSERT_TRUE(manager.WriteRecord(with(manager.GetRecordXml(), "brutto", QStringLiteral("4,5"))))
        << shown().toStdString();
    EXPECT_EQ(count(QStringLiteral("id = 2 AND netto IS NULL AND brutto = 4.5 AND rabatt IS NULL"),
                    "preise"),
              QStringLiteral("1"));

    // A new row: a 0 typed stays 0, and a text that is no number is refused.
    ASSERT_TRUE(manager.AddRecord());
    EXPECT_FALSE(manager.WriteRecord(
        QStringLiteral("<RECORDSET id=\"3\" netto=\"0\" brutto=\"abc\"></RECORDSET>")));
    ASSERT_TRUE(manager.WriteRecord(
        QStringLiteral("<RECORDSET id=\"3\" netto=\"0\" brutto=\"0\" rabatt=\"\"></RECORDSET>")))
        << shown().toStdString();
    EXPECT_EQ(
        count(QStringLiteral("id = 3 AND netto = 0 AND brutto = 0 AND rabatt IS NULL"), "preise"),
        QStringLiteral("1"));
}

TEST_P(AdoDataMgrTest, LineBreaksAndTabsSurviveTheRecordText)
{
    const QString lines = QStringLiteral("Hof 3\r\n\tHinterhaus\nBonn");
    db.exec(QStringLiteral("UPDATE kunden SET ort = 'Hof 3\r\n\tHinterhaus\nBonn' WHERE id = 1"));
    CAdoDataMgr manager;
    manager.Open(document(QStringLiteral("id = 1")), false);
    EXPECT_EQ(attribute(manager.GetRecordXml(), "ort"), lines);

    // Saving another field leaves the stored lines exactly as they were.
    ASSERT_TRUE(
        manager.WriteRecord(with(manager.GetRecordXml(), "name", QStringLiteral("Neumann"))))
        << shown().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE id = 1")), lines);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM kunden WHERE id = 1")),
              QStringLiteral("Neumann"));

    // New lines typed into the form are stored and shown again as typed.
    const QString typed = QStringLiteral("Am Markt 1\n\n53111\tBonn\r\n");
    ASSERT_TRUE(manager.WriteRecord(with(manager.GetRecordXml(), "ort", typed)))
        << shown().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE id = 1")), typed);
    manager.MoveFirst();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "ort"), typed);
    EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
}

TEST_P(AdoDataMgrTest, FifteenSignificantDigitsAreStoredAsTyped)
{
    db.exec(QStringLiteral("CREATE TABLE zahlen (id INTEGER PRIMARY KEY, betrag NUMERIC(30,15), "
                           "wert DOUBLE PRECISION)"));
    CAdoDataMgr manager;
    manager.Open(documentFor("zahlen"), true);
    ASSERT_TRUE(manager.WriteRecord(QStringLiteral(
        "<RECORDSET id=\"1\" betrag=\"987654321,123456\" wert=\"123456,789012345\"></RECORDSET>")))
        << shown().toStdString();
    EXPECT_EQ(
        count(QStringLiteral("betrag = 987654321.123456 AND wert = 123456.789012345"), "zahlen"),
        QStringLiteral("1"));

    // Stored values (a decimal and a double now) take changed texts with all
    // their digits too; the record text shows the column's fifteen decimals,
    // and a field whose text comes back as shown keeps every stored digit.
    manager.ChangeFilter(QStringLiteral("id = 1"));
    QString xml = manager.GetRecordXml();
    EXPECT_EQ(attribute(xml, "betrag"), QStringLiteral("987654321.123456000000000"));
    ASSERT_TRUE(manager.WriteRecord(xml)) << shown().toStdString();
    EXPECT_EQ(
        count(QStringLiteral("betrag = 987654321.123456 AND wert = 123456.789012345"), "zahlen"),
        QStringLiteral("1"));
    xml = with(xml, "betrag", QStringLiteral("0,123456789012345"));
    xml = with(xml, "wert", QStringLiteral("-98765,4321098765"));
    ASSERT_TRUE(manager.WriteRecord(xml)) << shown().toStdString();
    EXPECT_EQ(
        count(QStringLiteral("betrag = 0.123456789012345 AND wert = -98765.4321098765"), "zahlen"),
        QStringLiteral("1"));
    EXPECT_EQ(manager.recordset()->Fields().Item(QStringLiteral("betrag")).Value(),
              Variant::decimal(QStringLiteral("0.123456789012345")));
    EXPECT_EQ(manager.recordset()->Fields().Item(QStringLiteral("wert")).Value(),
              Variant(-98765.4321098765));
}

TEST_P(AdoDataMgrTest, NewRecordsGetTheNextKey)
{
    CAdoDataMgr manager;
    manager.Open(document(), true);
    EXPECT_FALSE(manager.HasRecord());
    QString xml = QStringLiteral("<RECORDSET name=\"Neu\" menge=\"5\" id=\"999\"></RECORDSET>");
    ASSERT_TRUE(manager.WriteRecord(xml)) << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(manager.GetLastUpdateKey(), 42); // the form's text for an auto value is ignored
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM kunden WHERE id = 42")),
              QStringLiteral("Neu"));
    // Saving it again keeps the key.
    ASSERT_TRUE(manager.WriteRecord(with(manager.GetRecordXml(), "name", QStringLiteral("Neuer"))));
    EXPECT_EQ(manager.GetLastUpdateKey(), 42);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("4"));

    manager.DeleteRecord();
    EXPECT_EQ(manager.GetLastUpdateKey(), -1);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("3"));
}

TEST_P(AdoDataMgrTest, AStaleRowIsNotOverwritten)
{
    CAdoDataMgr manager;
    manager.Open(document(QStringLiteral("id = 2")), false);
    db.exec(QStringLiteral("UPDATE kunden SET ort = 'Berlin' WHERE id = 2"));
    try {
        manager.WriteRecord(with(manager.GetRecordXml(), "ort", QStringLiteral("Hamburg")));
        ADD_FAILURE() << "stale row overwritten";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_CONCURRENCYVIOLATION);
        EXPECT_FALSE(error.description().isEmpty());
    }
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE id = 2")),
              QStringLiteral("Berlin"));
    // After a move the current values are read again, and saving works.
    manager.MoveFirst();
    EXPECT_EQ(attribute(manager.GetRecordXml(), "ort"), QStringLiteral("Berlin"));
    EXPECT_TRUE(
        manager.WriteRecord(with(manager.GetRecordXml(), "ort", QStringLiteral("Hamburg"))));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE id = 2")),
              QStringLiteral("Hamburg"));
}

TEST_P(AdoDataMgrTest, TwoUsersAddingAtOnceBothSucceed)
{
    CAdoDataMgr first;
    CAdoDataMgr second;
    first.Open(document(), true);
    second.Open(document(), true);

    // A third writer holds a new row with the next key in an open
    // transaction, so the key the second manager computes is taken by the
    // time its insert runs; it commits while that insert waits.
    std::promise<void> inserted;
    std::thread writer([&] {
        const QString name = QStringLiteral("concurrent-writer");
        {
            QSqlDatabase conn = QSqlDatabase::addDatabase(GetParam() == DatabaseKind::Sqlite
                                                              ? QStringLiteral("QSQLITE")
                                                              : QStringLiteral("QPSQL"),
                                                          name);
            if (GetParam() == DatabaseKind::Sqlite) {
                conn.setDatabaseName(db.dbName());
            } else {
                const QStringList server = db.serverName().split(QLatin1Char(':'));
                conn.setHostName(server.value(0));
                conn.setPort(server.value(1).toInt());
                conn.setUserName(db.userId());
                conn.setDatabaseName(db.dbName());
            }
            conn.open();
            QSqlQuery query(conn);
            query.exec(GetParam() == DatabaseKind::Sqlite ? QStringLiteral("BEGIN IMMEDIATE")
                                                          : QStringLiteral("BEGIN"));
            query.exec(
                QStringLiteral("INSERT INTO kunden (id, name, menge) VALUES (42, 'Dritter', 1)"));
            inserted.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            query.exec(QStringLiteral("COMMIT"));
            conn.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
    inserted.get_future().wait();
    bool secondSaved = false;
    QString failure;
    try {
        secondSaved = second.WriteRecord(
            QStringLiteral("<RECORDSET name=\"Zweiter\" menge=\"1\"></RECORDSET>"));
    } catch (const ComError &error) {
        failure = error.description();
    }
    writer.join();
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    const bool firstSaved =
        first.WriteRecord(QStringLiteral("<RECORDSET name=\"Erster\" menge=\"1\"></RECORDSET>"));

    EXPECT_TRUE(secondSaved);
    EXPECT_TRUE(firstSaved);
    EXPECT_TRUE(messages.texts().isEmpty())
        << messages.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("6"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(DISTINCT id) FROM kunden")),
              QStringLiteral("6"));
    EXPECT_NE(first.GetLastUpdateKey(), second.GetLastUpdateKey());
    EXPECT_EQ(second.GetLastUpdateKey(), 43);
}

QRT_INSTANTIATE_FOR_ENGINES(AdoDataMgrTest);
