#include "data/CAdoDataMgr.h"
#include "data/FieldConversion.h"
#include "facade/CKeloForm.h"
#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "support/SchemaFixture.h"
#include "support/ScriptedMessages.h"
#include "xml/RecordText.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

// The record data manager and the filter over a schema as real applications
// have it (tests/support/SchemaFixture): every row saved as the form got it
// stays what it was at the SQL level, one changed field changes that field,
// a filter on every column is valid SQL and finds the right rows (or is
// refused), and every table takes a new row (or says why not).
namespace {

using Rows = QVector<QStringList>;

class RealWorldSchemaTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        fixture = std::make_unique<SchemaFixture>(db);
    }

    QString shown() const { return messages.texts().join(QLatin1Char('\n')); }

    static RecordText::Fields fieldsOf(const QString &text)
    {
        RecordText::Fields fields;
        QString error;
        EXPECT_TRUE(RecordText::read(text, &fields, &error)) << error.toStdString();
        return fields;
    }

    // Every record of the manager's rows, from the first, as the form gets it.
    static QVector<RecordText::Fields> records(CAdoDataMgr &manager)
    {
        QVector<RecordText::Fields> all;
        if (!manager.HasRecord())
            return all;
        Recordset *rows = manager.recordset();
        for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml())
            all << fieldsOf(manager.GetRecordXml());
        return all;
    }

    // The record text as the form writes it back when the user has typed
    // every field anew just as it was shown: numbers, dates and times read
    // from their shown text, check boxes as shown (a Null one "unknown").
    static QString asTheFormWritesIt(const CAdoDataMgr &manager, const QString &text)
    {
        RecordText::Fields fields = fieldsOf(text);
        for (const ColumnInfo &column : manager.columns()) {
            const QString value = fields.value(column.name);
            if (column.category == TypeCategory::Text || column.category == TypeCategory::YesNo)
                continue;
            const FieldFormat format = FieldConversion::formatOf(column);
            const FieldFormat::Reading retyped =
                format.read(format.show(value), QDate::currentDate(), value);
            // What cannot be typed (NaN, an interval) the user leaves alone.
            if (retyped.ok)
                fields.set(column.name, retyped.value);
        }
        return RecordText::write(fields);
    }

    // The columns in which two snapshots of one row differ.
    QStringList differingColumns(const FixtureTable &table, const QStringList &a,
                                 const QStringList &b) const
    {
        const QStringList names = fixture->columns(table);
        QStringList differing;
        for (int i = 0; i < names.size(); ++i) {
            if (a.value(i) != b.value(i))
                differing << names.at(i);
        }
        return differing;
    }

    static Rows minus(Rows a, Rows b)
    {
        const auto order = [](const QStringList &x, const QStringList &y) {
            return x.join(QChar(0x1f)) < y.join(QChar(0x1f));
        };
        std::sort(a.begin(), a.end(), order);
        std::sort(b.begin(), b.end(), order);
        Rows result;
        std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(result),
                            order);
        return result;
    }

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
            EXPECT_TRUE(shown().contains(QStringLiteral("nur angezeigt"))) << shown().toStdString();
            messages.clear();
        }
        const QString mark = fixture->writeMark(table);
        int count = 0;
        Recordset *rows = manager.recordset();
        ASSERT_TRUE(manager.HasRecord()) << shown().toStdString();
        for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml()) {
            const QString text = manager.GetRecordXml();
            EXPECT_EQ(manager.WriteRecord(text), table.editable) << text.toStdString();
            EXPECT_EQ(manager.GetRecordXml(), text) << "the row as stored is the row as shown";
            EXPECT_EQ(manager.WriteRecord(asTheFormWritesIt(manager, text)), table.editable)
                << asTheFormWritesIt(manager, text).toStdString();
            ++count;
            if (table.editable) {
                ASSERT_TRUE(messages.texts().isEmpty()) << shown().toStdString() << "\n"
                                                        << text.toStdString();
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

TEST_P(RealWorldSchemaTest, ChangingOneFieldChangesThatFieldAlone)
{
    for (const FixtureTable &table : fixture->tables()) {
        for (auto edit = table.edits.begin(); edit != table.edits.end(); ++edit) {
            SCOPED_TRACE((table.name + QLatin1Char('.') + edit.key()).toStdString());
            CAdoDataMgr manager;
            manager.Open(fixture->document(table), false);
            // The first row that shows something else.
            Recordset *rows = manager.recordset();
            while (!rows->IsEOF() &&
                   fieldsOf(manager.GetRecordXml()).value(edit.key()) == edit.value()) {
                rows->MoveNext();
                manager.BuildRecordXml();
            }
            ASSERT_FALSE(rows->IsEOF());
            RecordText::Fields record = fieldsOf(manager.GetRecordXml());
            record.set(edit.key(), edit.value());

            const Rows before = fixture->snapshot(table);
            ASSERT_TRUE(manager.WriteRecord(RecordText::write(record))) << shown().toStdString();
            const Rows after = fixture->snapshot(table);
            const Rows gone = minus(before, after);
            const Rows come = minus(after, before);
            ASSERT_EQ(gone.size(), 1);
            ASSERT_EQ(come.size(), 1);
            QStringList differing = differingColumns(table, gone.first(), come.first());
            for (const QString &computed : table.computed)
                differing.removeAll(computed);
            EXPECT_EQ(differing, QStringList(edit.key()));
            // What is stored now is what the user typed.
            const Variant stored = rows->Fields().Item(edit.key()).Value();
            // (char(n) pads what it is given.)
            EXPECT_TRUE(FieldConversion::isUnchanged(manager.GetColumnInfo(edit.key()), stored,
                                                     edit.value()) ||
                        stored.toString().trimmed() == edit.value())
                << stored.toString().toStdString();
            EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
        }
    }
}

TEST_P(RealWorldSchemaTest, RefusedValuesAreNamedAndWriteNothing)
{
    for (const FixtureTable &table : fixture->tables()) {
        for (auto edit = table.refusedEdits.begin(); edit != table.refusedEdits.end(); ++edit) {
            SCOPED_TRACE((table.name + QLatin1Char('.') + edit.key()).toStdString());
            CAdoDataMgr manager;
            manager.Open(fixture->document(table), false);
            RecordText::Fields record = fieldsOf(manager.GetRecordXml());
            // A change that would be fine goes with it, and is not written either.
            for (auto fine = table.edits.begin(); fine != table.edits.end(); ++fine) {
                if (fine.key() != edit.key() && !table.refusedEdits.contains(fine.key())) {
                    record.set(fine.key(), fine.value());
                    break;
                }
            }
            record.set(edit.key(), edit.value());
            const Rows before = fixture->snapshot(table);
            messages.clear();
            EXPECT_FALSE(manager.WriteRecord(RecordText::write(record)));
            ASSERT_EQ(messages.texts().size(), 1);
            EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("Feld ") + edit.key()) ||
                        messages.texts().first().startsWith(QStringLiteral("Ungültiger Wert in ") +
                                                            edit.key()))
                << shown().toStdString();
            EXPECT_EQ(manager.RefusedField(), edit.key());
            EXPECT_EQ(fixture->snapshot(table), before) << "not even the field that was fine";
            messages.clear();
        }
    }
}

