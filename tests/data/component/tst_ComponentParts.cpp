// The engine-neutral parts of the component, without a database; the
// two-ended keyset on a fake query whose rows the test changes behind the
// cursor's back, as other users would.

#include "data/component/KeyOrder.h"
#include "data/component/KeysetCursor.h"
#include "data/component/SelectStatement.h"
#include "data/component/SqlText.h"
#include "data/component/Variant.h"
#include "platform/ComError.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr qsizetype kEnd = KeysetCursor::kEndKeys;

// The query as the engine would answer it now, and what the cursor asked of it.
struct FakeQuery
{
    QVector<qint64> keys; // in query order
    bool listReady = false;
    bool reversible = true;
    bool failNextList = false;
    int lastReads = 0;
    int listReads = 0;
    int prefetches = 0;
    int urgentPrefetches = 0;
};

class FakeEnds final : public KeyEnds
{
public:
    explicit FakeEnds(std::shared_ptr<FakeQuery> query) : m_query(std::move(query)) {}

    bool readLast(KeyStore &keys, qsizetype rows) override
    {
        ++m_query->lastReads;
        if (!m_query->reversible)
            return false;
        for (qsizetype i = qMax<qsizetype>(0, m_query->keys.size() - rows);
             i < m_query->keys.size(); ++i)
            keys.append({QVariant(m_query->keys.at(i))});
        return true;
    }
    void prefetch(bool urgent) override
    {
        ++m_query->prefetches;
        m_query->urgentPrefetches += urgent ? 1 : 0;
    }
    bool takeAll(KeyStore &keys, bool wait) override
    {
        if (!wait && !m_query->listReady)
            return false;
        if (std::exchange(m_query->failNextList, false))
            throw ComError(E_CONNECTION_ABORTED, "weg");
        ++m_query->listReads;
        for (qint64 key : std::as_const(m_query->keys))
            keys.append({QVariant(key)});
        return true;
    }

private:
    std::shared_ptr<FakeQuery> m_query;
};

std::shared_ptr<FakeQuery> queryOf(qint64 first, qint64 last)
{
    auto query = std::make_shared<FakeQuery>();
    for (qint64 key = first; key <= last; ++key)
        query->keys << key;
    return query;
}

KeysetCursor open(const std::shared_ptr<FakeQuery> &query)
{
    KeyStore head(1, true);
    for (qsizetype i = 0; i < qMin<qsizetype>(kEnd, query->keys.size()); ++i)
        head.append({QVariant(query->keys.at(i))});
    return KeysetCursor(std::move(head), std::make_unique<FakeEnds>(query));
}

qint64 key(const KeysetCursor &cursor)
{
    return cursor.currentKey().constFirst().toLongLong();
}

// Moves one row at a time, as a user would, until the cursor stands on the
// key (keys ascend in these queries); false if an end came first.
bool moveTo(KeysetCursor &cursor, qint64 target)
{
    bool on = true;
    while (on && key(cursor) != target)
        on = key(cursor) < target ? cursor.moveNext() : cursor.movePrevious();
    return on;
}

// Every key from the first to the last, or from the last to the first.
QVector<qint64> walk(KeysetCursor &cursor, bool backward = false)
{
    QVector<qint64> seen;
    for (bool on = backward ? cursor.moveLast() : cursor.moveFirst(); on;
         on = backward ? cursor.movePrevious() : cursor.moveNext())
        seen.insert(backward ? 0 : seen.size(), key(cursor));
    return seen;
}

} // namespace

