#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "data/component/TransactionGuard.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

// A connection lost or held up inside a transaction: nothing of the
// transaction lands piecemeal on a new connection, and a statement the
// command timeout ends says so. (Reconnecting after a loss is the form's
// and the outage test's.)
namespace {

class LostConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        QStringList rows;
        for (int i = 1; i <= kRows; ++i)
            rows << QStringLiteral("(%1, 'N%2')").arg(i).arg(i, 4, 10, QLatin1Char('0'));
        db.exec({"CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40))",
                 "INSERT INTO kunden VALUES " + rows.join(QLatin1Char(','))});
        connection.Open(db.connectionString());
    }

    // Ends every session of the test database but the test's own, as a
    // server restart would.
    void dropSessions()
    {
        db.scalar(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM "
                                 "pg_stat_activity WHERE datname = '%1' AND pid <> "
                                 "pg_backend_pid()")
                      .arg(db.dbName()));
    }

    static constexpr int kRows = 3000;
    TestDatabase db{DatabaseKind::PostgreSql};
    Connection connection;
};

TEST_F(LostConnectionTest, AWriteIsWholeAcrossALostConnection)
{
    const auto renamed = [this] {
        return db.scalar("SELECT COUNT(*) FROM kunden WHERE name LIKE 'neu%'");
    };
    // Lost, and reported: the transaction that comes next opens the
    // connection anew and is one transaction, its nested parts included,
    // until its commit.
    dropSessions();
    EXPECT_THROW(connection.Execute("SELECT COUNT(*) FROM kunden"), ComError);
    {
        TransactionGuard outer(connection);
        connection.Execute("UPDATE kunden SET name = 'neu1' WHERE id = 1");
        TransactionGuard inner(connection);
        connection.Execute("UPDATE kunden SET name = 'neu2' WHERE id = 2");
        inner.commit();
        EXPECT_EQ(renamed(), "0") << "committed before the outer commit";
        outer.commit();
    }
    EXPECT_EQ(renamed(), "2");

    // Lost inside a transaction: whatever its writer does next fails until
    // the transaction ends; nothing of it lands on a new connection.
    {
        TransactionGuard transaction(connection);
        connection.Execute("UPDATE kunden SET name = 'neu3' WHERE id = 3");
        dropSessions();
        EXPECT_THROW(connection.Execute("UPDATE kunden SET name = 'neu4' WHERE id = 4"), ComError);
        try {
            connection.Execute("UPDATE kunden SET name = 'neu5' WHERE id = 5");
            ADD_FAILURE() << "a write ran after its transaction was lost";
        } catch (const ComError &error) {
            EXPECT_EQ(error.code(), E_CONNECTION_ABORTED) << error.what();
        }
        EXPECT_THROW(transaction.commit(), ComError);
    }
    EXPECT_EQ(renamed(), "2");
    connection.Execute("UPDATE kunden SET name = 'neu6' WHERE id = 6");
    EXPECT_EQ(renamed(), "3");
}

TEST_F(LostConnectionTest, AStatementThatWaitsTooLongInATransactionSaysWhy)
{
    // Another program holds the table; inside a transaction, the delete
    // waits for it until the command timeout cancels it. The user reads
    // that reason, not that the transaction was aborted by it.
    Connection holder;
    holder.Open(db.connectionString());
    holder.BeginTrans();
    holder.Execute("LOCK TABLE kunden IN SHARE MODE");
    connection.putCommandTimeout(1);
    try {
        TransactionGuard transaction(connection);
        connection.Execute("DELETE FROM kunden WHERE id = 1");
        ADD_FAILURE() << "deleted a row of a table another program holds";
    } catch (const ComError &error) {
        EXPECT_TRUE(error.description().contains("statement timeout")) << error.what();
        EXPECT_FALSE(error.description().contains("transaction is aborted")) << error.what();
    }
    holder.RollbackTrans();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden"), QString::number(kRows));
}

} // namespace
