#ifndef QRT_DATA_COMPONENT_SQLDIALECT_H
#define QRT_DATA_COMPONENT_SQLDIALECT_H

#include "qrt_export.h"

#include <QString>

class QDate;

// The database kinds, numbered as hosts pass them.
enum class DatabaseKind { Access = 1, SqlServer = 2, Sqlite = 3, PostgreSql = 4 };

// What differs in SQL text between the kinds, as data: nothing outside this
// table branches on the kind to write SQL.
struct QRT_EXPORT SqlDialect
{
    DatabaseKind kind;
    QChar dateQuote;          // '#' on Access, '\'' elsewhere
    bool zeroPaddedDates;     // SQLite compares dates as text, so 2020-05-07 < 2020-05-17
    const char *isNullTest;   // " = NULL" on Access as it always was, " IS NULL" elsewhere
    const char *longTextType; // the type of the form table's long text columns
    const char *containsOp;   // ILIKE: LIKE is case-sensitive on PostgreSQL
    const char *name;         // the DBTYP text of the configuration document
    bool bracketIdentifiers;  // [name] quotes a name (SQL Server, Access), not a character class
    const char *likeSpecials; // what LIKE reads as a wildcard besides itself: '[' on SQL Server
    // A line break of a new text: Windows programs (Access, SQL Server)
    // write "\r\n" and show a lone "\n" badly; elsewhere "\n" is the rule.
    const char *lineBreak;
    // A function of the engine's connections that folds the letter case of
    // any text, where the engine's LIKE ignores case for ASCII only (SQLite);
    // null where containsOp ignores it for every letter.
    const char *caseFold;

    // A date as an SQL literal: #2020-5-17#, '2020-5-17' or '2020-05-17'.
    QString dateLiteral(const QDate &date) const;

    // The character that makes the next one plain in a LIKE pattern; a
    // statement whose pattern may hold it names it: LIKE ? ESCAPE '\'.
    static constexpr char16_t likeEscape = u'\\';
    // The text as a LIKE pattern that matches exactly it: the engine's
    // wildcards (and the escape character itself) lose their meaning.
    QString escapeLike(const QString &text) const;
};

QRT_EXPORT const SqlDialect &dialectFor(DatabaseKind kind);

// The kind a DBTYP text names; every unknown text names SQL Server.
QRT_EXPORT DatabaseKind databaseKindFromName(const QString &dbTyp);
// The kind a stored number names; every unknown number is SQL Server.
QRT_EXPORT DatabaseKind databaseKindFromNumber(int number);
// Whether the number names a kind of its own (1 to 4).
QRT_EXPORT bool isKnownDatabaseKind(int number);

#endif // QRT_DATA_COMPONENT_SQLDIALECT_H
