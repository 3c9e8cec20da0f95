#include "data/component/SqlDialect.h"
#include "formdef/FormDefinitionSql.h"

#include <gtest/gtest.h>

using namespace FormDefinitionSql;

TEST(FormDefinitionSql, OrdinaryNamesGiveTheTextsStoredFormsHaveAlwaysBeenReadWith)
{
    EXPECT_EQ(findFormId(FormTable, "Kunden"),
              "SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'Kunden'");
    EXPECT_EQ(readForm(FormTable, "Kunden"),
              "SELECT FORM_TOP,FORM_LEFT,FORM_BOTTOM,FORM_RIGHT, RASTER_X, RASTER_Y, SHOW_RASTER, "
              "FORM_TITEL FROM QRTFORM WHERE NAME = 'Kunden'");
    EXPECT_EQ(readControls(ItemTable, "Kunden"),
              "SELECT CONTROLINFO FROM QRTFORMITEM WHERE QRTFORM_ID = (SELECT QRTFORM_ID FROM "
              "QRTFORM WHERE NAME = 'Kunden') ORDER BY QRTFORM_ID, QRTFORMITEM_ID");
    EXPECT_EQ(deleteRows(ItemTable, 7), "DELETE FROM QRTFORMITEM WHERE QRTFORM_ID = 7");
    EXPECT_EQ(deleteRows(FormTable, 7), "DELETE FROM QRTFORM WHERE QRTFORM_ID = 7");

    // A quote in a name stays inside the literal.
    EXPECT_EQ(findFormId(FormTable, "Müller's"),
              "SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'Müller''s'");
    EXPECT_EQ(textLiteral("'); DROP TABLE QRTFORM; --"), "'''); DROP TABLE QRTFORM; --'");
}

TEST(FormDefinitionSql, TheTablesTakeEachEnginesLongTextAndForeignKey)
{
    const QString form =
        "QRTFORM(QRTFORM_ID INT NOT NULL, NAME VARCHAR(255) NOT NULL, FORM_TOP INT, FORM_LEFT "
        "INT, FORM_BOTTOM INT, FORM_RIGHT INT, FORM_TITEL VARCHAR(255), RASTER_X INT, RASTER_Y "
        "INT, SHOW_RASTER INT, CONSTRAINT PK_QRTFORM PRIMARY KEY (QRTFORM_ID))";
    const QString item = "QRTFORMITEM(QRTFORMITEM_ID INT NOT NULL, QRTFORM_ID INT NOT NULL, "
                         "CONTROLINFO %1 NOT NULL, CONSTRAINT PK_QRTFORMITEM PRIMARY KEY "
                         "(QRTFORMITEM_ID)";
    const QString foreignKey = "CONSTRAINT FK_QRTFORMITEM_QRTFORM FOREIGN KEY (QRTFORM_ID) "
                               "REFERENCES QRTFORM (QRTFORM_ID)";

    // Access and SQL Server: the statements as they always were.
    const Ddl plain;
    EXPECT_EQ(createFormTable(plain), QStringList("CREATE TABLE " + form));
    EXPECT_EQ(createItemTable(dialectFor(DatabaseKind::Access), plain),
              QStringList({"CREATE TABLE " + item.arg("MEMO") + ")",
                           "ALTER TABLE QRTFORMITEM ADD " + foreignKey}));
    EXPECT_EQ(createItemTable(dialectFor(DatabaseKind::SqlServer), plain).first(),
              "CREATE TABLE " + item.arg("NTEXT") + ")");

    // PostgreSQL adds the key afterwards, SQLite declares it with the table.
    const Ddl postgres{true, true};
    EXPECT_EQ(createFormTable(postgres), QStringList("CREATE TABLE IF NOT EXISTS " + form));
    EXPECT_EQ(createItemTable(dialectFor(DatabaseKind::PostgreSql), postgres),
              QStringList({"CREATE TABLE IF NOT EXISTS " + item.arg("TEXT") + ")",
                           "ALTER TABLE QRTFORMITEM ADD " + foreignKey}));
    const Ddl sqlite{true, false};
    EXPECT_EQ(
        createItemTable(dialectFor(DatabaseKind::Sqlite), sqlite),
        QStringList("CREATE TABLE IF NOT EXISTS " + item.arg("TEXT") + ", " + foreignKey + ")"));
}
