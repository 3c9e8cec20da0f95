// The filter's value checks with any input: AddCriterion (its checks, then
// FormatValue) on every column category, then GetCondition.
//
// Properties: whatever the user types, an accepted value stays one operand:
// the condition is exactly as many criteria joined by AND as were accepted,
// with nothing outside the literals and names that could end, comment out
// or extend the statement (no ";", "--", "/*", OR, UNION, SELECT,
// unbalanced parentheses or quotes); the one OR is the library's own, in
// "außer": (column<>operand OR column IS NULL). With the input's high bits: the
// criteria saved under any name load back unchanged; and criteria stored by
// hand (any column, code and operand) never put SQL of theirs outside the
// literals.
#include "FuzzSupport.h"

#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "platform/RecordingMessages.h"

#include <QDate>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<CFilterMgr> g_filter;

// The condition's words outside quoted literals and names, each literal
// replaced by "L" and each quoted name by "N"; false when a quote is open
// at the end.
bool skeleton(const QString &condition, QString *outside)
{
    outside->clear();
    qsizetype i = 0;
    const qsizetype n = condition.size();
    while (i < n) {
        const QChar c = condition.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // '' and "" stand for one quote inside.
            ++i;
            for (;;) {
                if (i >= n)
                    return false;
                if (condition.at(i) == c) {
                    if (i + 1 < n && condition.at(i + 1) == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            *outside += c == QLatin1Char('\'') ? QStringLiteral(" L ") : QStringLiteral(" N ");
            continue;
        }
        *outside += c;
        ++i;
    }
    return true;
}

// The skeleton without the library's own OR of "außer" around one operand.
QString withoutExcept(QString outside)
{
    static const QRegularExpression except(
        QStringLiteral("\\(([A-Za-z_][A-Za-z_0-9]*| N )<>( L |X L |-?[0-9.]+|true|false) OR \\1 IS "
                       "NULL\\)"));
    return outside.replace(except, QStringLiteral(" E "));
}

void checkStructure(const QString &condition, int criteria)
{
    QString outside;
    fuzz::check(skeleton(condition, &outside), "every quote of the condition is closed", condition);
    outside = withoutExcept(outside);
    const QString context = condition + QStringLiteral("\noutside the literals: ") + outside;
    for (const char *forbidden : {";", "--", "/*", "*/"})
        fuzz::check(!outside.contains(QLatin1String(forbidden)),
                    "nothing outside the literals ends or comments the statement", context);
    static const QRegularExpression word(QStringLiteral("[A-Za-z_][A-Za-z_0-9]*"));
    int ands = 0;
    for (auto it = word.globalMatch(outside); it.hasNext();) {
        const QString w = it.next().captured().toUpper();
        if (w == QLatin1String("AND"))
            ++ands;
        fuzz::check(w != QLatin1String("OR") && w != QLatin1String("UNION") &&
                        w != QLatin1String("SELECT"),
                    "no operator or statement of the user's outside the literals", context);
    }
    fuzz::check(criteria == 0 ? condition.isEmpty() : ands == criteria - 1,
                "the condition is the accepted criteria joined by AND",
                context + QStringLiteral("\ncriteria: %1").arg(criteria));
    int depth = 0;
    for (const QChar c : outside) {
        depth += c == QLatin1Char('(') ? 1 : c == QLatin1Char(')') ? -1 : 0;
        fuzz::check(depth >= 0, "parentheses are balanced", context);
    }
    fuzz::check(depth == 0, "parentheses are balanced", context);
}

bool sameCriteria(const QVector<FilterCriterion> &a, const QVector<FilterCriterion> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).column != b.at(i).column || a.at(i).condition != b.at(i).condition ||
            a.at(i).value != b.at(i).value)
            return false;
    }
    return true;
}

// Saved under any name, the criteria come back as they were under that
// name, and the filter can be found and deleted again; or the save is
// refused as a whole, leaving no filter row of that name.
void saveAndLoad(const QString &name)
{
    const QVector<FilterCriterion> saved = g_filter->criteria();
    bool stored = false;
    try {
        stored = g_filter->SaveFilter(name);
    } catch (const ComError &) {
    }
    qint32 key = -1;
    try {
        key = g_filter->FindFilterId(name);
    } catch (const ComError &error) {
        fuzz::fail("looking a filter up by any name", name + QLatin1Char('\n') + error.message());
    }
    if (!stored) {
        fuzz::check(key < 0, "a refused save leaves no filter", name);
        return;
    }
    fuzz::check(key >= 0, "a saved filter is found by its name", name);
    try {
        g_filter->ResetCriteria();
        g_filter->LoadFilter(name);
        fuzz::check(sameCriteria(g_filter->criteria(), saved),
                    "a saved filter loads the criteria it was saved with", name);
        g_filter->DeleteFilter(key);
        fuzz::check(g_filter->FindFilterId(name) < 0, "a deleted filter is gone", name);
    } catch (const ComError &error) {
        fuzz::fail("loading and deleting a saved filter",
                   name + QLatin1Char('\n') + error.message());
    }
}

