#include "data/CAdoDataMgr.h"
#include "data/FieldConversion.h"
#include "filter/CFilterMgr.h"
#include "support/SchemaFixture.h"
#include "support/ScriptedMessages.h"
#include "xml/RecordText.h"

#include <QDate>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

// The record data manager and the filter over a schema as real applications
// have it (tests/support/SchemaFixture): every row saved as the form got it
// stays what it was at the SQL level, a filter on every column is valid SQL
// and finds the right rows (or is refused), and every table takes a new row
// (or says why not).
namespace {

using Rows = QVector<QStringList>;

RecordText::Fields fieldsOf(const QString &text)
{
    RecordText::Fields fields;
    QString error;
    EXPECT_TRUE(RecordText::read(text, &fields, &error)) << error.toStdString();
    return fields;
}

// Every record of the manager's rows, from the first, as the form gets it.
QVector<RecordText::Fields> records(CAdoDataMgr &manager)
{
    QVector<RecordText::Fields> all;
    Recordset *rows = manager.recordset();
    if (!manager.HasRecord())
        return all;
    for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml())
        all << fieldsOf(manager.GetRecordXml());
    return all;
}

// The record text as the form writes it back when the user has typed every
// field anew just as it was shown: numbers, dates and times read from their
// shown text, check boxes as shown (a Null one "unknown").
QString asTheFormWritesIt(const CAdoDataMgr &manager, const QString &text)
{
    RecordText::Fields fields = fieldsOf(text);
    for (const ColumnInfo &column : manager.columns()) {
        const QString value = fields.value(column.name);
        if (column.category == TypeCategory::Text || column.category == TypeCategory::YesNo)
            continue;
        const FieldFormat format = FieldConversion::formatOf(column);
        const FieldFormat::Reading retyped =
            format.read(format.show(value), QDate::currentDate(), value);
        if (retyped.ok) // what cannot be typed (NaN, an interval) the user leaves alone
            fields.set(column.name, retyped.value);
    }
    return RecordText::write(fields);
}

class RealWorldSchemaTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        fixture = std::make_unique<SchemaFixture>(db);
    }

    std::string shown() const { return messages.texts().join(QLatin1Char('\n')).toStdString(); }

    std::unique_ptr<SchemaFixture> fixture;
    ScriptedMessages messages;
};

TEST_P(RealWorldSchemaTest, EveryRowSavedAsShownStaysAsStored)
{
    for (const FixtureTable &table : fixture->tables()) {
        SCOPED_TRACE(table.name.toStdString());
        const Rows before = fixture->snapshot(table);
        CAdoDataMgr manager;
        manager.Open(fixture->document(table), false);
        if (!table.editable) {
            EXPECT_TRUE(messages.texts().join(' ').contains("nur angezeigt")) << shown();
            messages.clear();
        }
        const QString mark = fixture->writeMark(table);
        int count = 0;
        Recordset *rows = manager.recordset();
        ASSERT_TRUE(manager.HasRecord()) << shown();
        for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml()) {
            const QString text = manager.GetRecordXml();
            EXPECT_EQ(manager.WriteRecord(text), table.editable) << text.toStdString();
            EXPECT_EQ(manager.GetRecordXml(), text) << "the row as stored is the row as shown";
            EXPECT_EQ(manager.WriteRecord(asTheFormWritesIt(manager, text)), table.editable)
                << asTheFormWritesIt(manager, text).toStdString();
            ++count;
            if (table.editable) {
                ASSERT_TRUE(messages.texts().isEmpty()) << shown() << "\n" << text.toStdString();
            }
        }
        EXPECT_EQ(count, table.rows) << "every row is shown";
        EXPECT_EQ(fixture->snapshot(table), before);
        EXPECT_EQ(fixture->writeMark(table), mark) << "nothing was written at all";
        if (!table.editable) {
            EXPECT_EQ(messages.texts().size(), 2 * count) << "each refused save says why";
            messages.clear();
        }
    }
}

