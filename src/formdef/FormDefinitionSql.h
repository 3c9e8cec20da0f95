#ifndef QRT_FORMDEF_FORMDEFINITIONSQL_H
#define QRT_FORMDEF_FORMDEFINITIONSQL_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>

struct SqlDialect;

// Every SQL text that touches the form definition tables: QRTFORM, one row
// per stored form (host window rectangle, title, raster), and QRTFORMITEM,
// one row per control holding its CONTROLINFO record.
//
// A form's name is its table's name and goes into the texts as a literal; a
// quote inside it is doubled, so that "O'Brien" is a name and not the end of
// one (ordinary names give the texts byte for byte as they always were).
// The table names are the library's own and stand unquoted: the tables were
// created that way, so every engine reads them as written.
namespace FormDefinitionSql {

inline const QString FormTable = QStringLiteral("QRTFORM");
inline const QString ItemTable = QStringLiteral("QRTFORMITEM");

// What the engine's DDL offers (Connection::canCreateIfNotExists,
// canAddConstraint) beside the dialect's long-text type.
struct Ddl
{
    bool ifNotExists = false;  // CREATE TABLE IF NOT EXISTS: a racing creator is no error
    bool addConstraint = true; // false: the foreign key is declared with the table
};

// The statements that make QRTFORM.
[[nodiscard]] QRT_EXPORT QStringList createFormTable(const Ddl &ddl);
// The statements that make QRTFORMITEM with its foreign key to QRTFORM; the
// record column takes the dialect's long-text type (MEMO, NTEXT, TEXT).
[[nodiscard]] QRT_EXPORT QStringList createItemTable(const SqlDialect &dialect, const Ddl &ddl);

// name as an SQL text literal.
[[nodiscard]] QRT_EXPORT QString textLiteral(const QString &name);

// The key of the form of that name.
[[nodiscard]] QRT_EXPORT QString findFormId(const QString &formTable, const QString &name);
// Rectangle, raster and title of the form of that name.
[[nodiscard]] QRT_EXPORT QString readForm(const QString &formTable, const QString &name);
// The CONTROLINFO records of the form of that name, in the order they were
// written (the order of the form's controls).
[[nodiscard]] QRT_EXPORT QString readControls(const QString &itemTable, const QString &name);
// Deletes the rows of table that belong to the form with that key.
[[nodiscard]] QRT_EXPORT QString deleteRows(const QString &table, int formId);

// QRTDATASHEET: the columns of a form's datasheet as the user arranged
// them, one row per field (its place among the columns and its width),
// keyed by the form's name. A table of its own beside the definition, with
// no key into it, so that the definition tables and whoever reads them stay
// exactly as they are; a database without it shows the datasheet in the
// form's field order.
inline const QString DatasheetTable = QStringLiteral("QRTDATASHEET");
[[nodiscard]] QRT_EXPORT QStringList createDatasheetTable(const Ddl &ddl);
// The fields, places and widths of the datasheet of the form of that name,
// by place.
[[nodiscard]] QRT_EXPORT QString readDatasheet(const QString &name);
[[nodiscard]] QRT_EXPORT QString deleteDatasheet(const QString &name);

} // namespace FormDefinitionSql

#endif // QRT_FORMDEF_FORMDEFINITIONSQL_H
