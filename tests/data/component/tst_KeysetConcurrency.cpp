#include "data/component/BackgroundKeyReader.h"
#include "data/component/Connection.h"
#include "data/component/ConnectionString.h"
#include "data/component/KeysetCursor.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>

namespace {

// Background key readers wait before they connect while one of these lives
// (or until release()), so that a test decides what the table holds first.
struct HeldReaders
{
    HeldReaders() { BackgroundKeyReader::holdForTesting(true); }
    ~HeldReaders() { release(); }
    void release() { BackgroundKeyReader::holdForTesting(false); }
};

QString name(Recordset &rs)
{
    return rs.Fields().Item("name").Value().toString();
}

int id(Recordset &rs)
{
    return rs.Fields().Item("id").Value().toInt32();
}

// The keyset starts at both ends of its query and takes the complete list
// over later: rows others insert or delete meanwhile are found where the
// engine has them, a key query still being read never keeps another
// connection from writing, and a write that another transaction does block
// gives up in seconds.
class KeysetConcurrencyTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        // Names sort the ids backwards: id 1 is "N04999", id 5000 "N00000".
        db.exec("CREATE TABLE viele (id INTEGER PRIMARY KEY, name VARCHAR(20))");
        QStringList values;
        for (int i = 1; i <= kRows; ++i)
            values << QStringLiteral("(%1, 'N%2')").arg(i).arg(kRows - i, 5, 10, QLatin1Char('0'));
        db.exec("INSERT INTO viele VALUES " + values.join(','));
        connection.Open(db.connectionString());
    }

    static constexpr int kRows = 5000;
    Connection connection;
};

TEST_P(KeysetConcurrencyTest, OthersInsertAndDeleteWhileTheListIsIncomplete)
{
    HeldReaders held;
    Recordset rs;
    rs.Open("SELECT * FROM viele ORDER BY name", connection);
    ASSERT_EQ(id(rs), kRows);
    // Another user, after the head was read: a row that sorts first, one in
    // the middle, one last; a row of the head, one of the middle and the
    // last but one deleted.
    db.exec({"INSERT INTO viele VALUES (6001, 'A-erster'), (6002, 'N02500x'), (6003, 'Z-letzter')",
             "DELETE FROM viele WHERE id IN (4990, 2500, 2)"});

    // The head stays as read: its deleted row is skipped when reached.
    for (int i = 0; i < 10; ++i)
        rs.MoveNext();
    EXPECT_EQ(id(rs), 4989);
    EXPECT_EQ(rs.AbsolutePosition(), 11);
    // The tail is read when the user goes there, with what others did.
    rs.MoveLast();
    EXPECT_EQ(id(rs), 6003);
    rs.MovePrevious();
    EXPECT_EQ(id(rs), 1);
    rs.MovePrevious();
    EXPECT_EQ(id(rs), 3);
    EXPECT_EQ(rs.countMatchingRows(), kRows);
    EXPECT_EQ(rs.AbsolutePosition(), kRows - 2);

    // The complete list, read now, holds every change; the row shown stays.
    held.release();
    ASSERT_TRUE(rs.completeKeyset());
    EXPECT_EQ(id(rs), 3);
    EXPECT_EQ(rs.AbsolutePosition(), kRows - 2);
    EXPECT_EQ(rs.RecordCount(), kRows);
    QVector<int> expected{6001};
    for (int i = kRows; i >= 1; --i) {
        if (i == 2499)
            expected << 6002;
        if (i != 4990 && i != 2500 && i != 2)
            expected << i;
    }
    expected << 6003;
    QVector<int> seen;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
        seen << id(rs);
    EXPECT_EQ(seen, expected);
}

