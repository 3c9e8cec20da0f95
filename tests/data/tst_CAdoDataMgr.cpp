#include "data/CAdoDataMgr.h"
#include "data/RecordFilter.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "xml/CXmlHelper.h"

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
            "CREATE TABLE kunden (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(10) NOT NULL, "
            "ort VARCHAR(40), betrag DOUBLE PRECISION, anzahl INTEGER, menge INTEGER NOT NULL, "
            "datum DATE, aktiv BOOLEAN)",
            "INSERT INTO kunden VALUES (1, 'Meier', 'Bonn', 12.5, 3, 1, '2021-03-07', TRUE)",
            "INSERT INTO kunden VALUES (2, 'Anders', 'Köln & Co', NULL, NULL, 2, NULL, FALSE)",
            "INSERT INTO kunden VALUES (41, 'Zander', 'Bonn', 0.25, 0, 3, '1999-12-31', NULL)",
        });
    }

    // The document of a form on a table of the test database; on kunden (or
    // with autoId) the key id is left to the library.
    QString document(const QString &filter = QString(), const QString &sort = QString(),
                     const char *table = "kunden", bool autoId = false)
    {
        CKeloForm form;
        form.Init(db.dbName(), db.serverName(), db.userId(), db.password(),
                  QString::fromLatin1(table), ns_qrttypen::KELODBTyp(int(db.kind())));
        if (autoId || QByteArray(table) == "kunden")
            form.RemoveColumn(QStringLiteral("id"), true);
        return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, filter, sort);
    }

    QString count(const QString &condition, const char *table = "kunden") const
    {
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2")
                             .arg(QLatin1String(table), condition));
    }

    std::string shown() const { return messages.texts().join(QLatin1Char('\n')).toStdString(); }

    static QString attribute(const QString &xml, const char *name)
    {
        CXmlHelper helper;
        EXPECT_TRUE(helper.loadXml(xml)) << xml.toStdString();
        return helper.getAttributeValue(QDomNode(), QString::fromLatin1(name));
    }
    static QString name(CAdoDataMgr &manager) { return attribute(manager.GetRecordXml(), "name"); }

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

TEST_P(AdoDataMgrTest, TheRecordTextAndMovesThatStayAtBothEnds)
{
    CAdoDataMgr manager;
    manager.Open(document(QString(), QStringLiteral("name")), false);
    // Null fields have no attribute; texts are escaped.
    EXPECT_EQ(manager.GetRecordXml(),
              QStringLiteral("<RECORDSET id=\"2\" name=\"Anders\" ort=\"Köln &amp; Co\" "
                             "menge=\"2\" aktiv=\"False\" ></RECORDSET>"));
    manager.MovePrevious();
    EXPECT_EQ(name(manager), "Anders");
    manager.MoveNext();
    EXPECT_EQ(manager.GetRecordXml(),
              QStringLiteral(
                  "<RECORDSET id=\"1\" name=\"Meier\" ort=\"Bonn\" betrag=\"12.50000000\" "
                  "anzahl=\"3\" menge=\"1\" datum=\"07.03.2021\" aktiv=\"True\" ></RECORDSET>"));
    manager.MoveLast();
    manager.MoveNext();
    EXPECT_EQ(name(manager), "Zander");
    manager.MoveFirst();
    EXPECT_EQ(name(manager), "Anders");
    EXPECT_EQ(manager.GetLastUpdateKey(), -1);
    EXPECT_TRUE(messages.texts().isEmpty()) << shown();
}

TEST_P(AdoDataMgrTest, NothingToShowStartsANewRecord)
{
    db.exec(QStringLiteral("CREATE TABLE leer (id INTEGER PRIMARY KEY, name VARCHAR(10))"));
    CAdoDataMgr empty;
    empty.Open(document(QString(), QString(), "leer"), false);
    EXPECT_FALSE(empty.HasRecord());
    EXPECT_EQ(empty.GetRecordXml(), QStringLiteral("<RECORDSET></RECORDSET>"));
    EXPECT_EQ(empty.recordset()->EditMode(), adEditAdd);

    CAdoDataMgr none;
    none.Open(document(QStringLiteral("name = 'niemand'")), false);
    none.MoveNext(); // a move drops the untouched new row and starts another
    EXPECT_FALSE(none.HasRecord());
    EXPECT_EQ(count("1 = 1"), "3");
}

