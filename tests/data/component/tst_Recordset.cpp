#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "platform/ComError.h"
#include "support/TestDatabase.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

// The keyset recordset on every engine the tests can reach.
class RecordsetTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        // Names in lower case: PostgreSQL folds unquoted names anyway.
        db.exec(QStringList{
            QStringLiteral(
                "CREATE TABLE kunden (id INTEGER PRIMARY KEY, name VARCHAR(50) NOT NULL, "
                "ort VARCHAR(40), betrag DOUBLE PRECISION)"),
            QStringLiteral("INSERT INTO kunden VALUES (1, 'Meier', 'Bonn', 12.5)"),
            QStringLiteral("INSERT INTO kunden VALUES (2, 'Anders', 'Köln', NULL)"),
            QStringLiteral("INSERT INTO kunden VALUES (3, 'Zander', NULL, 3)"),
        });
        connection.Open(db.connectionString());
    }

    QString nameOf(Recordset &rs)
    {
        return rs.Fields().Item(QStringLiteral("NAME")).Value().toString();
    }

    QStringList namesForward(Recordset &rs)
    {
        QStringList names;
        if (!rs.IsBOF() || !rs.IsEOF())
            rs.MoveFirst();
        while (!rs.IsEOF()) {
            names << nameOf(rs);
            rs.MoveNext();
        }
        return names;
    }

    Connection connection;
};

TEST_P(RecordsetTest, MovesAtBothEndsFollowTheQueryOrder)
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM kunden ORDER BY name"), connection, adOpenKeyset,
            adLockOptimistic);
    EXPECT_FALSE(rs.IsBOF());
    EXPECT_EQ(nameOf(rs), QStringLiteral("Anders"));
    rs.MovePrevious();
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_THROW(rs.MovePrevious(), ComError);
    rs.MoveNext();
    EXPECT_EQ(nameOf(rs), QStringLiteral("Anders"));
    rs.MoveLast();
    EXPECT_EQ(nameOf(rs), QStringLiteral("Zander"));
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_THROW(rs.Fields().Item(0).Value(), ComError);
    try {
        rs.MoveNext();
        ADD_FAILURE() << "MoveNext at EOF must throw";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), ADO_E_NOCURRENTRECORD);
    }
    rs.MovePrevious();
    EXPECT_EQ(nameOf(rs), QStringLiteral("Zander"));
    EXPECT_EQ(namesForward(rs), (QStringList{QStringLiteral("Anders"), QStringLiteral("Meier"),
                                             QStringLiteral("Zander")}));

    Recordset filtered;
    filtered.Open(QStringLiteral("SELECT * FROM kunden WHERE betrag > 1 ORDER BY betrag DESC"),
                  connection);
    EXPECT_EQ(namesForward(filtered),
              (QStringList{QStringLiteral("Meier"), QStringLiteral("Zander")}));
}

TEST_P(RecordsetTest, EmptyResultsAreAtBothEnds)
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM kunden WHERE name = 'niemand'"), connection);
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_TRUE(rs.IsEOF());
    rs.MoveFirst(); // allowed on an empty result, stays there
    rs.MoveLast();
    EXPECT_TRUE(rs.IsBOF() && rs.IsEOF());
    EXPECT_EQ(rs.EditMode(), adEditNone);

    rs.AddNew();
    EXPECT_EQ(rs.EditMode(), adEditAdd);
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_TRUE(rs.Fields().Item(QStringLiteral("ort")).Value().isNull());
    rs.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Verworfen"));
    rs.CancelUpdate();
    EXPECT_EQ(rs.EditMode(), adEditNone);
    EXPECT_TRUE(rs.IsBOF() && rs.IsEOF());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("3"));
}

