// Keyset recordset against the bare engine, on a SQLite table of N rows.
//
//   bench_keyset [N ...]    N = 10000, 100000 and 1000000 when none is given
//
// For each N the program fills a temporary file, measures the engine floor
// through Qt SQL directly, then runs itself again as a child
// (--component-only FILE) for the recordset figures, so that the child's peak
// memory holds only what the recordset needs, not the table creation or the
// raw key list. Every figure is one line "nN.name=value".
//
// File cache: creating the table leaves the whole file in the operating
// system's cache, and the raw floor reads it all again before the component
// runs; both sides therefore read a warm file cache. Each side makes
// kPasses passes, each on freshly opened connections (empty SQLite page
// cache), and reports its best time per figure: other load on the machine
// only ever adds time, so the minimum is the figure it disturbs least. Peak
// memory is the child's high-water mark over all its passes.

#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "data/component/Variant.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const QString kOrderedSelect = QStringLiteral("SELECT * FROM Kunden ORDER BY NAME");
const QString kKeyQuery = QStringLiteral("SELECT ID FROM Kunden ORDER BY NAME");
const QString kPointLookup = QStringLiteral("SELECT * FROM Kunden WHERE ID = ?");
constexpr int kMoves = 1000;
constexpr int kExtraUpdates = 10;
constexpr int kPasses = 3;

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The process's peak resident set so far, in MiB (0 where /proc is missing).
double peakMiB()
{
    // Plain stdio: /proc files report size 0, which QFile takes for "at end".
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    long kib = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    }
    std::fclose(status);
    return double(kib) / 1024.0;
}

[[noreturn]] void fail(const QString &what, const QSqlError &error)
{
    throw std::runtime_error((what + QStringLiteral(": ") + error.text()).toStdString());
}

void exec(QSqlQuery &query, const QString &sql)
{
    if (!query.exec(sql))
        fail(sql, query.lastError());
}

// --- the table -----------------------------------------------------------------

// Names from random syllables, so that neither insertion order nor ID says
// anything about the order of NAME: the engine has to sort for real.
QString makeName(std::mt19937_64 &random)
{
    static const char *const syllables[] = {
        "ber", "mann", "schul", "ze",    "mei",  "er",    "hof",   "wag", "ner", "beck",
        "kel", "lin",  "dorf",  "stein", "bach", "ro",    "sa",    "ki",  "ta",  "mu",
        "ha",  "gen",  "wil",   "helm",  "fi",   "scher", "kraus", "lo",  "re",  "ni"};
    static const char *const firstNames[] = {
        "Anna",  "Bernd", "Clara", "Dieter", "Emma", "Frank", "Greta", "Hans", "Ida",   "Jonas",
        "Karin", "Lukas", "Marie", "Nils",   "Olga", "Paul",  "Rita",  "Sven", "Tina",  "Uwe",
        "Vera",  "Willi", "Xaver", "Yvonne", "Zoe",  "Arne",  "Birte", "Carl", "Doris", "Egon"};
    constexpr int syllableCount = int(sizeof(syllables) / sizeof(*syllables));
    constexpr int firstNameCount = int(sizeof(firstNames) / sizeof(*firstNames));
    QString name;
    const int parts = 2 + int(random() % 3);
    for (int i = 0; i < parts; ++i)
        name += QLatin1String(syllables[random() % syllableCount]);
    name[0] = name[0].toUpper();
    return name + QStringLiteral(", ") + QLatin1String(firstNames[random() % firstNameCount]);
}

