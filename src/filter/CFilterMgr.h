#ifndef QRT_FILTER_CFILTERMGR_H
#define QRT_FILTER_CFILTERMGR_H

#include "data/CBaseMgr.h"
#include "data/RecordFilter.h"
#include "filter/FilterCriterion.h"
#include "qrt_export.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

class ComError;
class Variant;
class Connection;
class Recordset;
struct SqlDialect;
class QWidget;

// The filter of one table and the store of named filters.
//
// It holds the current criteria, checks a new criterion before it exists,
// turns the criteria into an SQL condition in the dialect of the database in
// use, and asks the database whether it accepts that condition. Named sets of
// criteria live in QRTFILTER (one row per filter) and QRTFILTERITEM (one row
// per criterion) of the same database; both are created on the first
// LoadConfig that misses them.
//
// Writing a filter is all or nothing: a save or delete whose statement fails
// rolls its transaction back, so no filter row is left without its criteria
// and no criteria without their filter. The store operations leave component
// errors to the caller (the dialog command that knows what the user did);
// condition building and testing never throw.
//
// As the record data manager's RecordFilter, configure is LoadConfig that
// reports a failing table creation itself, and edit is ShowDialog.
class QRT_EXPORT CFilterMgr : public CBaseMgr, public RecordFilter
{
public:
    // What became of the input of the add command.
    enum class AddResult {
        Added,
        NoColumn, // nothing to add to, and nothing to say
        Refused,  // a check failed; its message has been shown
    };

    // The most characters a typed value may have: the dialog's value field
    // holds no more.
    static constexpr int MaxValueLength = 60;
    // The most characters a saved filter's name, a criterion's column and
    // its operand may have: the store's columns are VARCHAR(255).
    static constexpr int MaxStoredLength = 255;

    CFilterMgr();
    ~CFilterMgr() override;

    // Empties the criteria, connects, reads the table's columns without the
    // suppressed ones and creates the filter tables when missing. False
    // after a message when connecting or reading the columns fails; a failing
    // table creation throws ComError.
    bool LoadConfig(const QString &document) override;
    // Whether the last LoadConfig succeeded, so that the dialog has columns.
    [[nodiscard]] bool isConfigured() const { return m_configured; }

    // --- criteria ---------------------------------------------------------
    [[nodiscard]] const QVector<FilterCriterion> &criteria() const { return m_criteria; }
    // Position of the column of exactly that name in the column list, or -1.
    [[nodiscard]] qint32 FindColumn(const QString &column) const;
    // The category of the column at position; Unknown for no column.
    [[nodiscard]] TypeCategory CategoryAt(qint32 position) const;
    // The condition codes offered for the column at position, in list order.
    [[nodiscard]] QVector<qint32> ConditionsFor(qint32 position) const;
    // value as SQL operand (forSql) or as a criterion line shows it. Dates
    // come from date, not from value. Empty for "ohne Wert" and no column.
    [[nodiscard]] QString FormatValue(qint32 position, qint32 condition, const QString &value,
                                      const QDate &date, bool forSql) const;
    // Reads back a date operand written by FormatValue; an invalid date when
    // the text is none or names a day the calendar lacks.
    [[nodiscard]] QDate ParseSqlDate(const QString &value) const;

    // Checks the user's input and appends it as a criterion. A failed check
    // shows its message, as a warning of owner; line receives the text the
    // criteria list shows.
    AddResult AddCriterion(qint32 position, qint32 condition, const QString &valueText,
                           const QDate &date, QString *line = nullptr, QWidget *owner = nullptr);
    // The criterion that the column has the value of a field, or, with
    // exclude, that it has another value or none; for a Null value, that the
    // column has no value, or has one. The checks and SQL of AddCriterion,
    // but a quote or up to the store's length of text is taken: the user
    // did not type it. A value the criterion cannot express (a moment with
    // a time of day) is refused with a message.
    AddResult AddSelection(const QString &column, const Variant &value, bool exclude,
                           QString *line = nullptr, QWidget *owner = nullptr);
    void RemoveCriterion(qsizetype index);
    void ResetCriteria();
    // The line that lists a stored criterion: column, condition and operand
    // as the user reads it.
    [[nodiscard]] QString CriterionLine(const FilterCriterion &criterion) const;
    // The lines of the current criteria, one per criterion and in order.
    // Criteria whose column has gone are announced (as warnings of owner)
    // and dropped first.
    QStringList ListCriteria(QWidget *owner = nullptr);

