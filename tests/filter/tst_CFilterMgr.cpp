#include "FilterTestSupport.h"

#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace {

const QString kNumeric = QStringLiteral(
    "Die gewählte Spalte ist numerisch. Bitte geben Sie eine Zahl als Filterkriterium ein!");
const QString kEmpty = "Bitte ein Filterkriterium eingeben!";
const QString kQuote = "Bitte keine einfachen Anführungszeichen im Filtertext verwenden!";
const QString kYesNo = QStringLiteral("Die gewählte Spalte ist ein Ja/Nein-Feld. Bitte geben Sie "
                                      "ja oder nein als Filterkriterium ein!");
const QString kDropped =
    QStringLiteral("Der Filter bezieht sich auf Spalten, die nicht mehr in der Datenbank "
                   "vorkommen. Diese Kriterien werden nicht berückichtigt!");

HandConfiguredFilterMgr kundenOf(DatabaseKind kind)
{
    return HandConfiguredFilterMgr(kind, {{"Name", TypeCategory::Text},
                                          {"Alter", TypeCategory::WholeNumber},
                                          {"Betrag", TypeCategory::Fractional},
                                          {"Datum", TypeCategory::Date},
                                          {"Aktiv", TypeCategory::YesNo},
                                          {"Bild", TypeCategory::Unknown}});
}

TEST(CFilterMgr, EveryCategoryBecomesTheConditionOfEachDatabaseKind)
{
    struct Expected
    {
        DatabaseKind kind;
        const char *contains;
        const char *date;
        const char *noValue;
    };
    const Expected kinds[] = {{DatabaseKind::Access, " LIKE ", "#2020-5-17#", " = NULL"},
                              {DatabaseKind::SqlServer, " LIKE ", "'2020-5-17'", " IS NULL"},
                              {DatabaseKind::Sqlite, " LIKE ", "'2020-05-17'", " IS NULL"},
                              {DatabaseKind::PostgreSql, " ILIKE ", "'2020-05-17'", " IS NULL"}};
    const QDate may17(2020, 5, 17);
    for (const Expected &expected : kinds) {
        SCOPED_TRACE(engineName(expected.kind));
        ScriptedMessages messages;
        HandConfiguredFilterMgr mgr = kundenOf(expected.kind);
        EXPECT_EQ(mgr.GetCondition(), "");
        EXPECT_EQ(mgr.GetSelectStatement(), "SELECT * FROM Kunden WHERE ");

        const struct
        {
            const char *column;
            qint32 condition;
            const char *typed;
            const char *line;
        } inputs[] = {{"Name", 1, "Meier", "Name gleich 'Meier'"},
                      {"Name", 3, "Mei%er", "Name enthält 'Mei%er'"},
                      {"Alter", 4, "30", "Alter größer 30"},
                      {"Betrag", 5, "12,5", "Betrag kleiner 12,5"},
                      {"Datum", 4, "", "Datum größer 17.05.2020"},
                      {"Aktiv", 2, "0", "Aktiv ungleich 0"},
                      {"Bild", 6, "egal", "Bild ohne Wert "}};
        for (const auto &input : inputs) {
            QString line;
            EXPECT_EQ(mgr.AddCriterion(mgr.FindColumn(input.column), input.condition, input.typed,
                                       may17, &line),
                      CFilterMgr::AddResult::Added);
            EXPECT_EQ(line, input.line);
        }
        // A field's value, excluded: its quote is doubled, and an empty
        // field differs from it; an empty value excluded asks for one.
        QString line;
        EXPECT_EQ(mgr.AddSelection("Name", Variant(QStringLiteral("O'Brien")), true, &line),
                  CFilterMgr::AddResult::Added);
        EXPECT_EQ(line, "Name außer 'O'Brien'");
        EXPECT_EQ(mgr.AddSelection("Alter", Variant::null(), true), CFilterMgr::AddResult::Added);
        // "enthält" looks for the percent sign the user typed, not for a wildcard.
        EXPECT_EQ(mgr.GetCondition(),
                  QStringLiteral(" Name='Meier' AND Name%1'%Mei\\%er%' ESCAPE '\\' AND Alter>30 "
                                 "AND Betrag<12.5 AND Datum>%2 AND Aktiv<>0 AND Bild%3 AND "
                                 "(Name<>'O''Brien' OR Name%3) AND Alter IS NOT NULL")
                      .arg(expected.contains, expected.date, expected.noValue));
        EXPECT_TRUE(mgr.GetSelectStatement().startsWith("SELECT * FROM Kunden WHERE  Name="));

        // Listed again, the lines come from the stored operands: the decimal
        // point stays, the pattern reads as typed, the date is read back.
        EXPECT_EQ(mgr.ListCriteria(),
                  QStringList({"Name gleich 'Meier'", "Name enthält 'Mei%er'", "Alter größer 30",
                               "Betrag kleiner 12,5", "Datum größer 17.05.2020", "Aktiv ungleich 0",
                               "Bild ohne Wert ", "Name außer 'O'Brien'", "Alter mit Wert "}));
        EXPECT_EQ(mgr.ParseSqlDate(expected.date), may17);
        EXPECT_TRUE(messages.texts().isEmpty());
    }
}