void createTable(const QString &file, int rows)
{
    const QString connectionName = QStringLiteral("bench-create");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(file);
        if (!db.open())
            fail(QStringLiteral("open ") + file, db.lastError());
        QSqlQuery query(db);
        // Nobody needs this file after a crash, so the load may skip the journal.
        exec(query, QStringLiteral("PRAGMA journal_mode = OFF"));
        exec(query, QStringLiteral("PRAGMA synchronous = OFF"));
        exec(query, QStringLiteral("CREATE TABLE Kunden (ID INTEGER PRIMARY KEY, NAME VARCHAR(50) "
                                   "NOT NULL, ORT VARCHAR(40), BETRAG DOUBLE, DATUM DATE, "
                                   "AKTIV BOOLEAN)"));
        static const char *const towns[] = {
            "Berlin",        "Hamburg",    "München",      "Köln",      "Frankfurt",
            "Stuttgart",     "Düsseldorf", "Leipzig",      "Dortmund",  "Essen",
            "Bremen",        "Dresden",    "Hannover",     "Nürnberg",  "Duisburg",
            "Bochum",        "Wuppertal",  "Bielefeld",    "Bonn",      "Münster",
            "Mannheim",      "Karlsruhe",  "Augsburg",     "Wiesbaden", "Mönchengladbach",
            "Gelsenkirchen", "Aachen",     "Braunschweig", "Kiel",      "Chemnitz",
            "Halle",         "Magdeburg",  "Freiburg",     "Krefeld",   "Mainz",
            "Lübeck",        "Erfurt",     "Oberhausen",   "Rostock",   "Kassel"};
        constexpr int townCount = int(sizeof(towns) / sizeof(*towns));

        std::mt19937_64 random(20240611);
        const QDate firstDay(1970, 1, 1);
        exec(query, QStringLiteral("BEGIN"));
        if (!query.prepare(QStringLiteral("INSERT INTO Kunden (ID, NAME, ORT, BETRAG, DATUM, "
                                          "AKTIV) VALUES (?, ?, ?, ?, ?, ?)")))
            fail(QStringLiteral("prepare insert"), query.lastError());
        for (int id = 1; id <= rows; ++id) {
            query.bindValue(0, id);
            query.bindValue(1, makeName(random));
            // A few rows without a town, as real address lists have them.
            query.bindValue(2, random() % 32 == 0
                                   ? QVariant()
                                   : QVariant(QString::fromUtf8(towns[random() % townCount])));
            query.bindValue(3, double(random() % 10000000) / 100.0);
            query.bindValue(4, firstDay.addDays(qint64(random() % 20000)).toString(Qt::ISODate));
            query.bindValue(5, random() % 4 != 0);
            if (!query.exec())
                fail(QStringLiteral("insert"), query.lastError());
        }
        query.finish();
        exec(query, QStringLiteral("COMMIT"));
        // The recordset switches the file to WAL anyway; doing it here means the
        // raw floor reads the very same file layout.
        exec(query, QStringLiteral("PRAGMA journal_mode = WAL"));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

// --- the engine floor ----------------------------------------------------------

struct RawFigures
{
    double firstKeyMs = 0;
    double allKeysMs = 0;
    double restKeysMs = 0; // from the first key to the last
    double pointLookupUs = 0;
};

RawFigures measureRawOnce(const QString &file, int rows)
{
    RawFigures figures;
    const QString connectionName = QStringLiteral("bench-raw");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(file);
        if (!db.open())
            fail(QStringLiteral("open ") + file, db.lastError());

        std::vector<qint64> keys;
        keys.reserve(size_t(rows));
        QSqlQuery keyQuery(db);
        keyQuery.setForwardOnly(true);
        QElapsedTimer timer;
        timer.start();
        exec(keyQuery, kKeyQuery);
        if (!keyQuery.next())
            throw std::runtime_error("the key query returned no rows");
        keys.push_back(keyQuery.value(0).toLongLong());
        figures.firstKeyMs = msSince(timer);
        while (keyQuery.next())
            keys.push_back(keyQuery.value(0).toLongLong());
        figures.allKeysMs = msSince(timer);
        figures.restKeysMs = figures.allKeysMs - figures.firstKeyMs;
        keyQuery.finish();
        if (keys.size() != size_t(rows))
            throw std::runtime_error("the key query lost rows");

        // The rows the component's moves visit: keys 1 ... kMoves in name order.
        // A lookup reads every column, as fetching a row for a form must.
        QSqlQuery lookup(db);
        lookup.setForwardOnly(true);
        if (!lookup.prepare(kPointLookup))
            fail(kPointLookup, lookup.lastError());
        qsizetype sink = 0;
        timer.restart();
        for (int i = 1; i <= kMoves; ++i) {
            lookup.bindValue(0, keys[size_t(i)]);
            if (!lookup.exec() || !lookup.next())
                fail(kPointLookup, lookup.lastError());
            for (int column = 0; column < 6; ++column)
                sink += lookup.value(column).isNull() ? 0 : 1;
            lookup.finish();
        }
        figures.pointLookupUs = msSince(timer) * 1000.0 / kMoves;
        if (sink == 0)
            throw std::runtime_error("point lookups found nothing");
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return figures;
}

RawFigures measureRaw(const QString &file, int rows)
{
    RawFigures best = measureRawOnce(file, rows);
    for (int pass = 1; pass < kPasses; ++pass) {
        const RawFigures figures = measureRawOnce(file, rows);
        best.firstKeyMs = std::min(best.firstKeyMs, figures.firstKeyMs);
        best.allKeysMs = std::min(best.allKeysMs, figures.allKeysMs);
        best.restKeysMs = std::min(best.restKeysMs, figures.restKeysMs);
        best.pointLookupUs = std::min(best.pointLookupUs, figures.pointLookupUs);
    }
    return best;
}

// --- the component (child process) ---------------------------------------------

struct ComponentFigures
{
    double openFirstRowMs = 0;
    double keysReadAfterOpen = 0;
    double updateMs = 0;
    double updateAvgMs = 0;
    double movesMs = 0;
    double moveLastMs = 0;
};

ComponentFigures measureComponentOnce(const QString &file)
{
    ComponentFigures figures;
    Connection connection;
    connection.Open(QStringLiteral("Provider=SQLite;Data Source=") + file);
    Recordset records;
    QElapsedTimer timer;

    timer.start();
    records.Open(kOrderedSelect, connection, adOpenKeyset, adLockOptimistic);
    const QString firstName = records.Fields().Item(QStringLiteral("NAME")).Value().toString();
    figures.openFirstRowMs = msSince(timer);
    figures.keysReadAfterOpen = double(records.keysRead());

    // On the first row, while the key query still holds its read snapshot.
    Field &town = records.Fields().Item(QStringLiteral("ORT"));
    timer.restart();
    town.PutValue(Variant(QStringLiteral("Bench 0")));
    records.Update();
    figures.updateMs = msSince(timer);
    timer.restart();
    for (int i = 1; i <= kExtraUpdates; ++i) {
        town.PutValue(Variant(QStringLiteral("Bench %1").arg(i)));
        records.Update();
    }
    figures.updateAvgMs = msSince(timer) / kExtraUpdates;

    QString previous = firstName;
    bool ordered = true;
    timer.restart();
    for (int i = 0; i < kMoves; ++i) {
        records.MoveNext();
        const QString name = records.Fields().Item(QStringLiteral("NAME")).Value().toString();
        ordered = ordered && previous <= name;
        previous = name;
    }
    figures.movesMs = msSince(timer);
    if (!ordered)
        throw std::runtime_error("the recordset's rows are not in NAME order");

    records.MoveFirst();
    timer.restart();
    records.MoveLast();
    const QString lastName = records.Fields().Item(QStringLiteral("NAME")).Value().toString();
    figures.moveLastMs = msSince(timer);
    if (!records.keysComplete() || lastName < firstName)
        throw std::runtime_error("MoveLast did not reach the last row");
    records.Close();
    connection.Close();
    return figures;
}

void put(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
}

int runComponent(const QString &file)
{
    put("baseline_peak_mib", peakMiB());
    ComponentFigures best = measureComponentOnce(file);
    for (int pass = 1; pass < kPasses; ++pass) {
        const ComponentFigures figures = measureComponentOnce(file);
        best.openFirstRowMs = std::min(best.openFirstRowMs, figures.openFirstRowMs);
        best.updateMs = std::min(best.updateMs, figures.updateMs);
        best.updateAvgMs = std::min(best.updateAvgMs, figures.updateAvgMs);
        best.movesMs = std::min(best.movesMs, figures.movesMs);
        best.moveLastMs = std::min(best.moveLastMs, figures.moveLastMs);
    }
    put("open_first_row_ms", best.openFirstRowMs);
    put("keys_read_after_open", best.keysReadAfterOpen);
    put("update_ms", best.updateMs);
    put("update_avg_ms", best.updateAvgMs);
    put("move_next_1000_ms", best.movesMs);
    put("move_next_us", best.movesMs * 1000.0 / kMoves);
    put("move_last_ms", best.moveLastMs);
    put("peak_mib", peakMiB());
    return 0;
}

// --- driver --------------------------------------------------------------------

std::map<std::string, double> runChild(const QString &file)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--component-only"), file});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        throw std::runtime_error("the component run failed");
    std::map<std::string, double> figures;
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            figures[line.left(equals).toStdString()] = line.mid(equals + 1).toDouble();
    }
    return figures;
}

