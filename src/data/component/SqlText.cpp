#include "data/component/SqlText.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace SqlText {

namespace {

// The union of SQL's, PostgreSQL's (reserved and type/function names),
// SQLite's and SQL Server's reserved words. Quoting a name that one engine
// would have taken unquoted costs nothing; missing one costs a syntax error
// or, worse, a different meaning (PostgreSQL reads a column "user" as
// CURRENT_USER).
const char *const kReservedWords =
    "ABORT ACTION ADD AFTER ALL ALTER ALWAYS ANALYSE ANALYZE AND ANY ARRAY AS ASC ASYMMETRIC "
    "ATTACH AUTHORIZATION AUTOINCREMENT BACKUP BEFORE BEGIN BETWEEN BINARY BOTH BREAK BROWSE "
    "BULK BY CASCADE CASE CAST CHECK CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLLATION "
    "COLUMN COMMIT COMPUTE CONCURRENTLY CONFLICT CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE "
    "CONVERT CREATE CROSS CURRENT CURRENT_CATALOG CURRENT_DATE CURRENT_ROLE CURRENT_SCHEMA "
    "CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DBCC DEALLOCATE DECLARE "
    "DEFAULT DEFERRABLE DEFERRED DELETE DENY DESC DETACH DISK DISTINCT DISTRIBUTED DO DOUBLE "
    "DROP DUMP EACH ELSE END ERRLVL ESCAPE EXCEPT EXCLUDE EXCLUSIVE EXEC EXECUTE EXISTS EXIT "
    "EXPLAIN EXTERNAL FAIL FALSE FETCH FILE FILLFACTOR FILTER FIRST FOLLOWING FOR FOREIGN "
    "FREETEXT FREETEXTTABLE FREEZE FROM FULL FUNCTION GENERATED GLOB GOTO GRANT GROUP GROUPS "
    "HAVING HOLDLOCK IDENTITY IDENTITY_INSERT IDENTITYCOL IF IGNORE ILIKE IMMEDIATE IN INDEX "
    "INDEXED INITIALLY INNER INSERT INSTEAD INTERSECT INTO IS ISNULL JOIN KEY KILL LAST LATERAL "
    "LEADING LEFT LIKE LIMIT LINENO LOAD LOCALTIME LOCALTIMESTAMP MATCH MATERIALIZED MERGE "
    "NATIONAL NATURAL NO NOCHECK NONCLUSTERED NOT NOTHING NOTNULL NULL NULLIF NULLS OF OFF "
    "OFFSET OFFSETS ON ONLY OPEN OPENDATASOURCE OPENQUERY OPENROWSET OPENXML OPTION OR ORDER "
    "OTHERS OUTER OVER OVERLAPS PARTITION PERCENT PIVOT PLACING PLAN PRAGMA PRECEDING PRECISION "
    "PRIMARY PRINT PROC PROCEDURE PUBLIC QUERY RAISE RAISERROR RANGE READ READTEXT RECONFIGURE "
    "RECURSIVE REFERENCES REGEXP REINDEX RELEASE RENAME REPLACE REPLICATION RESTORE RESTRICT "
    "RETURN RETURNING REVERT REVOKE RIGHT ROLLBACK ROW ROWCOUNT ROWGUIDCOL ROWS RULE SAVE "
    "SAVEPOINT SCHEMA SECURITYAUDIT SELECT SESSION_USER SET SETUSER SHUTDOWN SIMILAR SOME "
    "STATISTICS SYMMETRIC SYSTEM_USER TABLE TABLESAMPLE TEMP TEMPORARY TEXTSIZE THEN TIES TO "
    "TOP TRAILING TRAN TRANSACTION TRIGGER TRUE TRUNCATE TSEQUAL UNBOUNDED UNION UNIQUE UNPIVOT "
    "UPDATE UPDATETEXT USE USER USING VACUUM VALUES VARIADIC VARYING VERBOSE VIEW VIRTUAL "
    "WAITFOR WHEN WHERE WHILE WINDOW WITH WITHIN WITHOUT WRITETEXT";

// Words that begin a statement in T-SQL.
const char *const kStatementWords =
    "ALTER BACKUP BEGIN BREAK BULK CHECKPOINT CLOSE COMMIT CONTINUE CREATE DBCC DEALLOCATE "
    "DECLARE DELETE DENY DROP EXEC EXECUTE FETCH GOTO GRANT IF INSERT KILL MERGE OPEN PRINT "
    "RAISERROR READTEXT RECONFIGURE RESTORE RETURN REVERT REVOKE ROLLBACK SAVE SELECT SET "
    "SETUSER SHUTDOWN THROW TRUNCATE UPDATE UPDATETEXT USE WAITFOR WHILE WRITETEXT";

QSet<QString> wordSet(const char *words)
{
    QSet<QString> set;
    for (const QString &word : QString::fromLatin1(words).split(QLatin1Char(' ')))
        set.insert(word);
    return set;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') ||
           c == QLatin1Char('@') || c == QLatin1Char('#');
}

// Walks the text and calls visit(position, depth) for every character that
// lies outside literals, quoted names and comments. A literal or comment
// left open at the end counts as text (the engine will refuse it anyway).
template <typename Visit> void scanCode(const QString &sql, SqlText::Quoting quoting, Visit visit)
{
    int depth = 0;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
            (c == QLatin1Char('[') && quoting == SqlText::Quoting::Brackets)) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            // Doubled quote characters stay inside; nothing else escapes.
            for (++i; i < n; ++i) {
                if (sql.at(i) == close) {
                    if (i + 1 < n && sql.at(i + 1) == close)
                        ++i;
                    else
                        break;
                }
            }
            continue;
        }
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            // Not nested: the first "*/" ends it, as SQLite reads it. An
            // engine that nests sees more comment, never less.
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 1;
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        visit(i, depth);
    }
}

} // namespace