TEST(CFilterMgr, InputThatCannotBecomeACriterionIsRefusedWithItsMessage)
{
    ScriptedMessages messages;
    HandConfiguredFilterMgr mgr = kundenOf(DatabaseKind::Sqlite);
    const QDate today = QDate::currentDate();
    const struct
    {
        const char *column;
        qint32 condition;
        const char *typed;
        QString message;
    } refused[] = {
        {"Name", 1, "", kEmpty},
        {"Alter", 1, "", kEmpty}, // the empty check comes before the numeric one
        {"Betrag", 1, "12.5", kNumeric},
        {"Betrag", 1, " \t", kNumeric}, // blanks are no number
        {"Alter", 5, "1e3", kNumeric},
        {"Name", 3, "O'Brien", kQuote},
        // Every accepted value must be one literal: these would be an
        // expression, or end the condition in a comment.
        {"Alter", 1, "1--", kNumeric},
        {"Alter", 1, "-1,5,-", kNumeric},
        {"Betrag", 1, "1-2", kNumeric},
        {"Betrag", 1, "--1", kNumeric},
        {"Aktiv", 1, "1 OR 1=1", kYesNo},
        {"Aktiv", 1, "vielleicht", kYesNo},
        {"Bild", 1, "x' OR 'a'='a", kQuote},
    };
    for (const auto &input : refused) {
        messages.clear();
        EXPECT_EQ(
            mgr.AddCriterion(mgr.FindColumn(input.column), input.condition, input.typed, today),
            CFilterMgr::AddResult::Refused)
            << input.column << " " << input.typed;
        EXPECT_EQ(messages.texts(), QStringList(input.message));
    }
    messages.clear();
    EXPECT_EQ(mgr.AddCriterion(-1, 1, "Meier", today), CFilterMgr::AddResult::NoColumn);
    EXPECT_EQ(mgr.FindColumn("name"), -1) << "column names match exactly";
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_TRUE(mgr.criteria().isEmpty());

    // What the checks let through: numbers as the form reads them (thousands
    // points, a decimal comma; a comma in a whole number is refused), a
    // date without typed text, no value for "ohne Wert", a percent sign, the
    // German yes, and a value of an unknown type as a text literal.
    EXPECT_EQ(mgr.AddCriterion(1, 1, "-1,5", today), CFilterMgr::AddResult::Refused);
    messages.clear();
    EXPECT_EQ(mgr.AddCriterion(1, 1, "-1.500", today), CFilterMgr::AddResult::Added);
    EXPECT_EQ(mgr.AddCriterion(3, 1, "", QDate(2021, 3, 7)), CFilterMgr::AddResult::Added);
    EXPECT_EQ(mgr.AddCriterion(0, 6, "", today), CFilterMgr::AddResult::Added);
    QString line;
    EXPECT_EQ(mgr.AddCriterion(0, 1, "100%", today, &line), CFilterMgr::AddResult::Added);
    EXPECT_EQ(line, "Name gleich '100'");
    EXPECT_EQ(mgr.criteria().last().value, "'100%'");
    EXPECT_EQ(mgr.AddCriterion(4, 1, "Ja", today), CFilterMgr::AddResult::Added);
    EXPECT_EQ(mgr.AddCriterion(5, 2, "3f2b", today), CFilterMgr::AddResult::Added);
    EXPECT_EQ(mgr.GetCondition(), " Alter=-1500 AND Datum='2021-03-07' AND Name IS NULL AND "
                                  "Name='100%' AND Aktiv=true AND Bild<>'3f2b'");
    EXPECT_TRUE(messages.texts().isEmpty());
}

TEST(CFilterMgr, CriteriaOnColumnsThatHaveGoneAreAnnouncedAndDropped)
{
    ScriptedMessages messages;
    HandConfiguredFilterMgr mgr = kundenOf(DatabaseKind::SqlServer);
    const QDate today = QDate::currentDate();
    mgr.AddCriterion(mgr.FindColumn("Alter"), 4, "30", today);
    mgr.AddCriterion(mgr.FindColumn("Name"), 1, "Meier", today);
    mgr.AddCriterion(mgr.FindColumn("Alter"), 5, "65", today);
    mgr.AddCriterion(mgr.FindColumn("Datum"), 4, "", QDate(2020, 5, 17));
    mgr.forgetColumn("Alter");

    // Until the user has been told, the filter is refused, never built
    // without the criteria: that would show more records than asked for.
    QString condition;
    QString why;
    EXPECT_FALSE(mgr.BuildCondition(&condition, &why));
    EXPECT_TRUE(why.contains("Spalte Alter nicht in der Tabelle")) << why.toStdString();
    EXPECT_EQ(mgr.GetCondition(), " 1=0") << "no record, rather than all";
    EXPECT_TRUE(messages.texts().isEmpty());

    EXPECT_EQ(mgr.ListCriteria(), QStringList({"Name gleich 'Meier'", "Datum größer 17.05.2020"}));
    EXPECT_EQ(messages.texts(), QStringList({kDropped, kDropped})) << "once per criterion";
    EXPECT_EQ(mgr.GetCondition(), " Name='Meier' AND Datum>'2020-5-17'");

    // Operands edited by hand in the table: a day that does not exist, or
    // the Access quote on SQL Server, is shown as stored.
    EXPECT_EQ(mgr.CriterionLine({"Datum", 1, "'2021-2-30'"}), "Datum gleich '2021-2-30'");
    EXPECT_EQ(mgr.CriterionLine({"Datum", 1, "#2021-2-3#"}), "Datum gleich #2021-2-3#");
}

} // namespace