void benchmark(int rows)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        throw std::runtime_error("no temporary folder");
    const QString file = dir.filePath(QStringLiteral("kunden.sqlite"));
    const std::string prefix = "n" + std::to_string(rows) + ".";
    auto print = [&prefix](const std::string &name, double value) {
        std::printf("%s%s=%.3f\n", prefix.c_str(), name.c_str(), value);
        std::fflush(stdout);
    };

    QElapsedTimer timer;
    timer.start();
    createTable(file, rows);
    print("create_ms", msSince(timer));

    const RawFigures raw = measureRaw(file, rows);
    print("raw_first_key_ms", raw.firstKeyMs);
    print("raw_all_keys_ms", raw.allKeysMs);
    print("raw_rest_keys_ms", raw.restKeysMs);
    print("raw_point_lookup_us", raw.pointLookupUs);

    std::map<std::string, double> component = runChild(file);
    for (const char *name :
         {"open_first_row_ms", "keys_read_after_open", "move_last_ms", "move_next_1000_ms",
          "move_next_us", "update_ms", "update_avg_ms", "baseline_peak_mib", "peak_mib"}) {
        if (component.count(name) == 0)
            throw std::runtime_error(std::string("the component run did not report ") + name);
        print(name, component[name]);
    }
    print("ratio_first_row", component["open_first_row_ms"] / raw.firstKeyMs);
    print("ratio_move_last", component["move_last_ms"] / raw.allKeysMs);
    print("ratio_move", component["move_next_us"] / raw.pointLookupUs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    try {
        if (arguments.value(0) == QLatin1String("--component-only")) {
            if (arguments.size() != 2) {
                std::fprintf(stderr, "usage: bench_keyset --component-only FILE\n");
                return 2;
            }
            return runComponent(arguments.at(1));
        }
        std::vector<int> sizes;
        for (const QString &argument : arguments) {
            bool ok = false;
            const int rows = argument.toInt(&ok);
            if (!ok || rows <= kMoves) {
                std::fprintf(stderr, "usage: bench_keyset [N ...] (N > %d)\n", kMoves);
                return 2;
            }
            sizes.push_back(rows);
        }
        if (sizes.empty())
            sizes = {10000, 100000, 1000000};
        for (int rows : sizes)
            benchmark(rows);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_keyset: %s\n", error.what());
        return 1;
    }
    return 0;
}
