#ifndef QRT_DATA_LOOKUPLIST_H
#define QRT_DATA_LOOKUPLIST_H

#include "data/ColumnInfo.h"
#include "data/component/Connection.h"
#include "data/component/TableSchema.h"
#include "qrt_export.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The rows of a referenced table as the choices of a field that holds their
// key (Bestellungen.KundeID names a row of Kunden): each row by its key and
// by the text of one of its columns, the display column. Lists are read
// through the database a page at a time, narrowed by what the user typed and
// cut by a LIMIT, so a referenced table of a million rows is never read
// whole; each read is one statement, with the typed text bound as a value.
//
// Keys travel as the record texts of the referencing field ("17"), so that a
// key chosen here is exactly what the form stores. Names read are kept (up
// to a bound), so paging through records that name the same rows asks the
// database once per row.
class QRT_EXPORT LookupList
{
public:
    struct Entry
    {
        QString key;   // record text of the referencing field
        QString shown; // the display column's text (the key where it is empty)
    };

    // The list of the rows field refers to, shown by displayColumn (empty:
    // defaultDisplay). ComError when the referenced table cannot be read or
    // has no such column.
    LookupList(const Connection &connection, const ColumnInfo &field,
               const QString &displayColumn = QString());

    // The column a list shows unless the form says otherwise: the first text
    // column that must hold a value (a name, a title), else the first text
    // column at all; empty when the table has none. A nullable first text
    // column is often a salutation or a code, no name of the row.
    [[nodiscard]] static QString defaultDisplay(const TableSchema &table);

    // Rows whose shown text begins with typed, then rows that contain it,
    // each part ordered by the shown text; at most limit. Letter case does
    // not count. Empty typed: the first rows.
    [[nodiscard]] QVector<Entry> entries(const QString &typed, int limit);
    // Rows whose shown text is text (letter case aside); at most limit.
    [[nodiscard]] QVector<Entry> named(const QString &text, int limit);
    // The shown text of the row with that key; none when no row has it.
    [[nodiscard]] std::optional<QString> shownFor(const QString &key);
    // Reads the names of those keys not read yet, in one statement, so that
    // a page of a datasheet costs one round trip.
    void prefetch(const QStringList &keys);

    [[nodiscard]] const QString &table() const { return m_table; }
    [[nodiscard]] const QString &displayColumn() const { return m_display; }
    // The columns that could show the rows instead: the table's text columns.
    [[nodiscard]] const QStringList &textColumns() const { return m_textColumns; }

private:
    // Runs "SELECT key, display FROM table <where> ORDER BY display, key",
    // cut to limit rows (0: not cut), with values bound in order.
    QVector<Entry> read(const QString &where, const QStringList &values, int limit);
    // The display column compared with a bound pattern, as the engine's
    // case-blind LIKE compares it.
    [[nodiscard]] QString likeTest(const QString &pattern, bool whole = false) const;
    [[nodiscard]] QString foldedPattern(const QString &text) const;
    void remember(const Entry &entry);

    Connection m_connection;
    ColumnInfo m_field;
    QString m_table;
    QString m_display;
    QStringList m_textColumns;
    ColumnSchema m_keySchema;
    QString m_keySql;
    QString m_displaySql;
    QString m_tableSql;
    QHash<QString, std::optional<QString>> m_names; // by key; none: no such row
};

#endif // QRT_DATA_LOOKUPLIST_H