TEST_P(AdoDataMgrTest, NewRecordsGetTheNextKeyUnlessTheEngineFillsIt)
{
    CAdoDataMgr manager;
    manager.Open(document(), true);
    // The form's text for an auto value is ignored.
    ASSERT_TRUE(manager.WriteRecord("<RECORDSET name=\"Neu\" menge=\"5\" id=\"999\"></RECORDSET>"))
        << shown();
    EXPECT_EQ(manager.GetLastUpdateKey(), 42);
    ASSERT_TRUE(manager.WriteRecord(with(manager.GetRecordXml(), "name", "Neuer")));
    EXPECT_EQ(manager.GetLastUpdateKey(), 42) << "saving it again keeps the key";
    EXPECT_EQ(count("id = 42 AND name = 'Neuer'"), "1");
    manager.DeleteRecord();
    EXPECT_EQ(manager.GetLastUpdateKey(), -1);
    EXPECT_EQ(count("1 = 1"), "3");

    // SQLite's INTEGER PRIMARY KEY and PostgreSQL's serial fill themselves;
    // a new record whose form shows the key empty must not store 0.
    db.exec(db.kind() == DatabaseKind::Sqlite
                ? "CREATE TABLE auto (id INTEGER PRIMARY KEY, name VARCHAR(10))"
                : "CREATE TABLE auto (id SERIAL PRIMARY KEY, name VARCHAR(10))");
    CAdoDataMgr filled;
    filled.Open(document(QString(), QString(), "auto"), true);
    ASSERT_TRUE(filled.WriteRecord("<RECORDSET id=\"\" name=\"Eins\"></RECORDSET>"));
    EXPECT_EQ(filled.GetLastUpdateKey(), 1);
    ASSERT_TRUE(filled.AddRecord());
    ASSERT_TRUE(filled.WriteRecord("<RECORDSET name=\"Zwei\"></RECORDSET>"));
    EXPECT_EQ(filled.GetLastUpdateKey(), 2);
    EXPECT_EQ(count("id = 2 AND name = 'Zwei'", "auto"), "1");

    db.exec({"CREATE TABLE gross (id BIGINT NOT NULL PRIMARY KEY, name TEXT)",
             "INSERT INTO gross VALUES (5000000050, 'a'), (7, 'b')"});
    CAdoDataMgr wide;
    wide.Open(document(QString(), QString(), "gross", true), true);
    ASSERT_TRUE(wide.WriteRecord("<RECORDSET name=\"c\"></RECORDSET>")) << shown();
    EXPECT_EQ(wide.GetLastUpdateKey(), Q_INT64_C(5000000051)) << "beyond 32 bits";
    EXPECT_EQ(count("id = 5000000051 AND name = 'c'", "gross"), "1");
    EXPECT_TRUE(messages.texts().isEmpty()) << shown();
}