TEST_P(RealWorldSchemaTest, ARecordTextThatCannotBeReadWritesNothing)
{
    const FixtureTable &table = fixture->table(QStringLiteral("kunden"));
    CAdoDataMgr manager;
    manager.Open(fixture->document(table), false);
    const Rows before = fixture->snapshot(table);
    const QString current = manager.GetRecordXml();
    // As texts were composed before the codec: a name with a blank, a raw
    // character XML cannot carry.
    for (const QString &broken :
         {QStringLiteral("<RECORDSET Kunden Nr=\"5\" name=\"a\" ></RECORDSET>"),
          QStringLiteral("<RECORDSET name=\"a&#11;b\" ></RECORDSET>"),
          current.left(current.size() - 3)}) {
        messages.clear();
        EXPECT_FALSE(manager.WriteRecord(broken)) << broken.toStdString();
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("nichts geändert")));
    }
    EXPECT_EQ(fixture->snapshot(table), before);
    EXPECT_EQ(manager.GetRecordXml(), current);
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
        EXPECT_EQ(manager.WriteRecord(RecordText::write(record)), table.editable)
            << shown().toStdString();
        EXPECT_EQ(int(fixture->snapshot(table).size()), before + (table.editable ? 1 : 0));
        if (!table.editable) {
            EXPECT_EQ(messages.texts().size(), 1);
            EXPECT_FALSE(manager.AddRecord());
            EXPECT_FALSE(manager.DeleteRecord());
            EXPECT_EQ(int(fixture->snapshot(table).size()), before);
            messages.clear();
            continue;
        }
        EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
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
            if (key.category == TypeCategory::WholeNumber)
                EXPECT_EQ(
                    manager.GetLastUpdateKey(),
                    db.scalar(QStringLiteral("SELECT MAX(%1) FROM %2")
                                  .arg(QLatin1Char('"') + key.name + QLatin1Char('"'), table.sql))
                        .toLongLong());
            else
                EXPECT_EQ(manager.GetLastUpdateKey(), -1) << "no number to remember";
        }
    }
}

