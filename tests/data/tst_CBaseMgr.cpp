#include "data/CBaseMgr.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

QString config(const QString &dbName, const QString &server, const QString &user,
               const QString &dbTyp, const QString &more = QString())
{
    return "<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>kunden</FORMULARNAME><DBNAME>" + dbName +
           "</DBNAME><SERVERNAME>" + server + "</SERVERNAME><USERID>" + user +
           "</USERID><PASSWORT></PASSWORT><TABELLENNAME>kunden</TABELLENNAME><DBTYP>" + dbTyp +
           "</DBTYP><FILTER></FILTER><SORT></SORT>" + more + "</ADOBUILDER>";
}

QStringList namesOf(const QVector<ColumnInfo> &columns)
{
    QStringList names;
    for (const ColumnInfo &column : columns)
        names << column.name;
    return names;
}

TEST(CBaseMgr, ConnectionStringsOfAllKinds)
{
    ScriptedMessages messages;
    CBaseMgr mgr;
    EXPECT_FALSE(mgr.Connect("kunden", "srv", "sa", "geheim", 0)); // no string to keep yet
    const std::pair<int, const char *> expected[] = {
        {1,
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/fehlt/kunden;Persist Security Info=False"},
        {2, "Driver={SQL Server}; Provider=SQLOLEDB; Server=127.0.0.1:1; "
            "Uid=sa;Pwd=;Database=/fehlt/kunden"},
        {3, "Provider=SQLite;Data Source=/fehlt/kunden"},
        {4, "Provider=PostgreSQL;Server=127.0.0.1:1;Uid=sa;Pwd=;Database=/fehlt/kunden"}};
    for (const auto &[kind, text] : expected) {
        EXPECT_FALSE(mgr.Connect("/fehlt/kunden", "127.0.0.1:1", "sa", "", kind));
        EXPECT_EQ(mgr.connectionString(), text);
        EXPECT_EQ(mgr.connection()->State(), adStateClosed);
    }
    EXPECT_EQ(messages.texts().size(), 5);
}

TEST(CBaseMgr, LoadConfigRejectsBrokenDocumentsAndMapsDbTyp)
{
    ScriptedMessages messages;
    CBaseMgr mgr;
    EXPECT_FALSE(mgr.LoadConfig("<ADOBUILDER><DBNAME>x</DBNAME>"));
    EXPECT_FALSE(mgr.LoadConfig("<KONFIG><DBNAME>x</DBNAME></KONFIG>"));
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_FALSE(mgr.LoadConfig(
        config("/fehlt/kunden", "srv", "sa", "SQLITE").remove("<USERID>sa</USERID>")));
    EXPECT_EQ(messages.texts(),
              QStringList(ComError::systemText(E_POINTER) +
                          "\r\n\r\nWahrscheinliche Ursache: Ungültiger Connectstring!"));
    EXPECT_EQ(mgr.connection(), nullptr) << "no connect after a broken document";

    // Only the exact upper-case texts name a kind; Connect alone reports the failure.
    const std::pair<const char *, int> kinds[] = {{"sqlite", 2},    {"access", 2}, {"", 2},
                                                  {"SQLSERVER", 2}, {"ACCESS", 1}, {"SQLITE", 3}};
    for (const auto &[dbTyp, kind] : kinds) {
        messages.clear();
        EXPECT_FALSE(mgr.LoadConfig(config("/fehlt/kunden", "127.0.0.1:1", "sa", dbTyp)));
        EXPECT_EQ(mgr.dbType(), kind) << dbTyp;
        ASSERT_EQ(messages.texts().size(), 1) << dbTyp;
        EXPECT_FALSE(messages.texts().first().contains("Wahrscheinliche Ursache")) << dbTyp;
    }
}

TEST(CBaseMgr, SuppressColumnsAreReadInOrderAndFoundIgnoringCase)
{
    CBaseMgr mgr;
    mgr.ReadSuppressColumns(
        config("k", "s", "u", "SQLITE",
               "<SUPPRESSCOLUMN AUTOVAL='true'>ID</SUPPRESSCOLUMN>"
               "<SUPPRESSCOLUMN AUTOVAL='TRUE'>Stand</SUPPRESSCOLUMN>"
               "<SUPPRESSCOLUMN>notiz</SUPPRESSCOLUMN>"
               "<GRUPPE><SUPPRESSCOLUMN AUTOVAL='true'>id</SUPPRESSCOLUMN></GRUPPE>"));
    QStringList entries;
    for (const CSuppressColumn &entry : mgr.suppressColumns())
        entries << entry.m_strColumn + (entry.m_bAutoValue ? "+" : "-");
    EXPECT_EQ(entries, QStringList({"ID+", "Stand-", "notiz-", "id+"}));

    const auto found = [&mgr](const char *column) {
        const CSuppressColumn *entry = mgr.FindSuppressColumn(column);
        return entry ? entry->m_strColumn : QStringLiteral("<keiner>");
    };
    EXPECT_EQ(found("STAND"), "Stand");
    EXPECT_EQ(found("Id"), "ID") << "the first of equal names";
    EXPECT_EQ(found("notiz "), "<keiner>");

    mgr.ReadSuppressColumns("<ADOBUILDER><SUPPRESSCOLUMN>id</SUPPRESSCOLUMN>");
    EXPECT_TRUE(mgr.suppressColumns().isEmpty()) << "an unparsable document leaves none";
}

class CBaseMgrTest : public EngineTest
{
protected:
    void SetUp() override { QRT_REQUIRE_DATABASE(db); }

    bool connect(const QString &dbName)
    {
        return mgr.Connect(dbName, db.serverName(), db.userId(), db.password(), int(GetParam()));
    }

    ScriptedMessages messages;
    CBaseMgr mgr;
};

TEST_P(CBaseMgrTest, LoadConfigConnectsAndReadsColumnsWithoutTheSuppressedOnes)
{
    db.exec("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40), stand INT)");
    const QString document =
        config(db.dbName(), db.serverName(), db.userId(), db.dbTyp(),
               "<SUPPRESSCOLUMN AUTOVAL='true'>ID</SUPPRESSCOLUMN>"
               "<SUPPRESSCOLUMN>Stand</SUPPRESSCOLUMN><SUPPRESSCOLUMN>fehlt</SUPPRESSCOLUMN>");
    ASSERT_TRUE(mgr.LoadConfig(document));
    EXPECT_EQ(mgr.connectionString(), db.connectionString());
    EXPECT_EQ(mgr.dbType(), int(GetParam()));
    EXPECT_EQ(mgr.connection()->State(), adStateOpen);

    mgr.ReadSuppressColumns(document);
    ASSERT_TRUE(mgr.GetSpaltenInfos("kunden", true));
    EXPECT_EQ(namesOf(mgr.columns()), QStringList({"name"}));
    ASSERT_TRUE(mgr.GetSpaltenInfos("kunden", false));
    EXPECT_EQ(namesOf(mgr.columns()), QStringList({"id", "name", "stand"}))
        << "removing must not reach the cached list";
    mgr.ReadSuppressColumns(
        config("k", "s", "u", "SQLITE", "<SUPPRESSCOLUMN>fehlt</SUPPRESSCOLUMN>"));
    mgr.RemoveSuppressedColumns();
    EXPECT_EQ(mgr.columns().size(), 3);

    EXPECT_EQ(mgr.GetColumnInfo("name").definedSize, 40);
    const ColumnInfo absent = mgr.GetColumnInfo("NAME"); // names match exactly here
    EXPECT_TRUE(absent.name.isEmpty() && absent.typeName.isEmpty() && absent.value.isEmpty());
    EXPECT_EQ(absent.flags | absent.definedSize | absent.precision | int(absent.category), 0);

    ASSERT_TRUE(mgr.LoadConfig(document)); // reconnecting forgets both lists
    EXPECT_TRUE(mgr.columns().isEmpty() && mgr.suppressColumns().isEmpty());
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST_P(CBaseMgrTest, FailuresShowOneMessageEach)
{
    ASSERT_TRUE(connect(db.dbName()));
    EXPECT_TRUE(mgr.Connect("x", "y", "z", "w", 7)) << "an unknown kind keeps the string";
    EXPECT_EQ(mgr.connectionString(), db.connectionString());
    EXPECT_FALSE(mgr.GetSpaltenInfos("fehlt", false));
    EXPECT_EQ(mgr.tableName(), "fehlt");
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().endsWith("Table: fehlt (Step 0, c = 0)"));

    const QString wrong = db.dbName() + "_fehlt"; // a missing SQLite file is not created
    QString expected;
    try {
        Connection().Open(QString(db.connectionString()).replace(db.dbName(), wrong));
    } catch (const ComError &error) {
        expected = error.systemText() + "\r\n\r\n" + error.description();
    }
    messages.clear();
    EXPECT_FALSE(connect(wrong));
    EXPECT_EQ(mgr.connection()->State(), adStateClosed);
    EXPECT_FALSE(mgr.GetSpaltenInfos("kunden", false)); // the catalog fails to open the same way
    EXPECT_EQ(messages.texts(), QStringList({expected, expected}));
}

TEST_P(CBaseMgrTest, GetNextKeyIsOneMoreThanTheLargestValue)
{
    db.exec("CREATE TABLE nummern (nr INT, text VARCHAR(10))");
    EXPECT_THROW(mgr.GetNextKey("nr", "nummern"), ComError) << "not connected";
    ASSERT_TRUE(connect(db.dbName()));
    EXPECT_EQ(mgr.GetNextKey("nr", "nummern"), 1);
    db.exec("INSERT INTO nummern (nr) VALUES (NULL)");
    EXPECT_EQ(mgr.GetNextKey("nr", "nummern"), 1);
    db.exec("INSERT INTO nummern (nr) VALUES (5), (41), (7)");
    EXPECT_EQ(mgr.GetNextKey("nr", "nummern"), 42);
    EXPECT_THROW(mgr.GetNextKey("nr", "fehlt"), ComError);
    EXPECT_TRUE(messages.texts().isEmpty()) << "errors are the caller's to report";
}

TEST_P(CBaseMgrTest, OwnersOfOneShareUseOneSessionAndTheCatalogReadsOnIt)
{
    db.exec("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))");
    const QString document = config(db.dbName(), db.serverName(), db.userId(), db.dbTyp());
    // The server's sessions on the database besides the test's own.
    const auto sessions = [this] {
        return db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = "
                                   "'%1' AND pid <> pg_backend_pid()")
                        .arg(db.dbName()))
            .toInt();
    };
    auto share = std::make_shared<ConnectionShare>();
    auto first = std::make_unique<CBaseMgr>();
    CBaseMgr second;
    first->setConnectionShare(share);
    second.setConnectionShare(share);
    ASSERT_TRUE(first->LoadConfig(document));
    ASSERT_TRUE(second.LoadConfig(document));
    ASSERT_TRUE(mgr.LoadConfig(document)) << "without a share: a session of its own";
    for (CBaseMgr *owner : {first.get(), &second, &mgr})
        ASSERT_TRUE(owner->GetSpaltenInfos("kunden", false));
    EXPECT_EQ(first->connection()->sharedBackend(), second.connection()->sharedBackend());
    EXPECT_NE(mgr.connection()->sharedBackend(), second.connection()->sharedBackend());
    if (GetParam() == DatabaseKind::PostgreSql) {
        EXPECT_EQ(sessions(), 2) << "no catalog opens a session of its own";
    }

    // The session stays while an owner holds it, and a new table is read on it.
    first.reset();
    share.reset();
    db.exec("CREATE TABLE orte (plz VARCHAR(5) PRIMARY KEY)");
    ASSERT_TRUE(second.GetSpaltenInfos("orte", false));
    EXPECT_EQ(namesOf(second.columns()), QStringList({"plz"}));
    EXPECT_EQ(second.GetNextKey("id", "kunden"), 1);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(CBaseMgrTest);

} // namespace
