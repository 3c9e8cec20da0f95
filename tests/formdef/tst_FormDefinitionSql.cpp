#include "data/component/SqlDialect.h"
#include "formdef/FormDefinitionSql.h"

#include <gtest/gtest.h>

using namespace FormDefinitionSql;

TEST(FormDefinitionSql, OrdinaryNamesKeepTheTextsAndAQuoteStaysInsideTheLiteral)
{
    EXPECT_EQ(readForm(FormTable, "Kunden"),
              "SELECT FORM_TOP,FORM_LEFT,FORM_BOTTOM,FORM_RIGHT, RASTER_X, RASTER_Y, SHOW_RASTER, "
              "FORM_TITEL FROM QRTFORM WHERE NAME = 'Kunden'");
    EXPECT_EQ(findFormId(FormTable, "Müller's"),
              "SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = 'Müller''s'");
    EXPECT_EQ(textLiteral("'); DROP TABLE QRTFORM; --"), "'''); DROP TABLE QRTFORM; --'");

    // The engines without CREATE … IF NOT EXISTS get the statements as
    // Access and SQL Server databases have always had them.
    const QStringList access = createItemTable(dialectFor(DatabaseKind::Access), Ddl());
    EXPECT_EQ(access.first(), "CREATE TABLE QRTFORMITEM(QRTFORMITEM_ID INT NOT NULL, QRTFORM_ID "
                              "INT NOT NULL, CONTROLINFO MEMO NOT NULL, CONSTRAINT "
                              "PK_QRTFORMITEM PRIMARY KEY (QRTFORMITEM_ID))");
    EXPECT_EQ(access.last(), "ALTER TABLE QRTFORMITEM ADD CONSTRAINT FK_QRTFORMITEM_QRTFORM "
                             "FOREIGN KEY (QRTFORM_ID) REFERENCES QRTFORM (QRTFORM_ID)");
    EXPECT_TRUE(createItemTable(dialectFor(DatabaseKind::SqlServer), Ddl())
                    .first()
                    .contains("CONTROLINFO NTEXT NOT NULL"));
}
