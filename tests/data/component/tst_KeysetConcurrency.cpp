#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

// Keys are read lazily, rows added meanwhile still come after all of them,
// a key query still being read never keeps another connection from writing,
// and a write that another transaction does block gives up in seconds.
class KeysetConcurrencyTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        db.exec(QStringLiteral("CREATE TABLE viele (id INTEGER PRIMARY KEY, name VARCHAR(20))"));
        QStringList values;
        for (int i = 1; i <= kRows; ++i)
            values << QStringLiteral("(%1, 'N%2')").arg(i).arg(kRows - i, 5, 10, QLatin1Char('0'));
        db.exec(QStringLiteral("INSERT INTO viele VALUES ") + values.join(QLatin1Char(',')));
    }

    static constexpr int kRows = 5000;
};

TEST_P(KeysetConcurrencyTest, KeysAreReadOnlyAsFarAsMovesNeedThem)
{
    Connection connection;
    connection.Open(db.connectionString());
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM viele ORDER BY name"), connection);
    EXPECT_FALSE(rs.keysComplete());
    EXPECT_LT(rs.keysRead(), kRows);
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(kRows)));
    for (int i = 0; i < 600; ++i)
        rs.MoveNext();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(kRows - 600)));
    EXPECT_LT(rs.keysRead(), kRows);
    rs.MoveLast();
    EXPECT_TRUE(rs.keysComplete());
    EXPECT_EQ(rs.keysRead(), kRows);
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(1)));
}

TEST_P(KeysetConcurrencyTest, MovingBackFromAnAddedRowReachesTheRealLastKey)
{
    Connection connection;
    connection.Open(db.connectionString());
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM viele ORDER BY id DESC"), connection);
    rs.AddNew();
    rs.Fields().Item(QStringLiteral("id")).PutValue(qint32(kRows + 1));
    rs.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("neu"));
    rs.Update();
    ASSERT_FALSE(rs.keysComplete()) << "the keys after the first batch must still be unread";

    // The added row comes after every key of the query, read or not.
    rs.MovePrevious();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(1)));
    EXPECT_EQ(rs.keysRead(), kRows);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(kRows + 1)));
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
}

TEST_P(KeysetConcurrencyTest, AnOpenKeyQueryDoesNotBlockWriters)
{
    Connection first;
    first.Open(db.connectionString());
    Recordset reading;
    reading.Open(QStringLiteral("SELECT * FROM viele ORDER BY name"), first);
    ASSERT_FALSE(reading.keysComplete());

    // Another user writes through the component...
    Connection second;
    second.Open(db.connectionString());
    Recordset other;
    other.Open(QStringLiteral("SELECT * FROM viele WHERE id = 10"), second);
    other.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("geändert"));
    other.Update();
    other.AddNew();
    other.Fields().Item(QStringLiteral("id")).PutValue(qint32(kRows + 1));
    other.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("neu"));
    other.Update();
    // ...and a plain engine connection sees both at once, committed.
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM viele WHERE id = 10")),
              QStringLiteral("geändert"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM viele")), QString::number(kRows + 1));

    // The reader's own writes are committed at once too, while its keys are
    // still being read.
    reading.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("auch"));
    reading.Update();
    ASSERT_FALSE(reading.keysComplete());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM viele WHERE id = %1").arg(kRows)),
              QStringLiteral("auch"));
    db.exec(QStringLiteral("UPDATE viele SET name = 'direkt' WHERE id = 20"));

    // The keyset stays as it was read: the other user's new row is not in it,
    // but changed rows show their new values when they become current.
    reading.MoveLast();
    EXPECT_EQ(reading.keysRead(), kRows);
}

TEST_P(KeysetConcurrencyTest, AWriteBlockedByAnOpenTransactionGivesUpInSeconds)
{
    // A transaction left open, as a missing rollback would leave it.
    Connection holder;
    holder.Open(db.connectionString());
    holder.BeginTrans();
    holder.Execute(QStringLiteral("UPDATE viele SET name = 'gesperrt' WHERE id = 10"));

    Connection writer;
    writer.Open(db.connectionString());
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM viele WHERE id = 10"), writer);
    rs.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("wartet"));
    QElapsedTimer timer;
    timer.start();
    try {
        rs.Update();
        ADD_FAILURE() << "a write went through a row another transaction holds";
    } catch (const ComError &error) {
        EXPECT_FALSE(error.description().isEmpty());
    }
    EXPECT_LT(timer.restart(), 20000);
    EXPECT_EQ(rs.EditMode(), adEditInProgress); // the entry is kept for another try

    // The test's own connection gives up just as soon.
    QString error;
    EXPECT_FALSE(
        db.tryExec(QStringLiteral("UPDATE viele SET name = 'test' WHERE id = 10"), &error));
    EXPECT_LT(timer.elapsed(), 20000) << error.toStdString();

    holder.RollbackTrans();
    rs.Update();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM viele WHERE id = 10")),
              QStringLiteral("wartet"));
}

QRT_INSTANTIATE_FOR_ENGINES(KeysetConcurrencyTest);
