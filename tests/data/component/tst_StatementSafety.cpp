#include "data/CBaseMgr.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "data/component/SqlText.h"
#include "data/component/TransactionGuard.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>
#include <QSqlQuery>

#include <gtest/gtest.h>

// Host SQL (filters, sorts, table names) is pasted into the component's
// statements; none of it may ever run a statement of its own.

TEST(SqlText, SeparatorsCountOnlyOutsideLiteralsNamesAndComments)
{
    using SqlText::hasStatementSeparator;
    EXPECT_TRUE(hasStatementSeparator("SELECT 1; DROP TABLE x"));
    EXPECT_TRUE(hasStatementSeparator("name = 'a''b'; DROP TABLE x"));
    EXPECT_TRUE(hasStatementSeparator("a = 1 /* x */; b"));
    // A comment ends at its first "*/" even where an engine would nest it,
    // so the scan never sees less of the text than the engine runs.
    EXPECT_TRUE(hasStatementSeparator("a /* /* */ ; DROP TABLE x -- */"));
    EXPECT_FALSE(hasStatementSeparator("name = 'a;b'"));
    EXPECT_FALSE(hasStatementSeparator("\"odd;name\" = 1"));
    EXPECT_FALSE(hasStatementSeparator("a = 1 -- ; nothing\n"));
    EXPECT_FALSE(hasStatementSeparator("a = 1 /* ; */"));
    // Brackets quote names only where the engine says so.
    EXPECT_FALSE(hasStatementSeparator("[a;b] = 1", SqlText::Quoting::Brackets));
    EXPECT_TRUE(hasStatementSeparator("[a;b] = 1", SqlText::Quoting::Standard));
}

TEST(SqlText, SecondTransactSqlStatementsAreFoundWithoutSeparator)
{
    using SqlText::hasTopLevelStatementKeyword;
    EXPECT_FALSE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE a IN (SELECT b FROM u)"));
    EXPECT_FALSE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE name = 'drop table x'"));
    EXPECT_FALSE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE [delete] = 1"));
    EXPECT_TRUE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE 1=1 DROP TABLE x"));
    EXPECT_TRUE(hasTopLevelStatementKeyword("SELECT * FROM t ORDER BY a EXEC xp_cmdshell 'x'"));
    EXPECT_TRUE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE a = 1 SELECT'x'"));
    EXPECT_TRUE(hasTopLevelStatementKeyword("SELECT * FROM t WHERE a = 1/**/DELETE FROM t"));
}

TEST(SqlText, NamesThatNeedQuotes)
{
    EXPECT_TRUE(SqlText::isReservedWord("user"));
    EXPECT_TRUE(SqlText::isReservedWord("Order"));
    EXPECT_FALSE(SqlText::isReservedWord("kunden"));
    EXPECT_EQ(SqlText::unquoteIdentifier("\"Kun\"\"den\""), "Kun\"den");
    EXPECT_EQ(SqlText::unquoteIdentifier("[Kunden Nr]"), "Kunden Nr");
    EXPECT_EQ(SqlText::unquoteIdentifier("Kunden"), "Kunden");
}

TEST(SqlText, AListCheckGivesItsValuesAndNothingElseDoes)
{
    EXPECT_EQ(SqlText::checkExpressions(
                  "CREATE TABLE t (a TEXT CHECK (a IN ('x)', 'y')), \"CHECK (\" INT, b INT, "
                  "CONSTRAINT r check(b IN (1, 2)), c TEXT DEFAULT 'CHECK (c)')"),
              QStringList({"a IN ('x)', 'y')", "b IN (1, 2)"}));
    const struct
    {
        const char *check;
        const char *name;
        QStringList values;
    } cases[] = {
        {"status IN ('offen', 'bezahlt')", "status", {"offen", "bezahlt"}},
        {"\"Status\" in ('O''Brien',', ')", "status", {"O'Brien", ", "}},
        {"CHECK (((status)::text = ANY ((ARRAY['offen'::character varying, 'a b'::character "
         "varying])::text[])))",
         "status",
         {"offen", "a b"}},
        {"CHECK ((VALUE = ANY (ARRAY['J'::bpchar, 'N'::bpchar])))", "VALUE", {"J", "N"}},
        {"stufe IN (1, -2, 3.5)", "stufe", {"1", "-2", "3.5"}},
        // More than a list, or another name's: no list at all.
        {"status IN ('a') OR status IS NULL", "status", {}},
        {"NOT status IN ('a')", "status", {}},
        {"status IN ('a', upper('b'))", "status", {}},
        {"status = 'a'", "status", {}},
        {"andere IN ('a')", "status", {}},
        {"status IN ('a'", "status", {}},
        {"status IN ()", "status", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SqlText::listedValues(QString::fromUtf8(c.check), QString::fromUtf8(c.name)),
                  c.values)
            << c.check;
}

class StatementSafetyTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec({"CREATE TABLE victim (x INT)",
                 "CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))",
                 "INSERT INTO kunden VALUES (1, 'a;b'), (2, 'Meier')"});
        connection.Open(db.connectionString());
    }

    // Opens (or executes) the statement and expects the library to refuse it.
    void expectRefused(const QString &sql, bool execute = false)
    {
        SCOPED_TRACE(sql.toStdString());
        try {
            if (execute) {
                connection.Execute(sql);
            } else {
                Recordset rows;
                rows.Open(sql, connection);
            }
            ADD_FAILURE() << "ran";
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), DB_SEC_E_PERMISSIONDENIED) << error.what();
        }
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM victim"), "0") << "victim still there";
    }

    Connection connection;
};

