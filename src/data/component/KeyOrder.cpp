#include "data/component/KeyOrder.h"

#include "data/component/SqlText.h"

namespace {

// Removes word from the end of text when it stands there as a word of its own
// (after a blank, ignoring case); true when it did.
bool chopWord(QString &text, QLatin1String word)
{
    if (text.size() <= word.size() || !text.endsWith(word, Qt::CaseInsensitive))
        return false;
    if (!text.at(text.size() - word.size() - 1).isSpace())
        return false;
    text.chop(word.size());
    text = text.trimmed();
    return true;
}

} // namespace

// A term's expression, direction and explicit NULL placement (-1: none
// written, 0: last, 1: first); nothing when it has no expression.
struct ReadTerm
{
    QString expression;
    bool descending = false;
    int nulls = -1;
};

std::optional<ReadTerm> readTerm(const QString &term)
{
    ReadTerm read;
    read.expression = term.trimmed();
    if (chopWord(read.expression, QLatin1String("first"))) {
        if (!chopWord(read.expression, QLatin1String("nulls")))
            return std::nullopt;
        read.nulls = 1;
    } else if (chopWord(read.expression, QLatin1String("last"))) {
        if (!chopWord(read.expression, QLatin1String("nulls")))
            return std::nullopt;
        read.nulls = 0;
    }
    if (chopWord(read.expression, QLatin1String("desc")))
        read.descending = true;
    else
        chopWord(read.expression, QLatin1String("asc"));
    if (read.expression.isEmpty())
        return std::nullopt;
    return read;
}

QString KeyOrder::reversedTerm(const QString &term)
{
    const std::optional<ReadTerm> read = readTerm(term);
    if (!read)
        return QString();
    const char *nulls = read->nulls == 1 ? " NULLS LAST" : read->nulls == 0 ? " NULLS FIRST" : "";
    return read->expression + QLatin1String(read->descending ? " ASC" : " DESC") +
           QLatin1String(nulls);
}

QVector<KeyOrder::Term> KeyOrder::terms(bool nullsFirst) const
{
    QVector<Term> terms;
    if (backward.isEmpty())
        return terms; // not reversible: a term the reading does not know
    for (const QString &text : SqlText::splitTopLevel(forward, QLatin1Char(','))) {
        const std::optional<ReadTerm> read = readTerm(text);
        if (!read)
            return {};
        // The engines put NULL at the same end for either direction's
        // reverse: first when ascending means last when descending.
        const bool first = read->nulls >= 0 ? read->nulls == 1 : nullsFirst != read->descending;
        terms << Term{read->expression, read->descending, first};
    }
    return terms;
}

QString KeyOrder::seek(const QVector<Term> &terms, const QVariantList &values, bool after,
                       bool inclusive, QVariantList *binds)
{
    // (t1 beyond v1) OR (t1 = v1 AND t2 beyond v2) OR … [OR all equal],
    // where "beyond" knows the direction and the end NULL goes to.
    QStringList clauses;
    QString equal;
    QVariantList equalBinds;
    for (qsizetype i = 0; i < terms.size() && i < values.size(); ++i) {
        const Term &term = terms.at(i);
        const QVariant &value = values.at(i);
        const QString t = QLatin1Char('(') + term.expression + QLatin1Char(')');
        // Whether the rows beyond lie towards the end NULL values are at.
        const bool towardsNulls = after != term.nullsFirst;
        QString beyond;
        QVariantList beyondBinds;
        if (value.isNull()) {
            if (!towardsNulls)
                beyond = t + QStringLiteral(" IS NOT NULL");
        } else {
            const bool greater = after != term.descending;
            beyond = t + QLatin1String(greater ? " > ?" : " < ?");
            beyondBinds << value;
            if (towardsNulls)
                beyond = QLatin1Char('(') + beyond + QStringLiteral(" OR ") + t +
                         QStringLiteral(" IS NULL)");
        }
        if (!beyond.isEmpty()) {
            clauses << (equal.isEmpty() ? beyond : equal + QStringLiteral(" AND ") + beyond);
            *binds << equalBinds << beyondBinds;
        }
        const QString same =
            value.isNull() ? t + QStringLiteral(" IS NULL") : t + QStringLiteral(" = ?");
        if (!value.isNull())
            equalBinds << value;
        equal = equal.isEmpty() ? same : equal + QStringLiteral(" AND ") + same;
    }
    if (inclusive && !equal.isEmpty()) {
        clauses << equal;
        *binds << equalBinds;
    }
    if (clauses.isEmpty())
        return QStringLiteral("1 = 0");
    // Parenthesised whole: it follows an AND.
    return QStringLiteral("((") + clauses.join(QStringLiteral(") OR (")) + QStringLiteral("))");
}

KeyOrder KeyOrder::make(const QString &hostOrdering, const QStringList &identity)
{
    KeyOrder order;
    const QString host = hostOrdering.trimmed();
    if (SqlText::hasComment(host)) {
        // Whatever follows the host's text might end up inside its comment.
        order.forward = host;
        return order;
    }
    QStringList forward;
    QStringList backward;
    bool reversible = true;
    if (!host.isEmpty()) {
        forward << host;
        for (const QString &term : SqlText::splitTopLevel(host, QLatin1Char(','))) {
            const QString reversed = reversedTerm(term);
            reversible = reversible && !reversed.isEmpty();
            backward << reversed;
        }
    }
    for (const QString &column : identity) {
        forward << column;
        backward << column + QStringLiteral(" DESC");
    }
    order.forward = forward.join(QStringLiteral(", "));
    if (reversible)
        order.backward = backward.join(QStringLiteral(", "));
    return order;
}