TEST_P(RealWorldSchemaTest, EveryTableTakesANewRowOrSaysWhyNot)
{
    for (const FixtureTable &table : fixture->tables()) {
        SCOPED_TRACE(table.name.toStdString());
        const int before = int(fixture->snapshot(table).size());
        CAdoDataMgr manager;
        manager.Open(fixture->document(table), true);
        RecordText::Fields record;
        for (auto field = table.newRow.begin(); field != table.newRow.end(); ++field)
            record.set(field.key(), field.value());
        messages.clear();
        EXPECT_EQ(manager.WriteRecord(RecordText::write(record)), table.editable) << shown();
        if (!table.editable) {
            EXPECT_EQ(messages.texts().size(), 1);
            EXPECT_FALSE(manager.AddRecord());
            EXPECT_FALSE(manager.DeleteRecord());
            EXPECT_EQ(int(fixture->snapshot(table).size()), before);
            messages.clear();
            continue;
        }
        EXPECT_EQ(int(fixture->snapshot(table).size()), before + 1);
        EXPECT_TRUE(messages.texts().isEmpty()) << shown();
        ASSERT_TRUE(manager.HasRecord());
        for (auto field = table.newRow.begin(); field != table.newRow.end(); ++field) {
            const Variant stored = manager.recordset()->Fields().Item(field.key()).Value();
            EXPECT_TRUE(FieldConversion::isUnchanged(manager.GetColumnInfo(field.key()), stored,
                                                     field.value()))
                << field.key().toStdString() << ": " << stored.toString().toStdString();
        }
        // The key of the new row, 64 bits wide where the key is.
        if (table.keys.size() == 1) {
            const ColumnInfo key = manager.GetColumnInfo(table.keys.first());
            EXPECT_EQ(
                manager.GetLastUpdateKey(),
                key.category != TypeCategory::WholeNumber
                    ? -1
                    : db.scalar(
                            QStringLiteral("SELECT MAX(\"%1\") FROM %2").arg(key.name, table.sql))
                          .toLongLong());
        }
    }
}

// What the form shows of a row of a fixture table, looked up by a column's
// shown value; the manager stays on that row.
RecordText::Fields shownRow(CAdoDataMgr &manager, const char *column, const char *value)
{
    Recordset *rows = manager.recordset();
    for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml()) {
        const RecordText::Fields record = fieldsOf(manager.GetRecordXml());
        if (record.value(QString::fromUtf8(column)) == QString::fromUtf8(value))
            return record;
    }
    ADD_FAILURE() << "no row shows " << column << " = " << value;
    return {};
}