TEST_P(StatementSafetyTest, AFilterSortOrStatementNeverRunsASecondStatement)
{
    expectRefused("SELECT * FROM kunden WHERE 1=1; DROP TABLE victim");
    expectRefused("SELECT * FROM kunden ORDER BY id; DROP TABLE victim");
    expectRefused("SELECT * FROM kunden WHERE name = 'x'; DROP TABLE victim; --'");
    expectRefused("SELECT 1; DROP TABLE victim", true);
    expectRefused("DELETE FROM kunden; DROP TABLE victim", true);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "2");

    // A semicolon in a literal or a comment is text, not a separator.
    Recordset rows;
    rows.Open("SELECT * FROM kunden WHERE name = 'a;b' -- ; nothing", connection);
    ASSERT_FALSE(rows.IsEOF());
    EXPECT_EQ(rows.Fields().Item("id").Value(), Variant(qint32(1)));
}

TEST_P(StatementSafetyTest, ThePostgresServersParserHasTheLastWord)
{
    if (GetParam() != DatabaseKind::PostgreSql)
        GTEST_SKIP() << "PostgreSQL's own quoting";
    // Quoting the scan cannot know: a dollar-quoted and an escape-string
    // literal that end where the scan still sees a literal.
    for (const char *filter :
         {"name = $$'$$; DROP TABLE victim; --'", "name = E'\\''; DROP TABLE victim; --'"}) {
        const QString sql = "SELECT * FROM kunden WHERE " + QString::fromUtf8(filter);
        expectRefused(sql);
        expectRefused(sql, true);
    }
    // A plain syntax error is the engine's to report, in its own words.
    try {
        connection.Execute("SELECT * FROM kunden WHERE name = = 1");
        ADD_FAILURE() << "executed";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_ERRORSINCOMMAND);
        EXPECT_TRUE(error.description().contains("syntax")) << error.what();
    }
}

TEST_P(StatementSafetyTest, TransactionsEndAsAWholeWhateverHappens)
{
    // A guard that goes without commit, as on an exception, leaves nothing.
    try {
        TransactionGuard transaction(connection);
        connection.Execute("INSERT INTO kunden VALUES (5, 'fünf')");
        connection.Execute("INSERT INTO kunden VALUES (5, 'doppelt')");
        transaction.commit();
        ADD_FAILURE() << "a duplicate key was stored";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_INTEGRITYVIOLATION);
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "2");

    // An inner failure takes the outer transaction with it, and the outer
    // commit says so instead of reporting a write that is gone.
    TransactionGuard outer(connection);
    connection.Execute("INSERT INTO kunden VALUES (6, 'sechs')");
    {
        TransactionGuard inner(connection);
        connection.Execute("INSERT INTO kunden VALUES (7, 'sieben')");
    }
    EXPECT_THROW(outer.commit(), ComError);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "2");
    connection.Execute("INSERT INTO kunden VALUES (8, 'acht')"); // the connection works on
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "3");
}

// Behind a transaction pooler whose other sessions are all held, a write
// refused inside a transaction is still explained, at once: its transaction
// ends before the explanation asks the catalog, and nothing waits for a
// second session.
TEST_P(StatementSafetyTest, ARefusedWriteIsExplainedWhenThePoolHasNoOtherSession)
{
    if (GetParam() != DatabaseKind::PostgreSql)
        GTEST_SKIP() << "a PostgreSQL pooler";
    const QString pooler = TestDatabase::poolerServer();
    if (pooler.isEmpty()) {
        EXPECT_FALSE(TestDatabase::isCi()) << "no PgBouncer in front of the test server";
        return;
    }
    const int poolSize = qEnvironmentVariableIntValue("QRT_POOL_SIZE") > 0
                             ? qEnvironmentVariableIntValue("QRT_POOL_SIZE")
                             : 4; // pg-server.sh's default
    QStringList others;
    for (int i = 1; i < poolSize; ++i) {
        const QString name = QStringLiteral("holding-%1").arg(i);
        QSqlDatabase other = QSqlDatabase::addDatabase("QPSQL", name);
        other.setHostName("127.0.0.1");
        other.setPort(pooler.section(':', 1).toInt());
        other.setUserName(db.userId());
        other.setDatabaseName(db.dbName());
        ASSERT_TRUE(other.open() && other.transaction() && QSqlQuery(other).exec("SELECT 1"));
        others << name;
    }
    Connection pooled;
    pooled.Open(CBaseMgr::BuildConnectionString(db.dbName(), pooler, db.userId(), "", 4));
    pooled.Execute("INSERT INTO kunden VALUES (11, 'elf')");
    QElapsedTimer clock;
    clock.start();
    try {
        TransactionGuard transaction(pooled);
        pooled.Execute("INSERT INTO kunden VALUES (11, 'doppelt')");
        ADD_FAILURE() << "a duplicate key was stored";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_INTEGRITYVIOLATION);
        EXPECT_EQ(error.refusal().columns, QStringList("id")) << error.what();
    }
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(
        pooled.Execute("SELECT name FROM kunden WHERE id = 11").Fields().Item(0).Value().toString(),
        "elf");
    for (const QString &name : std::as_const(others)) {
        QSqlDatabase::database(name, false).rollback();
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

TEST_P(StatementSafetyTest, AFailedWriteInsideATransactionLeavesNoNoise)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtWarningMsg || type == QtCriticalMsg)
                warnings << text;
        });
    {
        Recordset rows;
        rows.Open("SELECT * FROM kunden", connection);
        TransactionGuard transaction(connection);
        rows.AddNew();
        rows.Fields().Item("id").PutValue(qint32(1)); // taken
        rows.Fields().Item("name").PutValue(QStringLiteral("doppelt"));
        EXPECT_THROW(rows.Update(), ComError);
        rows.CancelUpdate();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), "2");
}

QRT_INSTANTIATE_FOR_ENGINES(StatementSafetyTest);
