#ifndef QRT_DATA_RECORDFILTER_H
#define QRT_DATA_RECORDFILTER_H

#include "qrt_export.h"

#include <QString>

#include <memory>

class ConnectionShare;
class Variant;
class QWidget;

// What the record data manager needs of an interactive filter: it prepares
// the filter when it connects, and runs it when the user gives the filter
// command. The manager only knows this interface; the filter store of the
// filter dialogs implements it, and whoever composes a form hands one in.
// So the data layer stays free of dialogs, and a test can hand in a fake.
class QRT_EXPORT RecordFilter
{
public:
    // How a searched text must meet a field's value.
    enum class FindMatch { WholeField, StartOfField, AnyPart };

    virtual ~RecordFilter();

    // Prepares the filter for the table of a configuration document (its
    // database, table and SUPPRESSCOLUMN entries) and empties its criteria.
    // False when that fails, after the user has been told why; never throws.
    virtual bool configure(const QString &document) = 0;

    // Called before configure: a filter that reads the database uses the
    // sessions of the records it filters instead of opening its own.
    virtual void shareConnections(const std::shared_ptr<ConnectionShare> &share);

    // Lets the user edit the filter, modal to parent. True when the user
    // confirmed: condition then holds the new SQL condition (without WHERE,
    // with a leading blank). False on cancel, with condition left alone.
    virtual bool edit(QString &condition, QWidget *parent = nullptr) = 0;

    // Adds to the criteria (emptied first when anew) that column holds the
    // value of the field the user is in, or with exclude that it holds
    // another value or none (see CFilterMgr::AddSelection). True with
    // condition as edit gives it; false, after the user has been told why,
    // when the value cannot be filtered by. This default filters by nothing.
    virtual bool addSelection(const QString &column, const Variant &value, bool exclude, bool anew,
                              QString &condition, QWidget *parent = nullptr);

    // The SQL condition (without WHERE) that one of columns holds text as
    // the form shows it, ignoring letter case; "" when none of them can
    // (a word searched in number fields only). This default finds nothing.
    [[nodiscard]] virtual QString findCondition(const QStringList &columns, const QString &text,
                                                FindMatch match) const;
};

#endif // QRT_DATA_RECORDFILTER_H