// The record text of a row (looked up by a column's shown value) of a
// fixture table, as the form gets it.
RecordText::Fields shownRow(const SchemaFixture &fixture, const char *table, const char *column,
                            const char *value)
{
    CAdoDataMgr manager;
    manager.Open(fixture.document(fixture.table(QString::fromUtf8(table))), false);
    Recordset *rows = manager.recordset();
    for (manager.MoveFirst(); !rows->IsEOF(); rows->MoveNext(), manager.BuildRecordXml()) {
        RecordText::Fields record;
        EXPECT_TRUE(RecordText::read(manager.GetRecordXml(), &record));
        if (record.value(QString::fromUtf8(column)) == QString::fromUtf8(value))
            return record;
    }
    ADD_FAILURE() << "no row of " << table << " shows " << column << " = " << value;
    return {};
}

TEST(RealWorldSchemaPostgres, WhatTheFormShowsOfEachType)
{
    ScriptedMessages messages;
    TestDatabase db(DatabaseKind::PostgreSql);
    QRT_REQUIRE_DATABASE(db);
    SchemaFixture fixture(db);
    const auto expect = [](const RecordText::Fields &record, const QHash<QString, QString> &shown) {
        for (auto field = shown.begin(); field != shown.end(); ++field) {
            EXPECT_EQ(record.value(field.key()), field.value()) << field.key().toStdString();
            EXPECT_EQ(record.contains(field.key()), !field.value().isNull())
                << field.key().toStdString() << " is Null";
        }
    };
    expect(shownRow(fixture, "kunden", "Kunden Nr", "1004"),
           {{"Preis (EUR)", "53.48000000"},
            {"notiz", QStringLiteral("Steuerzeichen ") + QChar(11) + QChar(1) + " drin"},
            {"user", "bert"},
            {"order", "4"},
            {"Straße", QString()},
            {"postleitzahl", "10028"},
            {"status", "gelb"},
            {"kennung", "K4      "},
            {"aktiv", "True"}});
    expect(shownRow(fixture, "konten", "id", "5000000001"),
           {{"saldo", "-753.10000000"},
            {"zins", "Infinity"},
            {"quote", "0.28571430"},
            {"betrag", "2469135780.0246913578"},
            {"anzahl", "-2300"},
            {"gross", "5000000002"},
            {"geaendert", "08.03.2021 04:30:00.123"},
            {"tag", "03.03.2021"}});
    expect(shownRow(fixture, "konten", "id", "5000000004"), {{"betrag", "NaN"}});
    expect(shownRow(fixture, "konten", "id", "5000000003"), {{"zins", QString()}});
    expect(shownRow(fixture, "buchungen", "nr", "5000000000"),
           {{"konto", "5000000001"},
            {"netto", "10.50000000"},
            {"brutto", "12.49500000"},
            {"dauer", "1 day 01:01:00"},
            {"uhrzeit", "08:01:00.123456"},
            {"uhrzeit_tz", "13:45:00+01"},
            {"tags", "{a1,\"b c\",NULL}"},
            {"werte", "{1,2}"},
            {"daten", "{\"nr\": 1, \"text\": \"x y\"}"},
            {"datenb", "{\"nr\": 1}"},
            {"anhang", "\\x0001"},
            {"zeitpunkt", "02.01.2020 00:00:00"},
            {"erfasst", "05.06.2022 13:00:00"}});
    expect(shownRow(fixture, "crm.\"Ansprechpartner\"", "id", "2"),
           {{"Vorname", "Vor2"}, {"E-Mail", "p2@example.org"}, {"select", "True"}});
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    // What the form may change of them, and how.
    CAdoDataMgr manager;
    manager.Open(fixture.document(fixture.table(QStringLiteral("buchungen"))), false);
    for (const char *readOnly : {"brutto", "anhang"})
        EXPECT_TRUE(manager.GetColumnInfo(QString::fromLatin1(readOnly)).readOnly) << readOnly;
    for (const char *text : {"dauer", "uhrzeit", "uhrzeit_tz", "tags", "werte", "daten", "anhang"})
        EXPECT_EQ(manager.GetColumnInfo(QString::fromLatin1(text)).category, TypeCategory::Unknown)
            << text;
    EXPECT_EQ(manager.GetColumnInfo(QStringLiteral("konto")).category, TypeCategory::WholeNumber);

    // Rows holding NaN take a change like any other, with all the digits a
    // numeric column has.
    CAdoDataMgr accounts;
    accounts.Open(fixture.document(fixture.table(QStringLiteral("konten"))), false);
    RecordText::Fields record = shownRow(fixture, "konten", "id", "5000000004");
    record.set(QStringLiteral("betrag"), QStringLiteral("12345678901234567890,12345678"));
    while (!accounts.GetRecordXml().contains(QStringLiteral("id=\"5000000004\"")))
        accounts.MoveNext();
    ASSERT_TRUE(accounts.WriteRecord(RecordText::write(record)));
    EXPECT_EQ(db.scalar("SELECT betrag::text FROM konten WHERE id = 5000000004"),
              "12345678901234567890.1234567800");
    accounts.MoveFirst();
    record = shownRow(fixture, "konten", "id", "5000000000");
    EXPECT_EQ(record.value(QStringLiteral("zins")), QStringLiteral("NaN"));
    record.set(QStringLiteral("zins"), QStringLiteral("2,5"));
    ASSERT_TRUE(accounts.WriteRecord(RecordText::write(record)));
    EXPECT_EQ(db.scalar("SELECT zins::text FROM konten WHERE id = 5000000000"), "2.5");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST(RealWorldSchemaSqlite, ChangedValuesAreWrittenInTheFormTheColumnUses)
{
    ScriptedMessages messages;
    TestDatabase db(DatabaseKind::Sqlite);
    QRT_REQUIRE_DATABASE(db);
    SchemaFixture fixture(db);
    const FixtureTable &table = fixture.table(QStringLiteral("termine"));
    const auto stored = [&db](const char *column, int id) {
        return db.scalar(QStringLiteral("SELECT typeof(%1) || ':' || %1 FROM termine WHERE id = %2")
                             .arg(QLatin1String(column))
                             .arg(id));
    };

    // Row 4 holds an ISO text with "T", milliseconds and "Z", a julian day
    // with a quarter day, a unix time, 'false'/'Y' words and an integer 0.
    CAdoDataMgr manager;
    manager.Open(fixture.document(table), false);
    while (!manager.GetRecordXml().contains(QStringLiteral("id=\"4\"")))
        manager.MoveNext();
    RecordText::Fields record;
    ASSERT_TRUE(RecordText::read(manager.GetRecordXml(), &record));
    EXPECT_EQ(record.value(QStringLiteral("iso")), QStringLiteral("05.06.2022 13:00:00"));
    EXPECT_EQ(record.value(QStringLiteral("julian")), QStringLiteral("05.03.2021 00:00:00"));
    EXPECT_EQ(record.value(QStringLiteral("unix")), QStringLiteral("05.03.2021 00:00:00"));
    EXPECT_EQ(record.value(QStringLiteral("bezahlt")), QStringLiteral("True"));
    // A new day alone keeps the time of day each held.
    for (const char *column : {"iso", "julian", "unix"})
        record.set(QString::fromLatin1(column), QStringLiteral("2024-2-29"));
    record.set(QStringLiteral("erledigt"), QStringLiteral("True"));
    record.set(QStringLiteral("bezahlt"), QStringLiteral("False"));
    record.set(QStringLiteral("aktiv"), QStringLiteral("True"));
    ASSERT_TRUE(manager.WriteRecord(RecordText::write(record)))
        << messages.texts().join('\n').toStdString();
    EXPECT_EQ(stored("iso", 4), "text:2024-02-29T13:00:00.000Z");
    EXPECT_EQ(stored("julian", 4), "real:2460369.5");
    EXPECT_EQ(stored("unix", 4), "integer:1709164800");
    EXPECT_EQ(stored("erledigt", 4), "text:true");
    EXPECT_EQ(stored("bezahlt", 4), "text:N");
    EXPECT_EQ(stored("aktiv", 4), "integer:1");

    // A new row has no form of its own: it takes the column's.
    manager.AddRecord();
    RecordText::Fields fresh;
    fresh.set(QStringLiteral("julian"), QStringLiteral("2024-2-29"));
    fresh.set(QStringLiteral("unix"), QStringLiteral("2024-2-29"));
    fresh.set(QStringLiteral("bezahlt"), QStringLiteral("True"));
    fresh.set(QStringLiteral("erledigt"), QStringLiteral("False"));
    ASSERT_TRUE(manager.WriteRecord(RecordText::write(fresh)));
    const int id = int(manager.GetLastUpdateKey());
    EXPECT_EQ(stored("julian", id), "real:2460369.5");
    EXPECT_EQ(stored("unix", id), "integer:1709164800");
    EXPECT_EQ(stored("bezahlt", id), "text:Y");
    EXPECT_EQ(stored("erledigt", id), "text:false");
    EXPECT_FALSE(stored("angelegt", id).isEmpty()) << "the column's default";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// Whatever the library and its drivers write on the side (qWarning and the
// like) while the object lives.
class SideMessages
{
public:
    SideMessages()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&record);
    }
    ~SideMessages()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    const QStringList &texts() const { return m_texts; }

private:
    static void record(QtMsgType, const QMessageLogContext &, const QString &text)
    {
        if (s_current)
            s_current->m_texts << text;
    }

    static inline SideMessages *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    QStringList m_texts;
};

