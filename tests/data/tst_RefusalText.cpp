#include "data/RefusalText.h"

#include <gtest/gtest.h>

// The sentences a refusal of the database becomes: fields by caption, what
// to do, the database's words apart. (A unique field and a delete refused
// are told through the record manager, in its test.)

namespace {

using Rule = EngineRefusal::Rule;
using Action = RefusalText::Action;

EngineRefusal refusal(Rule rule, QStringList columns, QString otherTable = QString(),
                      QString constraint = QString(), QString typeName = QString(),
                      QStringList allowed = QStringList())
{
    EngineRefusal refusal;
    refusal.rule = rule;
    refusal.columns = std::move(columns);
    refusal.otherTable = std::move(otherTable);
    refusal.constraint = std::move(constraint);
    refusal.typeName = std::move(typeName);
    refusal.allowedValues = std::move(allowed);
    return refusal;
}

TEST(RefusalText, EachRuleNamesTheFieldsAndWhatToDo)
{
    const QHash<QString, QString> captions = {
        {"vorname", "&Vorname:"}, {"name", "Name"},        {"kunde", "Kunde"},
        {"status", "Status"},     {"tags", "Schlagworte"}, {"anzahl", "Anzahl"},
        {"preis", "Preis"},       {"menge", "Menge"},      {"raum", "Raum"}};
    const struct
    {
        EngineRefusal refusal;
        Action action;
        const char *sentence;
    } cases[] = {
        {refusal(Rule::Unique, {"vorname", "name"}), Action::Save,
         "Die Felder Vorname und Name müssen zusammen eindeutig sein: ein anderer Datensatz hat "
         "schon diese Werte. Bitte ändern Sie einen davon."},
        {refusal(Rule::Unique, {}, {}, "kunden_lower_email"), Action::Save,
         "Ein anderer Datensatz hat schon dieselben Werte (Regel kunden_lower_email). Bitte "
         "ändern Sie Ihre Eingaben."},
        {refusal(Rule::StillReferenced, {"nr"}, "Bestellungen"), Action::Save,
         "Das Feld nr kann nicht geändert werden: in der Tabelle Bestellungen verweisen noch "
         "Datensätze auf den bisherigen Wert."},
        {refusal(Rule::MissingParent, {"kunde"}, "Kunden"), Action::Save,
         "Das Feld Kunde verweist auf einen Datensatz, den es in der Tabelle Kunden nicht gibt. "
         "Bitte geben Sie einen vorhandenen Wert ein."},
        {refusal(Rule::NotNull, {"name"}), Action::Save,
         "Das Feld Name muss einen Wert enthalten."},
        {refusal(Rule::Check, {"menge"}, {}, "menge_positiv"), Action::Save,
         "Der Wert im Feld Menge verstößt gegen die Regel menge_positiv. Bitte korrigieren Sie "
         "ihn."},
        {refusal(Rule::Exclusion, {"raum"}, {}, "keine_doppelbuchung"), Action::Save,
         "Der Wert im Feld Raum überschneidet sich mit einem anderen Datensatz (Regel "
         "keine_doppelbuchung). Bitte ändern Sie ihn."},
        {refusal(Rule::OutOfRange, {"anzahl"}, {}, {}, "smallint"), Action::Save,
         "Das Feld Anzahl nimmt nur ganze Zahlen von -32.768 bis 32.767 an."},
        {refusal(Rule::OutOfRange, {"preis"}, {}, {}, "numeric(6,2)"), Action::Save,
         "Das Feld Preis nimmt nur Zahlen mit höchstens 4 Stellen vor dem Komma an."},
        {refusal(Rule::InvalidText, {"status"}, {}, {}, "ampel", {"rot", "gelb", "grün"}),
         Action::Save, "Das Feld Status nimmt nur diese Werte an: rot, gelb, grün."},
        {refusal(Rule::InvalidText, {"tags"}, {}, {}, "text[]"), Action::Save,
         "Das Feld Schlagworte nimmt eine Liste in der Form {a,b} an."},
        {refusal(Rule::InvalidText, {"kennung"}, {}, {}, "uuid"), Action::Save,
         "Der Wert im Feld kennung passt nicht zum Datentyp uuid. Bitte korrigieren Sie ihn."},
    };
    for (const auto &row : cases) {
        EXPECT_EQ(RefusalText::message(row.refusal, row.action, captions, QString()),
                  QString::fromUtf8(row.sentence));
    }
}

TEST(RefusalText, TheDatabasesWordsFollowWithoutTheDriversCode)
{
    EngineRefusal unique = refusal(Rule::Unique, {"email"});
    unique.sqlState = "23505";
    EXPECT_TRUE(
        RefusalText::message(unique, Action::Save, {}, "FEHLER:  doppelter Schlüsselwert\n(23505)")
            .endsWith("Bitte geben Sie einen anderen ein.\n\nMeldung der Datenbank: "
                      "FEHLER:  doppelter Schlüsselwert"));
}

TEST(RefusalText, AFieldTheDatabaseFillsSaysWhy)
{
    const std::pair<ReadOnlyReason, const char *> reasons[] = {
        {ReadOnlyReason::Generated, "sein Wert wird von der Datenbank berechnet."},
        {ReadOnlyReason::Identity, "sein Wert wird von der Datenbank vergeben."}};
    for (const auto &[reason, why] : reasons) {
        EXPECT_EQ(RefusalText::readOnlyField("Brutto", reason),
                  "Das Feld Brutto kann nicht geändert werden: " + QString::fromUtf8(why));
    }
}

} // namespace
