#ifndef QRT_DATA_COMPONENT_SQLTEXT_H
#define QRT_DATA_COMPONENT_SQLTEXT_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>

// What the component needs to know about SQL as text, without an engine:
// where a statement ends, which names must be quoted, and how a quoted name
// reads. The engines have the last word (PostgreSQL parses every statement
// before it runs, SQLite refuses a second one itself); these checks are the
// first line, and the only one an engine without such a guarantee gets.
namespace SqlText {

// How an engine quotes: brackets are identifiers on SQL Server and Access.
enum class Quoting { Standard, Brackets };

// Whether the text holds a statement separator (";") outside text literals,
// quoted names and comments. Comments are taken as the engines that nest
// them least read them, and literals without backslash escapes, so a text
// is refused rather than misread: a ";" this scan calls hidden is hidden
// for every engine.
QRT_AUTOTEST_EXPORT bool hasStatementSeparator(const QString &sql,
                                               Quoting quoting = Quoting::Standard);

// Whether T-SQL would start a second statement in the text: SQL Server needs
// no ";" between statements, so a statement keyword outside brackets,
// literals and comments at the top level is a second statement.
QRT_AUTOTEST_EXPORT bool hasTopLevelStatementKeyword(const QString &sql);

// Whether the text holds a comment ("--" or "/*") outside literals and
// quoted names.
QRT_AUTOTEST_EXPORT bool hasComment(const QString &sql);

// The text's parts between separators outside literals, quoted names and
// parentheses, each trimmed: "a, f(b, c) DESC" gives "a" and "f(b, c) DESC".
QRT_AUTOTEST_EXPORT QStringList splitTopLevel(const QString &sql, QChar separator);

// Where the text has its positional placeholders ("?") outside literals,
// quoted names and comments, in order.
QRT_AUTOTEST_EXPORT QList<qsizetype> placeholders(const QString &sql);

// Words that cannot stand unquoted as a column or table name on some engine
// (SQL, PostgreSQL, SQLite and T-SQL reserved words; ignoring case).
QRT_AUTOTEST_EXPORT bool isReservedWord(const QString &name);

// A quoted name ("…", […] or `…`) without its quotes and with doubled quote
// characters made single; anything else unchanged.
QRT_AUTOTEST_EXPORT QString unquoteIdentifier(const QString &name);

// The expressions of every CHECK (…) of a CREATE TABLE text, without their
// parentheses; a CHECK inside a literal or a quoted name is none.
QRT_AUTOTEST_EXPORT QStringList checkExpressions(const QString &definition);

// The values a check allows where it is nothing but a list of them for one
// name: "status IN ('offen', 'bezahlt')", as PostgreSQL writes that back,
// "((status)::text = ANY ((ARRAY['offen'::character varying, …])::text[]))",
// or a domain's "VALUE IN (…)". Text literals come back as their text, numbers
// as written. Empty for every other expression (a NOT, an OR, a
// comparison, another name), so that no list is offered where the check
// allows more or other values than it names.
QRT_AUTOTEST_EXPORT QStringList listedValues(const QString &check, const QString &name);

} // namespace SqlText

#endif // QRT_DATA_COMPONENT_SQLTEXT_H