TEST_P(RealWorldSchemaTest, ARefusedUpdateKeepsTheRowAndTheConsoleQuiet)
{
    const FixtureTable &table = fixture->table(QStringLiteral("positionen"));
    CAdoDataMgr manager;
    manager.Open(fixture->document(table), false);
    RecordText::Fields record = fieldsOf(manager.GetRecordXml());
    record.set(QStringLiteral("artikel"), QStringLiteral("geändert"));
    record.set(QStringLiteral("menge"), QStringLiteral("-1")); // CHECK (menge >= 0)
    const Rows before = fixture->snapshot(table);
    SideMessages side;
    for (int attempt = 0; attempt < 2; ++attempt) {
        messages.clear();
        EXPECT_FALSE(manager.WriteRecord(RecordText::write(record)))
            << "the engine took a negative amount";
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_TRUE(messages.texts().first().startsWith("Der Wert im Feld menge verstößt gegen"))
            << shown().toStdString();
        EXPECT_EQ(manager.RefusedField(), "menge");
    }
    manager.MoveNext(); // drops what the refused update left pending
    EXPECT_EQ(fixture->snapshot(table), before);
    EXPECT_TRUE(side.texts().isEmpty()) << side.texts().join('\n').toStdString();
}

TEST_P(RealWorldSchemaTest, ComputedKeysBeyondThirtyTwoBits)
{
    db.exec({QStringLiteral("CREATE TABLE gross (id BIGINT NOT NULL PRIMARY KEY, name TEXT)"),
             QStringLiteral("INSERT INTO gross VALUES (5000000050, 'a'), (7, 'b')")});
    CKeloForm form;
    form.Init(db.dbName(), db.serverName(), db.userId(), db.password(), QStringLiteral("gross"),
              ns_qrttypen::KELODBTyp(int(db.kind())));
    form.RemoveColumn(QStringLiteral("id"), true);
    CAdoDataMgr manager;
    manager.Open(form.FilledDocument(CKeloForm::EntryPoint::ShowForm), true);
    ASSERT_TRUE(manager.WriteRecord(QStringLiteral("<RECORDSET name=\"c\" ></RECORDSET>")))
        << shown().toStdString();
    EXPECT_EQ(manager.GetLastUpdateKey(), Q_INT64_C(5000000051));
    EXPECT_EQ(db.scalar("SELECT name FROM gross WHERE id = 5000000051"), "c");
    // The filter offers and finds such keys too (on a form that shows the key).
    CKeloForm shownKey;
    shownKey.Init(db.dbName(), db.serverName(), db.userId(), db.password(), QStringLiteral("gross"),
                  ns_qrttypen::KELODBTyp(int(db.kind())));
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(shownKey.FilledDocument(CKeloForm::EntryPoint::ShowForm)));
    QStringList keys;
    filter.GetDistinctValues(QStringLiteral("id"), keys);
    EXPECT_EQ(keys, QStringList({"7", "5000000050", "5000000051"}));
    ASSERT_EQ(filter.AddCriterion(filter.FindColumn(QStringLiteral("id")), FilterCondition::Greater,
                                  QStringLiteral("5000000050"), QDate()),
              CFilterMgr::AddResult::Added);
    manager.ChangeFilter(filter.GetCondition());
    EXPECT_TRUE(manager.GetRecordXml().contains(QStringLiteral("id=\"5000000051\"")));
    EXPECT_TRUE(messages.texts().isEmpty()) << shown().toStdString();
}