TEST(TwoEndedKeyset, StartsAtBothEndsAndMeetsAcrossTheSeam)
{
    const auto query = queryOf(1, 5000);
    KeysetCursor cursor = open(query);
    EXPECT_EQ(cursor.keysRead(), kEnd);
    EXPECT_FALSE(cursor.isComplete());
    EXPECT_EQ(key(cursor), 1);
    EXPECT_EQ(cursor.position(), 1);
    EXPECT_EQ(cursor.count(), -1) << "nothing counted yet";

    // The last row comes from the end of the query, without the rest.
    ASSERT_TRUE(cursor.moveLast());
    EXPECT_EQ(key(cursor), 5000);
    EXPECT_EQ(query->lastReads, 1);
    EXPECT_EQ(cursor.keysRead(), 2 * kEnd);
    EXPECT_EQ(cursor.position(), -1) << "counting back needs the count";
    cursor.setQueryCount(5000);
    EXPECT_EQ(cursor.position(), 5000);
    EXPECT_EQ(cursor.count(), 5000);
    cursor.movePrevious();
    EXPECT_EQ(cursor.position(), 4999);
    EXPECT_FALSE(cursor.moveNext() && cursor.moveNext()) << "the tail ends where the query ends";
    EXPECT_TRUE(cursor.isEOF());
    cursor.moveLast();
    EXPECT_EQ(query->lastReads, 1) << "the tail is read once";

    // Forward through the head: the complete list is asked for ahead of the
    // seam, once a move comes within half an end of it.
    cursor.moveFirst();
    moveTo(cursor, kEnd / 2);
    EXPECT_EQ(query->prefetches, 0);
    cursor.moveNext();
    EXPECT_EQ(query->prefetches, 1);
    // It may wait for the moves to pause until the last rows before the
    // seam; from there on it is asked for at once.
    moveTo(cursor, kEnd - KeysetCursor::kUrgentKeys);
    EXPECT_EQ(query->urgentPrefetches, 0);
    EXPECT_GT(query->prefetches, 1) << "every move near the seam tells that the user is busy";
    cursor.moveNext();
    EXPECT_EQ(query->urgentPrefetches, 1);
    moveTo(cursor, kEnd);
    EXPECT_EQ(query->listReads, 0);
    // Across the seam: the move waits for the list and goes on in it.
    ASSERT_TRUE(cursor.moveNext());
    EXPECT_EQ(key(cursor), kEnd + 1);
    EXPECT_EQ(cursor.position(), kEnd + 1);
    EXPECT_TRUE(cursor.isComplete());
    EXPECT_EQ(cursor.count(), 5000);
    EXPECT_EQ(query->listReads, 1);

    // The same backwards from the tail's seam.
    const auto fromEnd = queryOf(1, 5000);
    KeysetCursor back = open(fromEnd);
    back.moveLast();
    moveTo(back, 5000 - kEnd + KeysetCursor::kUrgentKeys + 1);
    EXPECT_GT(fromEnd->prefetches, 0);
    EXPECT_EQ(fromEnd->urgentPrefetches, 0);
    back.movePrevious();
    EXPECT_EQ(fromEnd->urgentPrefetches, 1);

    // Every row once, in order, whichever end the moves start from and
    // whichever seam they cross.
    KeysetCursor forward = open(query);
    forward.moveLast(); // the tail is there too, the moves still cross the head's seam
    EXPECT_EQ(walk(forward), query->keys);
    KeysetCursor backward = open(query);
    EXPECT_EQ(walk(backward, true), query->keys);
}

