#include "formdef/FormDefinitionSql.h"

#include "data/component/SqlDialect.h"

namespace FormDefinitionSql {

namespace {

QString createTable(const Ddl &ddl)
{
    return ddl.ifNotExists ? QStringLiteral("CREATE TABLE IF NOT EXISTS ")
                           : QStringLiteral("CREATE TABLE ");
}

const char *const kItemForeignKey = "CONSTRAINT FK_QRTFORMITEM_QRTFORM FOREIGN KEY (QRTFORM_ID) "
                                    "REFERENCES QRTFORM (QRTFORM_ID)";

} // namespace

QStringList createFormTable(const Ddl &ddl)
{
    return {createTable(ddl) +
            QStringLiteral("QRTFORM(QRTFORM_ID INT NOT NULL, NAME VARCHAR(255) NOT NULL, FORM_TOP "
                           "INT, FORM_LEFT INT, FORM_BOTTOM INT, FORM_RIGHT INT, FORM_TITEL "
                           "VARCHAR(255), RASTER_X INT, RASTER_Y INT, SHOW_RASTER INT, CONSTRAINT "
                           "PK_QRTFORM PRIMARY KEY (QRTFORM_ID))")};
}

QStringList createItemTable(const SqlDialect &dialect, const Ddl &ddl)
{
    const QString table = createTable(ddl) +
                          QStringLiteral("QRTFORMITEM(QRTFORMITEM_ID INT NOT NULL, QRTFORM_ID INT "
                                         "NOT NULL, CONTROLINFO ") +
                          QLatin1String(dialect.longTextType) +
                          QStringLiteral(" NOT NULL, CONSTRAINT PK_QRTFORMITEM PRIMARY KEY "
                                         "(QRTFORMITEM_ID)");
    if (!ddl.addConstraint) {
        // An engine that cannot add a constraint to a table (SQLite) gets the
        // key with the table.
        return {table + QStringLiteral(", ") + QLatin1String(kItemForeignKey) + QLatin1Char(')')};
    }
    return {table + QLatin1Char(')'),
            QStringLiteral("ALTER TABLE QRTFORMITEM ADD ") + QLatin1String(kItemForeignKey)};
}

QString textLiteral(const QString &name)
{
    return QLatin1Char('\'') + QString(name).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

QString findFormId(const QString &formTable, const QString &name)
{
    return QStringLiteral("SELECT QRTFORM_ID FROM ") + formTable +
           QStringLiteral(" WHERE NAME = ") + textLiteral(name);
}

QString readForm(const QString &formTable, const QString &name)
{
    return QStringLiteral("SELECT FORM_TOP,FORM_LEFT,FORM_BOTTOM,FORM_RIGHT, RASTER_X, RASTER_Y, "
                          "SHOW_RASTER, FORM_TITEL FROM ") +
           formTable + QStringLiteral(" WHERE NAME = ") + textLiteral(name);
}

QString readControls(const QString &itemTable, const QString &name)
{
    // All rows share one form key; without the second key the engine may
    // hand them out in any order (PostgreSQL fills the space of rows that a
    // save deleted), and the order is the form's tab order.
    return QStringLiteral("SELECT CONTROLINFO FROM ") + itemTable +
           QStringLiteral(" WHERE QRTFORM_ID = (SELECT QRTFORM_ID FROM QRTFORM WHERE NAME = ") +
           textLiteral(name) + QStringLiteral(") ORDER BY QRTFORM_ID, QRTFORMITEM_ID");
}

QString deleteRows(const QString &table, int formId)
{
    return QStringLiteral("DELETE FROM ") + table + QStringLiteral(" WHERE QRTFORM_ID = ") +
           QString::number(formId);
}

QStringList createDatasheetTable(const Ddl &ddl)
{
    return {createTable(ddl) +
            QStringLiteral("QRTDATASHEET(FORM_NAME VARCHAR(255) NOT NULL, FIELD_NAME VARCHAR(255) "
                           "NOT NULL, FIELD_ORDER INT NOT NULL, FIELD_WIDTH INT NOT NULL, "
                           "CONSTRAINT PK_QRTDATASHEET PRIMARY KEY (FORM_NAME, FIELD_NAME))")};
}

QString readDatasheet(const QString &name)
{
    return QStringLiteral("SELECT FIELD_NAME, FIELD_WIDTH FROM QRTDATASHEET WHERE FORM_NAME = ") +
           textLiteral(name) + QStringLiteral(" ORDER BY FIELD_ORDER");
}

QString deleteDatasheet(const QString &name)
{
    return QStringLiteral("DELETE FROM QRTDATASHEET WHERE FORM_NAME = ") + textLiteral(name);
}

} // namespace FormDefinitionSql
