#include "data/CTabInfo.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

namespace {

// Lower case: PostgreSQL reports unquoted names folded, SQLite as written.
QStringList namesOf(const QVector<ColumnInfo> &columns)
{
    QStringList names;
    for (const ColumnInfo &column : columns)
        names << column.name.toLower();
    return names;
}

QVector<quint16> flagsOf(const QVector<ColumnInfo> &columns)
{
    QVector<quint16> flags;
    for (const ColumnInfo &column : columns)
        flags << column.flags;
    return flags;
}

class CTabInfoTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        ASSERT_TRUE(tabInfo.OpenCatalog(db.connectionString()));
    }

    QVector<ColumnInfo> read(const QString &table, CTabInfo *reader = nullptr)
    {
        QVector<ColumnInfo> out{ColumnInfo()}; // replaced, never appended to
        EXPECT_TRUE((reader ? reader : &tabInfo)->GetSpaltenInfos(table, out, true));
        return out;
    }

    ScriptedMessages messages;
    CTabInfo tabInfo;
};

TEST_P(CTabInfoTest, TypeNamesCategoriesAndSizes)
{
    db.exec("CREATE TABLE typen (i_klein SMALLINT, i_ganz INTEGER, i_gross BIGINT, "
            "f_doppelt DOUBLE PRECISION, f_einfach REAL, n_betrag NUMERIC(10,2), d_tag DATE, "
            "d_zeit TIMESTAMP, j_flag BOOLEAN, t_fest CHAR(5), t_var VARCHAR(50), t_lang TEXT, "
            "g_id UUID, x_bild " +
            QString(GetParam() == DatabaseKind::PostgreSql ? "BYTEA" : "BLOB") + ")");
    const QVector<ColumnInfo> columns = read("typen");
    QStringList described;
    for (const ColumnInfo &column : columns)
        described
            << QString("%1 %2 %3").arg(column.name, column.typeName).arg(int(column.category));
    EXPECT_EQ(described,
              QStringList({"i_klein smallint 1", "i_ganz integer 1", "i_gross bigint 1",
                           "f_doppelt double 2", "f_einfach single 2", "n_betrag numeric 2",
                           "d_tag dbdate 4", "d_zeit dbtimestamp 4", "j_flag boolean 5",
                           "t_fest varchar 3", "t_var varchar 3", "t_lang longvarwchar 3",
                           "g_id DataTypeEnum=72 0", "x_bild DataTypeEnum=205 0"}));
    ASSERT_EQ(columns.size(), 14);
    EXPECT_EQ(columns[5].precision * 100 + columns[5].numericScale, 1002);
    EXPECT_EQ(columns[9].definedSize, 5);
    EXPECT_EQ(columns[10].definedSize, 50);
}

TEST_P(CTabInfoTest, KeyAndNullabilityFlags)
{
    db.exec(
        {"CREATE TABLE ort (nr INT PRIMARY KEY)",
         "CREATE TABLE kunde (id INT PRIMARY KEY, kuerzel VARCHAR(10) NOT NULL UNIQUE, "
         "name VARCHAR(40), steuer_nr VARCHAR(20) UNIQUE, ort_nr INT NOT NULL REFERENCES ort(nr))",
         "CREATE TABLE auftragspos (auftrag INT NOT NULL, zeile INT NOT NULL, menge INT, "
         "PRIMARY KEY (auftrag, zeile))",
         "CREATE TABLE kelo32objkey (objid INT NOT NULL, objkey INT NOT NULL, objtyp INT NOT NULL)",
         "CREATE TABLE kelo32objinfo (objkey INT NOT NULL, objid INT NOT NULL)"});
    // SQLite lets an INT (not INTEGER) primary key hold NULL; PostgreSQL never does.
    const quint16 id = GetParam() == DatabaseKind::Sqlite ? 3 : 2;
    EXPECT_EQ(flagsOf(read("kunde")), QVector<quint16>({id, 4, 1, 5, 0})); // foreign key ignored
    EXPECT_EQ(flagsOf(read("auftragspos")), QVector<quint16>({2, 2, 1}));
    // The KELO32 tables' keys whatever the catalog says, for the table in any letter case.
    EXPECT_EQ(flagsOf(read("Kelo32ObjKey")), QVector<quint16>({2, 4, 0}));
    EXPECT_EQ(flagsOf(read("KELO32OBJINFO")), QVector<quint16>({2, 0}));
}

TEST_P(CTabInfoTest, CacheIsSharedKeyedExactlyAndInvalidated)
{
    db.exec("CREATE TABLE kunden (id INT, name VARCHAR(20))");
    EXPECT_EQ(namesOf(read("kunden")), QStringList({"id", "name"}));
    db.exec("ALTER TABLE kunden ADD COLUMN ort VARCHAR(20)");
    CTabInfo second;
    ASSERT_TRUE(second.OpenCatalog(db.connectionString()));
    EXPECT_EQ(read("kunden", &second).size(), 2) << "another reader takes the cached list";

    EXPECT_EQ(namesOf(read("KUNDEN")), QStringList({"id", "name", "ort"})) << "read afresh";
    db.exec("ALTER TABLE kunden ADD COLUMN plz VARCHAR(5)");
    EXPECT_EQ(read("KUNDEN").size(), 3) << "cached as a second entry";
    EXPECT_EQ(read("kunden").size(), 2);

    CTabInfo::RemoveTabFromMap("Kunden"); // no entry of exactly this name
    EXPECT_EQ(read("kunden").size(), 2);
    // The host reaches both through the form facade.
    CKeloForm::RemoveTabFromMap("kunden");
    EXPECT_EQ(read("kunden").size(), 4);
    EXPECT_EQ(read("KUNDEN").size(), 3);
    CKeloForm::ClearConString();
    EXPECT_EQ(read("KUNDEN").size(), 4);

    TestDatabase other(GetParam());
    QRT_REQUIRE_DATABASE(other);
    other.exec("CREATE TABLE kunden (nr INT)");
    ASSERT_TRUE(second.OpenCatalog(other.connectionString()));
    EXPECT_EQ(namesOf(read("kunden", &second)), QStringList({"nr"})) << "another database";
    db.exec("ALTER TABLE kunden ADD COLUMN tel VARCHAR(20)");
    EXPECT_EQ(read("kunden").size(), 5) << "emptied by the other connection text";
}

TEST_P(CTabInfoTest, FailuresAreShownOrThrownAndNeverCached)
{
    QVector<ColumnInfo> out;
    QString description;
    try {
        tabInfo.GetSpaltenInfos("fehlt", out, false);
        ADD_FAILURE() << "an unknown table must throw";
    } catch (const ComError &error) {
        EXPECT_EQ(error.code(), DB_E_NOTABLE);
        description = error.description();
    }
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_FALSE(tabInfo.GetSpaltenInfos("fehlt", out, true));
    EXPECT_EQ(messages.texts(),
              QStringList(ComError::systemText(DB_E_NOTABLE) + "\r\n ----------- \r\n" +
                          description + "\r\n ----------- \r\nTable: fehlt (Step 0, c = 0)"));
    EXPECT_TRUE(out.isEmpty());
    db.exec("CREATE TABLE fehlt (id INT)");
    EXPECT_EQ(namesOf(read("fehlt")), QStringList({"id"}));

    CTabInfo unopened;
    EXPECT_THROW(unopened.GetSpaltenInfos("fehlt", out, false), ComError);
}

QRT_INSTANTIATE_FOR_ENGINES(CTabInfoTest);

} // namespace
