#include "data/RecordFilter.h"

// Out of line, so the interface's type information lives in the library
// once and a host's fake and the library agree on it.
RecordFilter::~RecordFilter() = default;

void RecordFilter::shareConnections(const std::shared_ptr<ConnectionShare> &share)
{
    Q_UNUSED(share); // a filter without a database of its own has nothing to share
}

bool RecordFilter::addSelection(const QString &column, const Variant &value, bool exclude,
                                bool anew, QString &condition, QWidget *parent)
{
    Q_UNUSED(column);
    Q_UNUSED(value);
    Q_UNUSED(exclude);
    Q_UNUSED(anew);
    Q_UNUSED(condition);
    Q_UNUSED(parent);
    return false;
}

QString RecordFilter::findCondition(const QStringList &columns, const QString &text,
                                    FindMatch match) const
{
    Q_UNUSED(columns);
    Q_UNUSED(text);
    Q_UNUSED(match);
    return QString();
}