// --- filters ---------------------------------------------------------------------

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
            if (text == QLatin1String("Infinity"))
                return HUGE_VAL;
            if (text == QLatin1String("-Infinity"))
                return -HUGE_VAL;
            return text.toDouble();
        };
        const double a = number(shown);
        const double b = number(value);
        if (category == TypeCategory::Fractional &&
            Variant::decimal(QString(shown)) == Variant::decimal(QString(value).replace(',', '.')))
            return 0;
        return a < b ? -1 : a > b ? 1 : 0;
    }
    case TypeCategory::Date: {
        // The day of a date with its time of day.
        const QDate a = QDate::fromString(shown.left(10), QStringLiteral("dd.MM.yyyy"));
        const QDate b = QDate::fromString(value, QStringLiteral("dd.MM.yyyy"));
        return a < b ? -1 : a > b ? 1 : 0;
    }
    case TypeCategory::YesNo:
        return (shown.toUpper() == QLatin1String("TRUE")) == (value == QLatin1String("true")) ? 0
                                                                                              : 1;
    case TypeCategory::Text:
    case TypeCategory::Unknown:
        return shown == value ? 0 : 1;
    }
    return 1;
}

// A value of the column to filter by: one from the middle of the values the
// filter dialog offers, that a criterion can take.
QString pickValue(const QStringList &values)
{
    for (qsizetype i = values.size() / 2, tried = 0; tried < values.size();
         ++tried, i = (i + 1) % values.size()) {
        if (!values.at(i).contains(QLatin1Char('\'')) && values.at(i).size() <= 60)
            return values.at(i);
    }
    return QString();
}

