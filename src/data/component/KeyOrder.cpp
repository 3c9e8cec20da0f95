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

QString KeyOrder::reversedTerm(const QString &term)
{
    QString expression = term.trimmed();
    QString nulls;
    if (chopWord(expression, QLatin1String("first"))) {
        if (!chopWord(expression, QLatin1String("nulls")))
            return QString();
        nulls = QStringLiteral(" NULLS LAST");
    } else if (chopWord(expression, QLatin1String("last"))) {
        if (!chopWord(expression, QLatin1String("nulls")))
            return QString();
        nulls = QStringLiteral(" NULLS FIRST");
    }
    QString direction = QStringLiteral(" DESC");
    if (chopWord(expression, QLatin1String("desc")))
        direction = QStringLiteral(" ASC");
    else
        chopWord(expression, QLatin1String("asc"));
    if (expression.isEmpty())
        return QString();
    return expression + direction + nulls;
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