TEST(TwoEndedKeyset, SmallQueriesAndOrdersWithoutAnEnd)
{
    struct Case
    {
        const char *what;
        qint64 rows;
        bool reversible;
        qint64 rowsLeft; // after the head was read
        int lastReads;
        int listReads;
    };
    const Case cases[] = {
        {"fewer keys than one end holds: that is the whole query", 300, true, 300, 0, 0},
        {"an order that cannot be reversed: the last row needs the whole list", 3000, false, 3000,
         1, 1},
        // Others deleted most rows since the head was read.
        {"a tail shorter than an end is all there is", 3000, true, 700, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const auto query = queryOf(1, c.rows);
        query->reversible = c.reversible;
        KeysetCursor cursor = open(query);
        EXPECT_EQ(cursor.isComplete(), c.rows < kEnd);
        query->keys.resize(c.rowsLeft);
        ASSERT_TRUE(cursor.moveLast());
        EXPECT_EQ(key(cursor), c.rowsLeft);
        EXPECT_EQ(cursor.position(), c.rowsLeft);
        EXPECT_TRUE(cursor.isComplete());
        EXPECT_EQ(cursor.count(), c.rowsLeft);
        EXPECT_EQ(query->lastReads, c.lastReads);
        EXPECT_EQ(query->listReads, c.listReads);
    }
}

TEST(TwoEndedKeyset, TakingTheListOverKeepsTheCurrentRowAndWhatTheCursorDid)
{
    const auto query = queryOf(1, 5000);
    KeysetCursor cursor = open(query);
    // The cursor's own changes while the list is still out: key 10 deleted,
    // key 20 re-keyed (a changed key, or PostgreSQL's new row address), a row
    // added (stored, so the engine's list holds it too), and 4990 deleted in
    // the tail.
    ASSERT_TRUE(moveTo(cursor, 10));
    cursor.removeCurrent();
    query->keys.removeOne(10);
    for (int i = 0; i < 10; ++i)
        cursor.moveNext();
    ASSERT_EQ(key(cursor), 20);
    cursor.replaceCurrent({QVariant(qint64(20000))});
    cursor.appendAndMakeCurrent({QVariant(qint64(9999))});
    query->keys.insert(100, 9999); // wherever the query's order puts it
    cursor.moveLast();
    ASSERT_EQ(key(cursor), 9999);
    cursor.movePrevious();
    ASSERT_TRUE(moveTo(cursor, 4990));
    cursor.removeCurrent();
    cursor.movePrevious();
    ASSERT_EQ(key(cursor), 4989);
    // Others meanwhile: a row inserted before it, one deleted after it.
    query->keys.insert(4000, 7777);
    query->keys.removeOne(4995);

    // The list was read before the cursor's own delete of 4990 and its new
    // key for 20 reached the engine (a background reader's snapshot may be
    // that old): it still holds 4990 and the old key 20.
    query->listReady = true;
    cursor.moveNext(); // any move takes the list over first
    EXPECT_TRUE(cursor.isComplete());
    EXPECT_EQ(key(cursor), 4991) << "the move went on from the row it stood on";
    EXPECT_EQ(cursor.position(), 4991 - 2 + 1) << "10 and 4990 went, 7777 came";

    const QVector<qint64> seen = walk(cursor);
    EXPECT_EQ(seen.count(9999), 1) << "an added row is not shown twice";
    EXPECT_EQ(seen.last(), 9999) << "added rows stay after the query's rows";
    EXPECT_FALSE(seen.contains(10));
    EXPECT_FALSE(seen.contains(4990)) << "deleted through the cursor, stays deleted";
    EXPECT_FALSE(seen.contains(4995));
    EXPECT_FALSE(seen.contains(20));
    EXPECT_EQ(seen.at(18), 20000) << "the new key where the old one stood";
    EXPECT_TRUE(seen.contains(7777));
    EXPECT_EQ(cursor.count(), seen.size());
}

TEST(TwoEndedKeyset, ARowTheListNoLongerHoldsStaysAmongItsNeighbours)
{
    const auto query = queryOf(1, 5000);
    KeysetCursor cursor = open(query);
    cursor.moveLast();
    ASSERT_TRUE(moveTo(cursor, 4990));
    // Someone else deleted it (or changed it so that the query no longer
    // yields it), and its neighbour before it, before the list was read.
    query->keys.removeOne(4990);
    query->keys.removeOne(4989);
    EXPECT_TRUE(cursor.completeKeys(true));
    EXPECT_EQ(key(cursor), 4990) << "the row the user looks at stays";
    EXPECT_EQ(cursor.position(), 4989);
    cursor.moveNext();
    EXPECT_EQ(key(cursor), 4991);
    cursor.movePrevious();
    cursor.movePrevious();
    EXPECT_EQ(key(cursor), 4988);

    // The same for a row deleted through the cursor right at a seam: the
    // gap it left is found by the row that followed it.
    const auto other = queryOf(1, 5000);
    KeysetCursor head = open(other);
    ASSERT_TRUE(moveTo(head, kEnd));
    head.removeCurrent();
    other->keys.removeOne(kEnd);
    ASSERT_TRUE(head.moveNext());
    EXPECT_EQ(key(head), kEnd + 1);
    EXPECT_EQ(head.position(), kEnd);

    const auto third = queryOf(1, 5000);
    KeysetCursor tail = open(third);
    tail.moveLast();
    ASSERT_TRUE(moveTo(tail, 5000 - kEnd + 1));
    tail.removeCurrent();
    ASSERT_TRUE(tail.movePrevious()) << "backwards across the tail's seam";
    EXPECT_EQ(key(tail), 5000 - kEnd);
    tail.moveNext();
    EXPECT_EQ(key(tail), 5000 - kEnd + 2) << "the deleted row stays deleted";
}

TEST(TwoEndedKeyset, AFailedListLeavesTheCursorWhereItWas)
{
    const auto query = queryOf(1, 3000);
    KeysetCursor cursor = open(query);
    ASSERT_TRUE(moveTo(cursor, kEnd));
    query->failNextList = true;
    EXPECT_THROW(cursor.moveNext(), ComError);
    EXPECT_EQ(key(cursor), kEnd);
    EXPECT_TRUE(cursor.moveNext());
    EXPECT_EQ(key(cursor), kEnd + 1);
}

TEST(KeyOrder, ReversesEachTermAndEndsWithTheRowIdentity)
{
    KeyOrder order = KeyOrder::make("NAME", {"ID"});
    EXPECT_EQ(order.forward, "NAME, ID");
    EXPECT_EQ(order.backward, "NAME DESC, ID DESC");

    order = KeyOrder::make("ort desc nulls first, lower(name) ASC, coalesce(betrag, 0), \"Desc\", "
                           "name COLLATE NOCASE, substr(name, 1, 2) DESC NULLS LAST",
                           {"a", "b"});
    EXPECT_EQ(order.backward, "ort ASC NULLS LAST, lower(name) DESC, coalesce(betrag, 0) DESC, "
                              "\"Desc\" DESC, name COLLATE NOCASE DESC, substr(name, 1, 2) ASC "
                              "NULLS FIRST, a DESC, b DESC");
    EXPECT_TRUE(order.forward.endsWith("NULLS LAST, a, b"));

    order = KeyOrder::make(QString(), {"rowid"});
    EXPECT_EQ(order.forward, "rowid");
    EXPECT_EQ(order.backward, "rowid DESC");

    // Texts that cannot be taken apart or reversed.
    order = KeyOrder::make("NAME -- , ID", {"ID"});
    EXPECT_EQ(order.forward, "NAME -- , ID") << "nothing after a comment";
    EXPECT_TRUE(order.backward.isEmpty());
    EXPECT_TRUE(KeyOrder::make("NAME, ", {"ID"}).backward.isEmpty());
    EXPECT_TRUE(KeyOrder::reversedTerm("NULLS FIRST").isEmpty());
    EXPECT_TRUE(KeyOrder::reversedTerm("x FIRST").isEmpty());
    EXPECT_EQ(KeyOrder::reversedTerm("'a, DESC'"), "'a, DESC' DESC");

    EXPECT_EQ(SqlText::splitTopLevel("a, f(b, c), 'x,y' , [d]", QLatin1Char(',')),
              (QStringList{"a", "f(b, c)", "'x,y'", "[d]"}));
    EXPECT_TRUE(SqlText::hasComment("a /* x */"));
    EXPECT_FALSE(SqlText::hasComment("a = '--' AND \"/*\" = 1"));
    // Where values are written into the text: never inside a literal, a
    // quoted name or a comment.
    EXPECT_EQ(SqlText::placeholders("a = ? AND b = 'Was?' AND \"c?\" = ? -- ?\n/* ? */"),
              (QList<qsizetype>{4, 32}));
}

TEST(SelectStatement, RecognisesTheKeysetShapeOnly)
{
    const struct
    {
        const char *sql;
        const char *table = nullptr; // none: not the keyset shape
        const char *condition = "", *ordering = "";
    } cases[] = {
        {"SELECT * FROM Kunden", "Kunden", "", ""},
        {"select *  from Kunden where Name='order by x' AND (a=1) Order  By Name DESC, ID",
         "Kunden", "Name='order by x' AND (a=1)", "Name DESC, ID"},
        {"SELECT * FROM Kunden ORDER BY Ort", "Kunden", "", "Ort"},
        {"SELECT * FROM \"Kunden \"\"Alt\"\" 'x'\" WHERE \"a\"\"b\" = 'c' ORDER BY \"ID\"",
         "\"Kunden \"\"Alt\"\" 'x'\"", "\"a\"\"b\" = 'c'", "\"ID\""},
        {"[a]]b]", "[a]]b]", "", ""},
        {"  QRTFILTER ", "QRTFILTER", "", ""},
        {"SELECT * FROM t WHERE wherever = 1", "t", "wherever = 1", ""},
        {"SELECT Name FROM Kunden"},
        {"SELECT * FROM a, b"},
        {"SELECT * FROM a JOIN b ON a.x=b.x"},
        {"SELECT * FROM a GROUP BY x"},
        {"SELECT * FROM a WHERE x=1 GROUP BY x"},
        {"SELECT * FROM a WHERE"},
        {"SELECT * FROM a ORDER BY x LIMIT 3"},
        {"SELECT DISTINCT * FROM a"},
        {"DELETE FROM a"},
        {"SELECT"},
    };
    for (const auto &c : cases) {
        SelectStatement s;
        ASSERT_EQ(SelectStatement::parse(QString::fromUtf8(c.sql), &s), c.table != nullptr)
            << c.sql;
        if (c.table) {
            EXPECT_EQ(QStringList({s.table, s.condition, s.ordering}),
                      QStringList({c.table, c.condition, c.ordering}))
                << c.sql;
        }
    }
}

TEST(Variant, EqualityDatesAndCoercion)
{
    EXPECT_EQ(Variant(qint32(3)), Variant(qint32(3)));
    EXPECT_NE(Variant(qint32(3)), Variant(qint16(3)));
    EXPECT_NE(Variant(qint32(3)), Variant::machineInt(3));
    EXPECT_NE(Variant(), Variant::null());
    EXPECT_EQ(Variant::decimal(QStringLiteral("012.50")), Variant::decimal(QStringLiteral("12.5")));
    EXPECT_EQ(Variant::decimal(QStringLiteral("-0.00")), Variant::decimal(QStringLiteral("0")));
    EXPECT_TRUE(Variant::decimal(QStringLiteral("1e5")).isEmpty());
    EXPECT_EQ(Variant::decimal(0.1).decimalText(), "0.1");

    // Dates are OLE day counts; before 1899 the fraction still counts forward.
    const struct
    {
        QDateTime when;
        double days;
    } dates[] = {{QDateTime(QDate(1899, 12, 30), QTime(0, 0)), 0.0},
                 {QDateTime(QDate(2021, 3, 7), QTime(0, 0)), 44262.0},
                 {QDateTime(QDate(2021, 3, 7), QTime(18, 0)), 44262.75},
                 {QDateTime(QDate(1899, 12, 29), QTime(6, 0)), -1.25}};
    for (const auto &d : dates) {
        EXPECT_DOUBLE_EQ(Variant::fromDateTime(d.when).dateValue(), d.days) << d.days;
        EXPECT_EQ(Variant::date(d.days).toDateTime(), d.when) << d.days;
    }
    EXPECT_EQ(Variant::date(44262.999999999).toDateTime(),
              QDateTime(QDate(2021, 3, 8), QTime(0, 0)));
    EXPECT_EQ(Variant::date(44262.75).toString(), "2021-03-07 18:00:00");

    bool ok = false;
    EXPECT_EQ(Variant(2.5).toInt32(&ok), 2); // half to even
    EXPECT_TRUE(ok);
    EXPECT_EQ(Variant(3.5).toInt32(), 4);
    EXPECT_EQ(Variant(QStringLiteral(" 41 ")).toInt32(), 41);
    EXPECT_EQ(Variant(true).toInt32(), -1);
    for (const Variant &refused :
         {Variant::null(), Variant(QStringLiteral("12abc")), Variant(1e12)}) {
        refused.toInt32(&ok);
        EXPECT_FALSE(ok) << refused.toString().toStdString();
    }
    EXPECT_EQ(Variant(0.1).toString(), "0.1");
    EXPECT_EQ(Variant(false).toString(), "False");
    EXPECT_TRUE(Variant::null().toString().isNull());
}