TEST_P(RealWorldSchemaTest, AFilterOnEveryColumnFindsTheRightRowsOrIsRefused)
{
    for (const FixtureTable &table : fixture->tables()) {
        const QString document = fixture->document(table);
        CFilterMgr filter;
        ASSERT_TRUE(filter.LoadConfig(document)) << shown().toStdString();
        CAdoDataMgr manager;
        manager.Open(document, false);
        const QVector<RecordText::Fields> all = records(manager);
        ASSERT_EQ(all.size(), table.rows);
        messages.clear();

        for (const ColumnInfo &column : filter.columns()) {
            SCOPED_TRACE((table.name + QLatin1Char('.') + column.name).toStdString());
            const qint32 position = filter.FindColumn(column.name);
            QStringList values;
            filter.GetDistinctValues(column.name, values);
            const QString value = pickValue(values);
            ASSERT_FALSE(value.isEmpty()) << values.join(" | ").toStdString();
            const QDate date = QDate::fromString(value, QStringLiteral("dd.MM.yyyy"));

            QHash<qint32, int> found;
            for (const qint32 condition : filter.ConditionsFor(position)) {
                SCOPED_TRACE(FilterCondition::listText(condition).toStdString());
                filter.ResetCriteria();
                messages.clear();
                const QString typed =
                    condition == FilterCondition::Contains ? value.left(3) : value;
                const CFilterMgr::AddResult added =
                    filter.AddCriterion(position, condition, typed, date);
                if (table.unfilterable.contains(column.name) &&
                    condition != FilterCondition::NoValue) {
                    EXPECT_EQ(added, CFilterMgr::AddResult::Refused);
                    EXPECT_TRUE(shown().contains(QStringLiteral("nicht gefiltert werden")))
                        << shown().toStdString();
                    continue;
                }
                ASSERT_EQ(added, CFilterMgr::AddResult::Added)
                    << shown().toStdString() << " (" << typed.toStdString() << ")";
                ASSERT_TRUE(filter.TestCondition()) << filter.GetSelectStatement().toStdString();

                manager.ChangeFilter(filter.GetCondition());
                const QVector<RecordText::Fields> rows = records(manager);
                found[condition] = int(rows.size());
                for (const RecordText::Fields &row : rows) {
                    const bool hasValue = row.contains(column.name);
                    const QString shownValue = row.value(column.name);
                    const int order = compareShown(column.category, shownValue, value);
                    // A day shown may still differ in its time of day, a
                    // floating-point number in the digits beyond those shown.
                    const bool hidden = column.category == TypeCategory::Date ||
                                        column.typeName == QLatin1String("double") ||
                                        column.typeName == QLatin1String("single");
                    switch (condition) {
                    case FilterCondition::Equal:
                        EXPECT_TRUE(hasValue && order == 0) << shownValue.toStdString();
                        break;
                    case FilterCondition::NotEqual:
                        EXPECT_TRUE(hasValue && (order != 0 || hidden)) << shownValue.toStdString();
                        break;
                    case FilterCondition::Greater:
                        EXPECT_TRUE(hasValue && order >= (hidden ? 0 : 1))
                            << shownValue.toStdString();
                        break;
                    case FilterCondition::Less:
                        EXPECT_TRUE(hasValue && order <= (hidden ? 0 : -1))
                            << shownValue.toStdString();
                        break;
                    case FilterCondition::Contains:
                        EXPECT_TRUE(shownValue.contains(typed, Qt::CaseInsensitive))
                            << shownValue.toStdString();
                        break;
                    case FilterCondition::NoValue:
                        EXPECT_FALSE(hasValue) << shownValue.toStdString();
                        break;
                    }
                }
                EXPECT_TRUE(messages.texts().isEmpty() ||
                            (!table.editable && shown().contains(QStringLiteral("nur angezeigt"))))
                    << shown().toStdString();
            }
            if (table.unfilterable.contains(column.name))
                continue;

            // What the rows show says how many each condition must find.
            int equal = 0;
            int empty = 0;
            int containing = 0;
            for (const RecordText::Fields &row : all) {
                if (!row.contains(column.name))
                    ++empty;
                else if (compareShown(column.category, row.value(column.name), value) == 0)
                    ++equal;
                if (row.value(column.name).contains(value.left(3), Qt::CaseInsensitive))
                    ++containing;
            }
            const int total = int(all.size());
            EXPECT_EQ(found.value(FilterCondition::NoValue), empty);
            if (column.category == TypeCategory::Date ||
                column.typeName == QLatin1String("double") ||
                column.typeName == QLatin1String("single")) {
                // The day shown may hold a time of day: "gleich" is its
                // midnight; a floating-point number more digits than shown.
                EXPECT_LE(found.value(FilterCondition::Equal), equal);
            } else {
                EXPECT_EQ(found.value(FilterCondition::Equal), equal);
            }
            // Values shown rounded (fractions, days with a time) need not
            // meet any row exactly; all others come from one.
            if (column.category != TypeCategory::Date &&
                column.category != TypeCategory::Fractional) {
                EXPECT_GE(equal, 1);
            }
            EXPECT_EQ(found.value(FilterCondition::Equal) + found.value(FilterCondition::NotEqual) +
                          found.value(FilterCondition::NoValue),
                      total);
            if (found.contains(FilterCondition::Greater)) {
                EXPECT_EQ(
                    found.value(FilterCondition::Greater) + found.value(FilterCondition::Less) +
                        found.value(FilterCondition::Equal) + found.value(FilterCondition::NoValue),
                    total);
            }
            if (found.contains(FilterCondition::Contains)) {
                EXPECT_EQ(found.value(FilterCondition::Contains), containing);
            }
        }
    }
}

QRT_INSTANTIATE_FOR_ENGINES(RealWorldSchemaTest);

} // namespace
