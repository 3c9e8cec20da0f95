#include "controls/ChoiceSource.h"

ChoiceSource::~ChoiceSource() = default;

QVector<ChoiceSource::Choice> ListedChoices::choices(const QString &typed, int limit)
{
    QVector<Choice> found;
    // Beginning first, then anywhere, as the lists of other tables' rows.
    for (const bool beginning : {true, false}) {
        for (const QString &value : std::as_const(m_values)) {
            if (found.size() >= limit)
                return found;
            const bool begins = value.startsWith(typed, Qt::CaseInsensitive);
            if (beginning ? begins : !begins && value.contains(typed, Qt::CaseInsensitive))
                found.append({value, value});
        }
    }
    return found;
}

QVector<ChoiceSource::Choice> ListedChoices::named(const QString &text, int limit)
{
    QVector<Choice> found;
    for (const QString &value : std::as_const(m_values)) {
        if (found.size() < limit && value.compare(text, Qt::CaseInsensitive) == 0)
            found.append({value, value});
    }
    return found;
}

std::optional<QString> ListedChoices::shownFor(const QString &value)
{
    return m_values.contains(value) ? std::optional<QString>(value) : std::nullopt;
}

QString ListedChoices::origin() const
{
    // A short list is named by its values, which is what the user needs.
    constexpr qsizetype kNamedValues = 10;
    if (m_values.size() <= kNamedValues)
        return QStringLiteral("der Liste ") + m_values.join(QStringLiteral(", "));
    return QStringLiteral("der Liste der erlaubten Werte");
}