bool hasStatementSeparator(const QString &sql, Quoting quoting)
{
    bool found = false;
    scanCode(sql, quoting, [&](qsizetype i, int) {
        if (sql.at(i) == QLatin1Char(';'))
            found = true;
    });
    return found;
}

bool hasTopLevelStatementKeyword(const QString &sql)
{
    static const QSet<QString> statementWords = wordSet(kStatementWords);
    bool found = false;
    bool first = true;
    qsizetype wordStart = -1;
    qsizetype lastVisited = -1;
    int wordDepth = 0;
    auto endWord = [&](qsizetype end) {
        if (wordStart < 0)
            return;
        const QString word = sql.mid(wordStart, end - wordStart).toUpper();
        if (wordDepth == 0 && !first && statementWords.contains(word))
            found = true;
        first = false;
        wordStart = -1;
    };
    scanCode(sql, Quoting::Brackets, [&](qsizetype i, int depth) {
        // A literal or comment between two visited characters ends a word:
        // SELECT'x' and SELECT/**/1 start statements as well.
        if (i != lastVisited + 1)
            endWord(lastVisited + 1);
        lastVisited = i;
        const QChar c = sql.at(i);
        if (isWordChar(c)) {
            if (wordStart < 0) {
                // A word glued to what came before (a name like a.b or a
                // number) is no statement start.
                wordStart = i;
                wordDepth = depth;
            }
            return;
        }
        endWord(i);
    });
    endWord(lastVisited + 1);
    return found;
}

bool hasComment(const QString &sql)
{
    // The scan skips literals, quoted names and comments; a skipped stretch
    // that starts like a comment is one.
    bool found = false;
    qsizetype next = 0;
    const auto skippedComment = [&](qsizetype from) {
        const QStringView start = QStringView(sql).mid(from, 2);
        return start == QLatin1String("--") || start == QLatin1String("/*");
    };
    scanCode(sql, Quoting::Standard, [&](qsizetype i, int) {
        if (i != next && skippedComment(next))
            found = true;
        next = i + 1;
    });
    return found || (next < sql.size() && skippedComment(next));
}

QStringList splitTopLevel(const QString &sql, QChar separator)
{
    QStringList parts;
    qsizetype start = 0;
    scanCode(sql, Quoting::Standard, [&](qsizetype i, int depth) {
        if (depth == 0 && sql.at(i) == separator) {
            parts << sql.mid(start, i - start).trimmed();
            start = i + 1;
        }
    });
    parts << sql.mid(start).trimmed();
    return parts;
}

QList<qsizetype> placeholders(const QString &sql)
{
    QList<qsizetype> found;
    scanCode(sql, Quoting::Standard, [&](qsizetype i, int) {
        if (sql.at(i) == QLatin1Char('?'))
            found << i;
    });
    return found;
}

bool isReservedWord(const QString &name)
{
    static const QSet<QString> words = wordSet(kReservedWords);
    return words.contains(name.toUpper());
}

