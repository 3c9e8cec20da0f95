#include "data/component/SelectStatement.h"

#include <QRegularExpression>

namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Position of keyword (lower-case, words separated by one blank) at nesting
// depth 0 and outside quotes, searching from start; -1 when absent. *end
// receives the position after it.
qsizetype findKeyword(const QString &sql, const QString &keyword, qsizetype start, qsizetype *end)
{
    const QStringList words = keyword.split(QLatin1Char(' '));
    int depth = 0;
    QChar quote;
    for (qsizetype i = start; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char('[')) {
            quote = QLatin1Char(']');
            continue;
        }
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')'))
            --depth;
        if (depth != 0 || (i > 0 && isWordChar(sql.at(i - 1))))
            continue;
        qsizetype pos = i;
        bool matched = true;
        for (int w = 0; w < words.size() && matched; ++w) {
            if (w > 0) {
                const qsizetype before = pos;
                while (pos < sql.size() && sql.at(pos).isSpace())
                    ++pos;
                matched = pos > before;
            }
            const QString &word = words.at(w);
            matched = matched &&
                      sql.mid(pos, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
                      (pos + word.size() >= sql.size() || !isWordChar(sql.at(pos + word.size())));
            pos += word.size();
        }
        if (matched) {
            *end = pos;
            return i;
        }
    }
    return -1;
}

} // namespace

bool SelectStatement::parse(const QString &sql, SelectStatement *out)
{
    // One part of a name: a plain word, or a quoted name in which the
    // closing quote stands doubled (Kunden "Alt" is "Kunden ""Alt""").
    static const QString part =
        QStringLiteral("(?:[A-Za-z_][A-Za-z0-9_$]*|\"(?:[^\"]|\"\")+\"|\\[(?:[^\\]]|\\]\\])+\\])");
    static const QString name =
        QStringLiteral("(") + part + QStringLiteral("(?:\\.") + part + QStringLiteral(")?)");
    static const QRegularExpression bareName(QStringLiteral("^\\s*") + name +
                                             QStringLiteral("\\s*;?\\s*$"));
    static const QRegularExpression head(QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+") + name +
                                             QStringLiteral("(?=\\s|;|$)"),
                                         QRegularExpression::CaseInsensitiveOption);

    SelectStatement result;
    if (const QRegularExpressionMatch match = bareName.match(sql); match.hasMatch()) {
        if (match.captured(1).compare(QLatin1String("select"), Qt::CaseInsensitive) == 0)
            return false;
        result.table = match.captured(1);
        *out = result;
        return true;
    }
    const QRegularExpressionMatch match = head.match(sql);
    if (!match.hasMatch())
        return false;
    result.table = match.captured(1);
    QString rest = sql.mid(match.capturedEnd(1)).trimmed();
    if (rest.endsWith(QLatin1Char(';')))
        rest.chop(1);

    qsizetype afterWhere = 0;
    qsizetype afterOrder = 0;
    const qsizetype where = findKeyword(rest, QStringLiteral("where"), 0, &afterWhere);
    const qsizetype order =
        findKeyword(rest, QStringLiteral("order by"), qMax<qsizetype>(0, afterWhere), &afterOrder);
    // Anything other than WHERE and ORDER BY (GROUP BY, a join, …) is another shape.
    const qsizetype firstClause = where >= 0 ? where : order;
    if (firstClause != 0 && !rest.isEmpty())
        return false;
    if (where >= 0) {
        const qsizetype conditionEnd = order >= 0 ? order : rest.size();
        result.condition = rest.mid(afterWhere, conditionEnd - afterWhere).trimmed();
        qsizetype dummy = 0;
        for (const char *other : {"group by", "having", "union", "limit"}) {
            if (findKeyword(result.condition, QString::fromLatin1(other), 0, &dummy) >= 0)
                return false;
        }
        if (result.condition.isEmpty())
            return false;
    }
    if (order >= 0) {
        result.ordering = rest.mid(afterOrder).trimmed();
        if (result.ordering.isEmpty())
            return false;
        qsizetype dummy = 0;
        for (const char *other : {"limit", "union", "offset"}) {
            if (findKeyword(result.ordering, QString::fromLatin1(other), 0, &dummy) >= 0)
                return false;
        }
    }
    *out = result;
    return true;
}
