#include "formdef/LookupChoices.h"

#include "platform/ComError.h"
#include "platform/UserMessages.h"

namespace {

QVector<ChoiceSource::Choice> asChoices(const QVector<LookupList::Entry> &entries)
{
    QVector<ChoiceSource::Choice> choices;
    choices.reserve(entries.size());
    for (const LookupList::Entry &entry : entries)
        choices.append({entry.key, entry.shown});
    return choices;
}

} // namespace

LookupChoices::LookupChoices(LookupList list, QWidget *messageOwner)
    : m_list(std::move(list)), m_messageOwner(messageOwner)
{}

template <typename Result, typename Read> Result LookupChoices::guarded(Result fallback, Read read)
{
    try {
        Result result = read();
        m_failed = false;
        return result;
    } catch (const ComError &error) {
        if (!m_failed)
            qrt::warn(QStringLiteral("Die Liste %1 kann nicht gelesen werden.\n\n%2")
                          .arg(origin(), error.message()),
                      m_messageOwner);
        m_failed = true;
        return fallback;
    }
}

QVector<ChoiceSource::Choice> LookupChoices::choices(const QString &typed, int limit)
{
    return guarded(QVector<Choice>(), [&] { return asChoices(m_list.entries(typed, limit)); });
}

QVector<ChoiceSource::Choice> LookupChoices::named(const QString &text, int limit)
{
    return guarded(QVector<Choice>(), [&] { return asChoices(m_list.named(text, limit)); });
}

std::optional<QString> LookupChoices::shownFor(const QString &value)
{
    return guarded(std::optional<QString>(), [&] { return m_list.shownFor(value); });
}

void LookupChoices::prefetch(const QStringList &values)
{
    guarded(true, [&] {
        m_list.prefetch(values);
        return true;
    });
}

QString LookupChoices::origin() const
{
    return QStringLiteral("der Tabelle ") + m_list.table();
}