QStringList checkExpressions(const QString &definition)
{
    QStringList expressions;
    const qsizetype size = definition.size();
    // Where the quoted part starting at from ends (one past its last letter).
    const auto quotedEnd = [&definition, size](qsizetype from) {
        const QChar open = definition.at(from);
        const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
        qsizetype at = from + 1;
        while (at < size) {
            if (definition.at(at) == close) {
                if (close != QLatin1Char(']') && at + 1 < size && definition.at(at + 1) == close) {
                    at += 2; // a doubled quote stays inside
                    continue;
                }
                return at + 1;
            }
            ++at;
        }
        return size;
    };
    const auto isQuote = [](QChar c) {
        return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`') ||
               c == QLatin1Char('[');
    };
    for (qsizetype at = 0; at < size;) {
        const QChar c = definition.at(at);
        if (isQuote(c)) {
            at = quotedEnd(at);
            continue;
        }
        const bool wordStart = at == 0 || !(definition.at(at - 1).isLetterOrNumber() ||
                                            definition.at(at - 1) == QLatin1Char('_'));
        if (!wordStart ||
            definition.mid(at, 5).compare(QLatin1String("CHECK"), Qt::CaseInsensitive) != 0) {
            ++at;
            continue;
        }
        qsizetype open = at + 5;
        while (open < size && definition.at(open).isSpace())
            ++open;
        if (open >= size || definition.at(open) != QLatin1Char('(')) {
            at += 5;
            continue;
        }
        int depth = 0;
        qsizetype end = open;
        while (end < size) {
            const QChar e = definition.at(end);
            if (isQuote(e)) {
                end = quotedEnd(end);
                continue;
            }
            if (e == QLatin1Char('('))
                ++depth;
            else if (e == QLatin1Char(')') && --depth == 0)
                break;
            ++end;
        }
        expressions << definition.mid(open + 1, end - open - 1).trimmed();
        at = end + 1;
    }
    return expressions;
}

QStringList listedValues(const QString &check, const QString &name)
{
    // Tokens without parentheses and casts: what is left of a plain list is
    // the name, IN or "= ANY ARRAY [", and the values with commas between.
    static const QRegularExpression token(
        QStringLiteral("'(?:[^']|'')*'|\"(?:[^\"]|\"\")*\"|`[^`]*`|::\\s*\\w+(?:\\s+(?:varying|"
                       "precision))?(?:\\[\\])?|"
                       "-?\\d+(?:\\.\\d+)?|[\\w$]+|\\S"),
        QRegularExpression::UseUnicodePropertiesOption);
    QStringList tokens;
    int depth = 0; // a text whose parentheses do not pair is no check
    for (auto it = token.globalMatch(check); it.hasNext() && depth >= 0;) {
        const QString word = it.next().captured(0);
        if (word == QLatin1String("("))
            ++depth;
        else if (word == QLatin1String(")"))
            --depth;
        else if (!word.startsWith(QLatin1String("::")))
            tokens << word;
    }
    if (depth != 0)
        return {};
    if (tokens.size() > 1 &&
        tokens.constFirst().compare(QLatin1String("CHECK"), Qt::CaseInsensitive) == 0)
        tokens.removeFirst();
    const QString subject = unquoteIdentifier(tokens.value(0));
    if (subject.compare(name, Qt::CaseInsensitive) != 0)
        return {};
    qsizetype at = 1;
    const auto is = [&tokens](qsizetype index, const char *word) {
        return tokens.value(index).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    };
    bool bracketed = false;
    if (is(1, "IN")) {
        at = 2;
    } else if (is(1, "=") && is(2, "ANY") && is(3, "ARRAY") && is(4, "[")) {
        at = 5;
        bracketed = true;
    } else {
        return {};
    }
    QStringList values;
    for (;; at += 2) {
        const QString value = tokens.value(at);
        if (value.startsWith(QLatin1Char('\'')) && value.size() >= 2)
            values << value.mid(1, value.size() - 2)
                          .replace(QStringLiteral("''"), QStringLiteral("'"));
        else if (!value.isEmpty() && (value.front().isDigit() || value.front() == QLatin1Char('-')))
            values << value;
        else
            return {};
        const QString next = tokens.value(at + 1);
        if (next == QLatin1String(","))
            continue;
        const qsizetype end = bracketed ? at + 2 : at + 1;
        if ((bracketed && next != QLatin1String("]")) || end != tokens.size())
            return {};
        return values;
    }
}

QString unquoteIdentifier(const QString &name)
{
    if (name.size() < 2)
        return name;
    const QChar open = name.front();
    const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : open;
    if ((open != QLatin1Char('"') && open != QLatin1Char('[') && open != QLatin1Char('`')) ||
        name.back() != close)
        return name;
    QString inner = name.mid(1, name.size() - 2);
    return inner.replace(QString(2, close), QString(close));
}

} // namespace SqlText