TEST(RealWorldSchemaSqlite, ChangedValuesAreWrittenInTheFormTheColumnUses)
{
    ScriptedMessages messages;
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    SchemaFixture fixture(db);
    const auto stored = [&db](const char *column, qint64 id) {
        return db.scalar(QStringLiteral("SELECT typeof(%1) || ':' || %1 FROM termine WHERE id = %2")
                             .arg(QLatin1String(column))
                             .arg(id));
    };
    // Row 4 holds an ISO text with "T", milliseconds and "Z", a julian day
    // with a quarter day, a unix time, 'false'/'Y' words and an integer 0.
    CAdoDataMgr manager;
    manager.Open(fixture.document(fixture.table(QStringLiteral("termine"))), false);
    RecordText::Fields record = shownRow(manager, "id", "4");
    EXPECT_EQ(record.value(QStringLiteral("julian")), QStringLiteral("05.03.2021 00:00:00"));
    EXPECT_EQ(record.value(QStringLiteral("bezahlt")), QStringLiteral("True"));
    // A new day alone keeps the time of day each held; a new row has no
    // form of its own and takes the column's.
    const struct
    {
        const char *column, *typed, *changed, *added;
    } cases[] = {
        {"iso", "2024-2-29", "text:2024-02-29T13:00:00.000Z", nullptr},
        {"julian", "2024-2-29", "real:2460369.5", "real:2460369.5"},
        {"unix", "2024-2-29", "integer:1709164800", "integer:1709164800"},
        {"erledigt", "True", "text:true", nullptr},
        {"bezahlt", "False", "text:N", nullptr},
        {"aktiv", "True", "integer:1", nullptr},
        {"bezahlt", "True", nullptr, "text:Y"},
        {"erledigt", "False", nullptr, "text:false"},
    };
    RecordText::Fields fresh;
    for (const auto &c : cases) {
        if (c.changed)
            record.set(QString::fromLatin1(c.column), c.typed);
        if (c.added)
            fresh.set(QString::fromLatin1(c.column), c.typed);
    }
    ASSERT_TRUE(manager.WriteRecord(RecordText::write(record)))
        << messages.texts().join('\n').toStdString();
    manager.AddRecord();
    ASSERT_TRUE(manager.WriteRecord(RecordText::write(fresh)));
    const qint64 id = manager.GetLastUpdateKey();
    for (const auto &c : cases) {
        if (c.changed) {
            EXPECT_EQ(stored(c.column, 4), c.changed) << c.column;
        }
        if (c.added) {
            EXPECT_EQ(stored(c.column, id), c.added) << c.column;
        }
    }
    EXPECT_FALSE(stored("angelegt", id).isEmpty()) << "the column's default";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// A shown value (record text) against a filter value (as typed), by category:
// <0, 0, >0; dates by the day shown. NaN sorts above every number, as
// PostgreSQL sorts it.
int compareShown(TypeCategory category, const QString &shown, const QString &value)
{
    switch (category) {
    case TypeCategory::WholeNumber:
    case TypeCategory::Fractional: {
        const auto number = [](QString text) {
            text.replace(QLatin1Char(','), QLatin1Char('.'));
            if (text == QLatin1String("NaN"))
                return std::numeric_limits<double>::max();
            if (text.endsWith(QLatin1String("Infinity")))
                return text.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL;
            return text.toDouble();
        };
        if (category == TypeCategory::Fractional &&
            Variant::decimal(QString(shown)) == Variant::decimal(QString(value).replace(',', '.')))
            return 0;
        const double a = number(shown);
        const double b = number(value);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    case TypeCategory::Date: {
        const QDate a = QDate::fromString(shown.left(10), QStringLiteral("dd.MM.yyyy"));
        const QDate b = QDate::fromString(value, QStringLiteral("dd.MM.yyyy"));
        return a < b ? -1 : a > b ? 1 : 0;
    }
    case TypeCategory::YesNo:
        return (shown.toUpper() == QLatin1String("TRUE")) == (value == QLatin1String("true")) ? 0
                                                                                              : 1;
    default:
        return shown == value ? 0 : 1;
    }
}

TEST_P(RealWorldSchemaTest, AFilterOnEveryColumnFindsTheRightRowsOrIsRefused)
{
    for (const FixtureTable &table : fixture->tables()) {
        const QString document = fixture->document(table);
        CFilterMgr filter;
        ASSERT_TRUE(filter.LoadConfig(document)) << shown();
        CAdoDataMgr manager;
        manager.Open(document, false);
        ASSERT_EQ(records(manager).size(), table.rows);
        for (const ColumnInfo &column : filter.columns()) {
            SCOPED_TRACE((table.name + QLatin1Char('.') + column.name).toStdString());
            const qint32 position = filter.FindColumn(column.name);
            // A value from the middle of those the filter dialog offers.
            QStringList values;
            filter.GetDistinctValues(column.name, values);
            values.removeIf(
                [](const QString &v) { return v.contains(QLatin1Char('\'')) || v.size() > 60; });
            ASSERT_FALSE(values.isEmpty());
            const QString value = values.at(values.size() / 2);
            // A day shown may still differ in its time of day, a
            // floating-point number in the digits beyond those shown.
            const bool hidden = column.category == TypeCategory::Date ||
                                column.typeName == QLatin1String("double") ||
                                column.typeName == QLatin1String("single");
            int total = 0;
            for (const qint32 condition : filter.ConditionsFor(position)) {
                SCOPED_TRACE(FilterCondition::listText(condition).toStdString());
                filter.ResetCriteria();
                messages.clear();
                const QString typed =
                    condition == FilterCondition::Contains ? value.left(3) : value;
                const CFilterMgr::AddResult added = filter.AddCriterion(
                    position, condition, typed, QDate::fromString(value, "dd.MM.yyyy"));
                if (table.unfilterable.contains(column.name) &&
                    condition != FilterCondition::NoValue) {
                    EXPECT_EQ(added, CFilterMgr::AddResult::Refused);
                    EXPECT_TRUE(messages.texts().join(' ').contains("nicht gefiltert werden"));
                    continue;
                }
                ASSERT_EQ(added, CFilterMgr::AddResult::Added) << shown();
                ASSERT_TRUE(filter.TestCondition()) << filter.GetSelectStatement().toStdString();
                manager.ChangeFilter(filter.GetCondition());
                const QVector<RecordText::Fields> rows = records(manager);
                if (condition == FilterCondition::Equal || condition == FilterCondition::NotEqual ||
                    condition == FilterCondition::NoValue)
                    total += int(rows.size());
                if (condition == FilterCondition::Equal && !hidden &&
                    column.category != TypeCategory::Fractional) {
                    EXPECT_FALSE(rows.isEmpty()) << "the value comes from a row";
                }
                for (const RecordText::Fields &row : rows) {
                    const bool hasValue = row.contains(column.name);
                    const QString shownValue = row.value(column.name);
                    const int order = compareShown(column.category, shownValue, value);
                    const bool fits[] = {
                        hasValue && order == 0,                          // Equal
                        hasValue && (order != 0 || hidden),              // NotEqual
                        hasValue && order >= (hidden ? 0 : 1),           // Greater
                        hasValue && order <= (hidden ? 0 : -1),          // Less
                        shownValue.contains(typed, Qt::CaseInsensitive), // Contains
                        !hasValue,                                       // NoValue
                    };
                    const qint32 conditions[] = {
                        FilterCondition::Equal,    FilterCondition::NotEqual,
                        FilterCondition::Greater,  FilterCondition::Less,
                        FilterCondition::Contains, FilterCondition::NoValue};
                    for (int i = 0; i < 6; ++i) {
                        if (conditions[i] == condition) {
                            EXPECT_TRUE(fits[i]) << shownValue.toStdString();
                        }
                    }
                }
                EXPECT_TRUE(
                    messages.texts().isEmpty() ||
                    (!table.editable && messages.texts().join(' ').contains("nur angezeigt")))
                    << shown();
            }
            // Equal, not equal and no value part the rows between them.
            if (!table.unfilterable.contains(column.name)) {
                EXPECT_EQ(total, table.rows);
            }
        }
    }
}

QRT_INSTANTIATE_FOR_ENGINES(RealWorldSchemaTest);

} // namespace