TEST_P(RecordsetTest, AddedRowsJoinTheKeysetAtItsEnd)
{
    Recordset rs;
    rs.Open(QStringLiteral("kunden"), connection);
    rs.AddNew();
    rs.Fields().Item(QStringLiteral("id")).PutValue(qint32(10));
    rs.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Neu"));
    rs.Update();
    EXPECT_EQ(rs.EditMode(), adEditNone);
    EXPECT_EQ(nameOf(rs), QStringLiteral("Neu"));
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(10)));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM kunden WHERE id = 10")),
              QStringLiteral("Neu"));

    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    rs.MovePrevious();
    EXPECT_EQ(nameOf(rs), QStringLiteral("Neu"));
    rs.MovePrevious();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(3)));
    rs.MoveFirst();
    EXPECT_EQ(namesForward(rs).size(), 4);

    // A rejected insert (duplicate key) keeps the new row pending.
    rs.AddNew();
    rs.Fields().Item(QStringLiteral("id")).PutValue(qint32(1));
    rs.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Doppelt"));
    try {
        rs.Update();
        ADD_FAILURE() << "duplicate key accepted";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_INTEGRITYVIOLATION) << error.description().toStdString();
        EXPECT_FALSE(error.description().isEmpty());
    }
    EXPECT_EQ(rs.EditMode(), adEditAdd);
    rs.CancelUpdate();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("4"));
}

TEST_P(RecordsetTest, DeletedRowsLeaveTheKeyset)
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM kunden ORDER BY id"), connection);
    rs.MoveNext(); // id 2
    rs.Delete();
    EXPECT_FALSE(rs.IsEOF());
    EXPECT_THROW(rs.Fields().Item(0).Value(), ComError);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(3)));
    rs.MovePrevious();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(1)));

    // Deleting the last row: the next move reaches EOF.
    rs.MoveLast();
    rs.Delete();
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    rs.MovePrevious();
    EXPECT_EQ(rs.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(1)));
    rs.Delete();
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_TRUE(rs.IsBOF());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM kunden")), QStringLiteral("0"));
}

TEST_P(RecordsetTest, RowsOfACompositeKeyAreFoundAfterDeletesAnywhere)
{
    db.exec(QStringLiteral("CREATE TABLE positionen (auftrag VARCHAR(10), pos INTEGER, "
                           "menge INTEGER, text VARCHAR(20), PRIMARY KEY (auftrag, pos))"));
    for (const char *order : {"A", "B", "C"}) {
        for (int pos = 1; pos <= 2; ++pos)
            db.exec(QStringLiteral("INSERT INTO positionen VALUES ('%1', %2, 0, '%1%2')")
                        .arg(QLatin1String(order))
                        .arg(pos));
    }
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM positionen ORDER BY auftrag, pos"), connection);
    const auto text = [&rs] {
        return rs.Fields().Item(QStringLiteral("text")).Value().toString();
    };

    rs.MoveNext();
    rs.MoveNext();
    ASSERT_EQ(text(), QStringLiteral("B1"));
    rs.Delete(); // the middle
    rs.MoveNext();
    EXPECT_EQ(text(), QStringLiteral("B2"));
    rs.Fields().Item(QStringLiteral("menge")).PutValue(qint32(7));
    rs.Update();
    rs.MoveLast();
    EXPECT_EQ(text(), QStringLiteral("C2"));
    rs.Delete(); // the end
    rs.MovePrevious();
    EXPECT_EQ(text(), QStringLiteral("C1"));
    rs.MoveFirst();
    EXPECT_EQ(text(), QStringLiteral("A1"));
    rs.Delete(); // the start
    rs.MoveNext();
    EXPECT_EQ(text(), QStringLiteral("A2"));

    // Every remaining row is fetched by its own key, both ways.
    QStringList forward;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
        forward << rs.Fields().Item(QStringLiteral("auftrag")).Value().toString() +
                       rs.Fields().Item(QStringLiteral("pos")).Value().toString() +
                       QLatin1Char('=') + text();
    EXPECT_EQ(forward, (QStringList{QStringLiteral("A2=A2"), QStringLiteral("B2=B2"),
                                    QStringLiteral("C1=C1")}));
    QStringList backward;
    for (rs.MoveLast(); !rs.IsBOF(); rs.MovePrevious())
        backward << text();
    EXPECT_EQ(backward,
              (QStringList{QStringLiteral("C1"), QStringLiteral("B2"), QStringLiteral("A2")}));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM positionen")), QStringLiteral("3"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT text FROM positionen WHERE menge = 7")),
              QStringLiteral("B2"));
}