// Criteria as a stored filter may hold them after editing by hand: any
// column, code and operand. The condition keeps its structure: at most one
// criterion per stored row, nothing outside the literals of the user's.
void storedCriteria(const QStringList &values, const uint8_t *codes, int count)
{
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("fuzz-check"));
    QSqlQuery query(db);
    query.exec(QStringLiteral("DELETE FROM QRTFILTERITEM WHERE QRTFILTER_ID = 999999"));
    query.exec(QStringLiteral("DELETE FROM QRTFILTER WHERE QRTFILTER_ID = 999999"));
    fuzz::check(query.exec(QStringLiteral("INSERT INTO QRTFILTER VALUES (999999, 'von Hand')")),
                "storing the hand-made filter");
    static const char *columns[] = {"name", "anzahl", "betrag", "datum", "aktiv", "bild", "fehlt"};
    for (int i = 0; i < count; ++i) {
        query.prepare(QStringLiteral("INSERT INTO QRTFILTERITEM VALUES (?, 999999, ?, ?, ?)"));
        query.addBindValue(999999 + i);
        query.addBindValue(QString::fromLatin1(columns[codes[i * 4] % 7]));
        query.addBindValue(int(codes[i * 4 + 1] % 11) - 1);
        // WERT is NOT NULL; a null text would be bound as NULL.
        query.addBindValue(values.at(i).isNull() ? QStringLiteral("") : values.at(i));
        fuzz::check(query.exec(), "storing a hand-made criterion");
    }
    g_filter->ResetCriteria();
    try {
        g_filter->LoadFilter(QStringLiteral("von Hand"));
    } catch (const ComError &error) {
        fuzz::fail("loading a hand-made filter", error.message());
    }
    fuzz::check(g_filter->criteria().size() == count, "every stored criterion is loaded");
    const QString condition = g_filter->GetCondition();
    QString outside;
    fuzz::check(skeleton(condition, &outside), "every quote of the condition is closed", condition);
    outside = withoutExcept(outside);
    for (const char *forbidden : {";", "--", "/*", "*/"})
        fuzz::check(!outside.contains(QLatin1String(forbidden)),
                    "nothing of a stored operand ends or comments the statement", condition);
    static const QRegularExpression statement(QStringLiteral("\\b(OR|UNION|SELECT)\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    fuzz::check(!statement.match(outside).hasMatch(),
                "no operator or statement of a stored operand outside the literals", condition);
    (void)g_filter->ListCriteria();
    // Gone again before the next input: a later save under the same name
    // would make a second filter of that name, which the dialog never does
    // (it offers to replace the first), and loading by name would find the
    // hand-made one.
    query.exec(QStringLiteral("DELETE FROM QRTFILTERITEM WHERE QRTFILTER_ID = 999999"));
    query.exec(QStringLiteral("DELETE FROM QRTFILTER WHERE QRTFILTER_ID = 999999"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    g_filter = std::make_unique<CFilterMgr>();
    try {
        fuzz::check(g_filter->LoadConfig(fuzz::documentForEveryCategory()),
                    "the filter reads the table");
    } catch (const ComError &error) {
        fuzz::fail("the filter tables", error.message());
    }
    fuzz::check(g_filter->columns().size() >= 13, "the filter sees the columns");
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-check"));
    db.setDatabaseName(fuzz::databaseWithEveryCategory());
    fuzz::check(db.open(), "opening the check connection");
    // The filter goes before Qt's SQL connection list does at exit.
    std::atexit([] { g_filter.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return -1;
    fuzz::messages().clear();
    g_filter->ResetCriteria();
    // Up to four criteria: per criterion one byte for the column, one for
    // the condition (codes 0 to 9, two of them none of ours), two for the
    // date; the value texts follow, separated by NUL bytes.
    const int count = size > 0 ? 1 + data[0] % 4 : 0;
    const size_t header = 1 + size_t(count) * 4;
    if (size < header)
        return 0;
    const QStringList values = fuzz::parts(fuzz::text(data + header, size - header), count);
    int accepted = 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t *c = data + 1 + i * 4;
        const qint32 position = c[0] % (g_filter->columns().size() + 1) - (c[0] & 0x80 ? 1 : 0);
        const qint32 condition = c[1] % 10;
        const QDate date = QDate(1900, 1, 1).addDays((c[2] | (c[3] << 8)) * 3);
        const CFilterMgr::AddResult result =
            g_filter->AddCriterion(position, condition, values.at(i), date);
        if (result == CFilterMgr::AddResult::Added)
            ++accepted;
    }
    if (data[0] & 0x40) {
        storedCriteria(values, data + 1, count);
        return 0;
    }
    fuzz::check(g_filter->criteria().size() == accepted, "every accepted criterion is kept");
    const QString condition = g_filter->GetCondition();
    // A code that is none of ours contributes its column alone, which
    // is still one criterion between the ANDs.
    checkStructure(condition, accepted);
    // Whether the engine runs it is its business: a whole number typed with
    // a decimal comma goes in as typed and the engine refuses it; the test
    // must only never throw.
    (void)g_filter->TestCondition();
    if (data[0] & 0x80)
        saveAndLoad(values.last());
    return 0;
}