    // " Name='Meier' AND Alter>30": with a leading blank, "" for no criteria.
    // False, with why in the user's words, when a criterion cannot be checked
    // against its column (the column has gone, or is unknown because the
    // columns could not be read, or the stored operand is no value of it):
    // such a filter is refused, never run without that criterion, which
    // would show more records than the user asked for.
    bool BuildCondition(QString *condition, QString *why) const;
    // BuildCondition's condition; where it refuses, one that no record
    // meets, so that a caller who does not ask never sees all records.
    [[nodiscard]] QString GetCondition() const;
    // "SELECT * FROM table WHERE " and the condition.
    [[nodiscard]] QString GetSelectStatement() const;
    // Whether the database runs GetSelectStatement(); never throws.
    bool TestCondition();

    // --- saved filters ------------------------------------------------------
    void CreateFilterTables();
    // Key of the filter of that name (the first the database returns), or -1.
    qint32 FindFilterId(const QString &name);
    // Why the current criteria cannot be saved under name (a text for the
    // user), or "" when they can.
    [[nodiscard]] QString checkSaving(const QString &name) const;
    // Writes the current criteria as a new filter of that name, in one
    // transaction. Does not look for an existing one of that name. What
    // checkSaving refuses throws ComError (E_INVALIDARG) before anything is
    // written.
    bool SaveFilter(const QString &name);
    // Replaces the filter with that key by the current criteria under name:
    // the old one is only gone when the new one is written.
    bool ReplaceFilter(qint32 key, const QString &name);
    // Deletes the filter and its criteria in one transaction.
    void DeleteFilter(qint32 key);
    // Replaces the current criteria by those of the named filter (none when
    // there is no such filter). Criteria on columns that have gone are kept
    // here; listing drops them.
    void LoadFilter(const QString &name);
    // Appends the names of all saved filters, unsorted.
    void GetFilterNames(QStringList &names);
    // Appends the distinct non-empty values of a column of the table as the
    // user types them, ascending.
    void GetDistinctValues(const QString &column, QStringList &values);
    // What the value picker offers for the column at position: its distinct
    // values that adding would take as they are (none with a quote in a text
    // column, none longer than maxLength, which the value field would cut),
    // and for a yes/no column the two words the user types, "ja" and "nein".
    void GetPickableValues(qint32 position, int maxLength, QStringList &values);

    // Runs the filter dialog on these criteria, modal to parent. True on OK,
    // with the new condition; otherwise condition is left alone.
    bool ShowDialog(QString &condition, QWidget *parent = nullptr);

    // --- RecordFilter -------------------------------------------------------
    bool configure(const QString &document) override;
    void shareConnections(const std::shared_ptr<ConnectionShare> &share) override;
    bool edit(QString &condition, QWidget *parent = nullptr) override;
    bool addSelection(const QString &column, const Variant &value, bool exclude, bool anew,
                      QString &condition, QWidget *parent = nullptr) override;
    [[nodiscard]] QString findCondition(const QStringList &columns, const QString &text,
                                        FindMatch match) const override;

private:
    [[nodiscard]] const SqlDialect &dialect() const;
    // Where a criterion's value comes from: typed into the dialog, or a
    // field's value.
    enum class Origin { Typed, Field };
    // Why the input cannot become a criterion, or "" when it can.
    [[nodiscard]] QString CheckCriterion(qint32 position, qint32 condition,
                                         const QString &valueText, Origin origin) const;
    AddResult addChecked(qint32 position, qint32 condition, const QString &valueText,
                         const QDate &date, Origin origin, QString *line, QWidget *owner);
    Connection &openConnection() const; // E_POINTER when there is none
    Recordset openForReading(const QString &sql);
    void execute(const QString &sql);
    void writeFilter(const QString &name, Recordset &filters, Recordset &items);
    void createMissingFilterTables(Connection &connection, const QStringList &missing);
    // A column name as the engine needs it in the condition.
    [[nodiscard]] QString sqlName(const QString &column) const;
    // Column and operand as the engine compares the column's stored values.
    void adaptComparison(const QString &column, QString *columnSql, QString *operand) const;
    // findCondition for one column; "" where its values cannot show text.
    [[nodiscard]] QString showsText(qint32 position, const QString &text, FindMatch match) const;
    // Whether the database runs a select with this condition (leading blank).
    bool runsCondition(const QString &condition);
    // Whether the database can compare as the criterion asks.
    bool acceptsCriterion(const FilterCriterion &criterion);
    // The text a criterion line shows for a text operand or typed value.
    [[nodiscard]] static QString shownText(const QString &value, qint32 condition);
    // Whether a statement that failed to open may be tried as a plain query.
    [[nodiscard]] static bool mayRetryAsQuery(const ComError &error);

    QVector<FilterCriterion> m_criteria; // in the order added or loaded
    QString m_strFilterTable;            // "QRTFILTER"
    QString m_strItemTable;              // "QRTFILTERITEM"
    bool m_configured = false;
};

#endif // QRT_FILTER_CFILTERMGR_H