TEST_P(RecordsetTest, AStaleRowIsNeverOverwritten)
{
    Connection other;
    other.Open(db.connectionString());
    Recordset first;
    Recordset second;
    first.Open(QStringLiteral("SELECT * FROM kunden WHERE id = 1"), connection);
    second.Open(QStringLiteral("SELECT * FROM kunden WHERE id = 1"), other);

    first.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Erster"));
    EXPECT_EQ(first.EditMode(), adEditInProgress);
    first.Update();
    second.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Zweiter"));
    try {
        second.Update();
        ADD_FAILURE() << "lost update";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_CONCURRENCYVIOLATION);
        EXPECT_TRUE(error.description().contains(QStringLiteral("anderen Benutzer")))
            << error.description().toStdString();
    }
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT name FROM kunden WHERE id = 1")),
              QStringLiteral("Erster"));
    EXPECT_EQ(second.EditMode(), adEditInProgress); // the user's entry is still there
    second.CancelUpdate();

    // Changes to other columns of the same row do not conflict.
    Recordset third;
    third.Open(QStringLiteral("SELECT * FROM kunden WHERE id = 1"), other);
    first.Fields().Item(QStringLiteral("ort")).PutValue(QStringLiteral("Bad Godesberg"));
    first.Update();
    third.Fields().Item(QStringLiteral("betrag")).PutValue(99.0);
    third.Update();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ort FROM kunden WHERE id = 1")),
              QStringLiteral("Bad Godesberg"));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT betrag FROM kunden WHERE id = 1")).toDouble(), 99.0);

    // A row deleted by the other user cannot be updated, and moves skip it.
    Recordset all;
    all.Open(QStringLiteral("SELECT * FROM kunden ORDER BY id"), connection);
    db.exec(QStringLiteral("DELETE FROM kunden WHERE id = 2"));
    all.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Noch da"));
    all.Update();
    all.MoveNext();
    EXPECT_EQ(all.Fields().Item(QStringLiteral("id")).Value(), Variant(qint32(3)));
    db.exec(QStringLiteral("DELETE FROM kunden WHERE id = 3"));
    all.Fields().Item(QStringLiteral("name")).PutValue(QStringLiteral("Weg"));
    try {
        all.Update();
        ADD_FAILURE() << "update of a deleted row";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_DELETEDROW);
    }
}

TEST_P(RecordsetTest, ReadOnlyResultsOfOtherStatements)
{
    long affected = 0;
    Recordset count = connection.Execute(QStringLiteral("SELECT MAX(id)+1 FROM kunden"), &affected);
    EXPECT_FALSE(count.IsEOF());
    EXPECT_EQ(count.Fields().Item(0).Value().toInt32(), 4);
    EXPECT_FALSE(count.IsUpdatable());
    EXPECT_THROW(count.Fields().Item(0).PutValue(qint32(1)), ComError);
    // Moving hands the rows over and leaves a closed recordset behind.
    Recordset moved = std::move(count);
    EXPECT_EQ(moved.Fields().Item(0).Value().toInt32(), 4);
    EXPECT_FALSE(count.IsOpen());
    EXPECT_THROW(count.IsEOF(), ComError);

    connection.Execute(QStringLiteral("UPDATE kunden SET ort = 'X' WHERE id > 1"), &affected);
    EXPECT_EQ(affected, 2);
    Recordset none =
        connection.Execute(QStringLiteral("SELECT MAX(id) FROM kunden WHERE id > 100"));
    EXPECT_TRUE(none.Fields().Item(0).Value().isNull());

    Recordset distinct;
    distinct.Open(QStringLiteral("SELECT DISTINCT ort FROM kunden ORDER BY ort"), connection,
                  adOpenDynamic);
    EXPECT_FALSE(distinct.IsUpdatable());
    EXPECT_EQ(distinct.Fields().Item(0).Value(), Variant(QStringLiteral("Bonn")));

    try {
        Recordset bad;
        bad.Open(QStringLiteral("SELECT * FROM kunden WHERE nichtda = 1"), connection);
        ADD_FAILURE() << "unknown column accepted";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_ERRORSINCOMMAND);
        EXPECT_TRUE(error.description().contains(QStringLiteral("nichtda")))
            << error.description().toStdString();
    }
    try {
        Recordset missing;
        missing.Open(QStringLiteral("SELECT * FROM gibtsnicht"), connection);
        ADD_FAILURE() << "unknown table accepted";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_NOTABLE);
    }
}

QRT_INSTANTIATE_FOR_ENGINES(RecordsetTest);