TEST_P(KeysetConcurrencyTest, AnOpenKeyQueryDoesNotBlockWriters)
{
    Recordset reading;
    reading.Open("SELECT * FROM viele ORDER BY name", connection);
    ASSERT_FALSE(reading.keysComplete());

    // Another user writes through the component...
    Connection second;
    second.Open(db.connectionString());
    Recordset other;
    other.Open("SELECT * FROM viele WHERE id = 10", second);
    other.Fields().Item("name").PutValue(QStringLiteral("geändert"));
    other.Update();
    other.AddNew();
    other.Fields().Item("id").PutValue(qint32(kRows + 1));
    other.Fields().Item("name").PutValue(QStringLiteral("neu"));
    other.Update();
    // ...and a plain engine connection sees both at once, committed.
    EXPECT_EQ(db.scalar("SELECT name FROM viele WHERE id = 10"), "geändert");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM viele"), QString::number(kRows + 1));

    // The reader's own writes are committed at once too, while its keys are
    // still being read.
    reading.Fields().Item("name").PutValue(QStringLiteral("auch"));
    reading.Update();
    ASSERT_FALSE(reading.keysComplete());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM viele WHERE id = %1").arg(kRows)), "auch");
    db.exec("UPDATE viele SET name = 'direkt' WHERE id = 20");

    // The last rows are read when the user goes there: the other user's new
    // row ("neu" sorts after every "N…") is the last one now, and changed
    // rows show their new values when they become current.
    reading.MoveLast();
    EXPECT_EQ(name(reading), "neu");
    reading.MoveFirst();
    EXPECT_EQ(name(reading), "auch");
}

TEST_P(KeysetConcurrencyTest, AReaderWaitingForAPauseStartsWhenItsKeysAreWanted)
{
    const ConnectionParams params = ConnectionParams::parse(db.connectionString());
    const QString sql = "SELECT id FROM viele ORDER BY name, id";
    // An hour's quiet: only a wait or start() can start these in time, and a
    // gate that stayed shut would hang the test.
    const std::chrono::hours hour(1);

    BackgroundKeyReader waited(params, sql, 1, true, hour);
    waited.busy();
    KeyStore keys(1, true);
    ASSERT_TRUE(waited.take(keys, true));
    ASSERT_EQ(keys.size(), kRows);
    EXPECT_EQ(keys.at(0).constFirst().toInt(), kRows) << "in the query's order";
    EXPECT_EQ(keys.at(kRows - 1).constFirst().toInt(), 1);

    BackgroundKeyReader started(params, sql, 1, true, hour);
    started.start();
    started.busy(); // too late: it has started
    KeyStore more(1, true);
    ASSERT_TRUE(started.take(more, true));
    EXPECT_EQ(more.size(), kRows);

    // A reader let go before it started ends without connecting, and an
    // open keyset whose reader waits for a pause still crosses its seam.
    {
        BackgroundKeyReader unused(params, sql, 1, true, hour);
    }
    Recordset rs;
    rs.Open("SELECT * FROM viele ORDER BY name", connection);
    for (int i = 0; i < KeysetCursor::kEndKeys; ++i)
        rs.MoveNext();
    EXPECT_EQ(rs.AbsolutePosition(), KeysetCursor::kEndKeys + 1);
    EXPECT_EQ(id(rs), kRows - KeysetCursor::kEndKeys);
    EXPECT_TRUE(rs.keysComplete());
}

TEST_P(KeysetConcurrencyTest, AWriteBlockedByAnOpenTransactionGivesUpInSeconds)
{
    // A transaction left open, as a missing rollback would leave it.
    Connection holder;
    holder.Open(db.connectionString());
    holder.BeginTrans();
    holder.Execute("UPDATE viele SET name = 'gesperrt' WHERE id = 10");

    Recordset rs;
    rs.Open("SELECT * FROM viele WHERE id = 10", connection);
    rs.Fields().Item("name").PutValue(QStringLiteral("wartet"));
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
    EXPECT_FALSE(db.tryExec("UPDATE viele SET name = 'test' WHERE id = 10", &error));
    EXPECT_LT(timer.elapsed(), 20000) << error.toStdString();

    holder.RollbackTrans();
    rs.Update();
    EXPECT_EQ(db.scalar("SELECT name FROM viele WHERE id = 10"), "wartet");
}

QRT_INSTANTIATE_FOR_ENGINES(KeysetConcurrencyTest);

} // namespace