TEST_P(AdoDataMgrTest, FiltersKeepTheSortAndTheFilterCommandAppliesWhatItReturns)
{
    CAdoDataMgr plain;
    EXPECT_EQ(plain.filter(), nullptr);
    plain.Open(document(QString(), QStringLiteral("name DESC")), false);
    plain.FilterDialog(); // without a filter: nothing happens
    plain.ChangeFilter(QStringLiteral("ort = 'Bonn'"));
    EXPECT_TRUE(plain.document().contains("<FILTER>ort = 'Bonn'</FILTER>"));
    EXPECT_EQ(name(plain), "Zander");
    plain.MoveNext();
    plain.MoveNext();
    EXPECT_EQ(name(plain), "Meier");
    plain.RemoveFilter();
    plain.MoveLast();
    EXPECT_EQ(name(plain), "Anders");
    // A filter the database refuses: the rows cannot be opened at all.
    EXPECT_THROW(plain.ChangeFilter(QStringLiteral("gibtsnicht = 1")), ComError);

    FakeRecordFilter::Script script;
    script.condition = QStringLiteral(" ort='Bonn'");
    CAdoDataMgr manager(std::make_unique<FakeRecordFilter>(script));
    manager.Open(document(QStringLiteral("id = 2"), QStringLiteral("name DESC")), false);
    EXPECT_EQ(script.documents, QStringList(manager.document())) << "configured once";
    manager.FilterDialog();
    EXPECT_EQ(script.conditionsOnEntry, QStringList("id = 2"));
    EXPECT_TRUE(manager.document().contains("<FILTER> ort='Bonn'</FILTER>"));
    manager.MoveNext();
    EXPECT_EQ(name(manager), "Meier");
    EXPECT_EQ(script.documents.size(), 1) << "re-filtering keeps the connection";

    // Cancel leaves filter, document and position alone, whatever the
    // filter wrote into its argument.
    script.confirms = false;
    script.condition = QStringLiteral("gibtsnicht = 1");
    const QString before = manager.document();
    manager.FilterDialog();
    EXPECT_EQ(manager.filterText(), " ort='Bonn'");
    EXPECT_EQ(manager.document(), before);
    EXPECT_EQ(name(manager), "Meier");

    // A filter that cannot be configured stops the opening.
    script.configures = false;
    CAdoDataMgr refused(std::make_unique<FakeRecordFilter>(script));
    refused.Open(document(), false);
    EXPECT_EQ(refused.recordset(), nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << shown();
}

// One round trip per engine of what the conversion rules make of typed
// texts: stored exactly (fifteen significant digits, line breaks), a
// cleared amount as Null, 0 as 0, and shown again as the form shows it.
TEST_P(AdoDataMgrTest, TypedTextsAreStoredAsMeantAndShownAgain)
{
    db.exec({"CREATE TABLE werte (id INTEGER PRIMARY KEY, betrag NUMERIC(30,15), wert DOUBLE "
             "PRECISION, rabatt REAL, anzahl INTEGER, datum DATE, aktiv BOOLEAN, ort TEXT)",
             "INSERT INTO werte VALUES (1, 1, 1, 0.5, 7, '2020-01-01', TRUE, 'x')"});
    const struct
    {
        const char *column, *typed, *stored, *shown;
    } cases[] = {
        {"betrag", "987654321,123456", "betrag = 987654321.123456", "987654321.123456000000000"},
        {"wert", "-98765,4321098765", "wert = -98765.4321098765", "-98765.43210988"},
        {"rabatt", "", "rabatt IS NULL", nullptr},
        {"anzahl", "0", "anzahl = 0", "0"},
        {"datum", "2022-1-31", "datum = '2022-01-31'", "31.01.2022"},
        {"aktiv", "false", "aktiv = FALSE", "False"},
        {"ort", "Am Markt 1\n\n53111\tBonn\r\n", "ort = 'Am Markt 1\n\n53111\tBonn\r\n'", nullptr},
    };
    CAdoDataMgr manager;
    manager.Open(document(QString(), QString(), "werte"), false);
    QString xml = manager.GetRecordXml();
    for (const auto &c : cases)
        xml = with(xml, c.column, QString::fromUtf8(c.typed));
    ASSERT_TRUE(manager.WriteRecord(xml)) << shown();
    manager.MoveFirst();
    for (const auto &c : cases) {
        EXPECT_EQ(count(QString::fromUtf8(c.stored), "werte"), "1") << c.column;
        EXPECT_EQ(attribute(manager.GetRecordXml(), c.column),
                  QString::fromUtf8(c.shown ? c.shown : c.typed))
            << c.column;
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << shown();
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
        << shown();
    EXPECT_EQ(manager.RefusedField(), "name");
    EXPECT_EQ(db.scalar("SELECT name || ort FROM kunden WHERE id = 1"), "MeierBonn");

    // The library's own checks name captions too, and a column without one.
    EXPECT_FALSE(manager.WriteRecord(with(row, "name", QString())));
    EXPECT_EQ(messages.texts().last(), "Das Feld Name muss einen Wert enthalten.");
    EXPECT_FALSE(manager.WriteRecord(with(row, "betrag", "3,5x")));
    EXPECT_TRUE(messages.texts().last().startsWith("Ungültiger Wert in betrag. Das Feld erwartet"));
    EXPECT_EQ(manager.RefusedField(), "betrag");

    // Put right, the record is stored and the refusal forgotten.
    EXPECT_TRUE(manager.WriteRecord(with(row, "ort", "Ulm"))) << shown();
    EXPECT_TRUE(manager.RefusedField().isEmpty());

    // A row others refer to stays, and the form stays on it.
    messages.clear();
    EXPECT_FALSE(manager.DeleteRecord());
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(
        "Der Datensatz kann nicht gelöscht werden: in der Tabelle bestellungen verweisen noch "
        "Datensätze auf ihn.\n\nMeldung der Datenbank: "))
        << shown();
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
    manager.Open(document(QString(), QString(), "artikel"), true);
    RecordText::Fields defaults;
    ASSERT_TRUE(RecordText::read(manager.GetDefaultsXml(), &defaults))
        << manager.GetDefaultsXml().toStdString();
    const QString today = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    const QHash<QString, QString> expected = {
        {"aktiv", "True"},   {"preis", "4.99000000"}, {"rabatt", "-1"},    {"land", "DE"},
        {"name", "O'Neill"}, {"angelegt", today},     {"ab", "29.02.2024"}};
    for (const ColumnInfo &column : manager.columns())
        EXPECT_EQ(defaults.value(column.name), expected.value(column.name))
            << column.name.toStdString();

    // Why the columns the library never writes are left alone.
    EXPECT_EQ(manager.GetColumnInfo("brutto").readOnlyReason, ReadOnlyReason::Generated);
    EXPECT_EQ(manager.GetColumnInfo("bild").readOnlyReason, ReadOnlyReason::Binary);
    if (postgres) {
        EXPECT_EQ(manager.GetColumnInfo("laufnr").readOnlyReason, ReadOnlyReason::Identity);
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << shown();
}

QRT_INSTANTIATE_FOR_ENGINES(AdoDataMgrTest);
