#include "BenchSupport.h"

#include "facade/CKeloForm.h"
#include "platform/RecordingMessages.h"
#include "runtime/CFormDlg.h"
#include "runtime/CFormFrame.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <stdexcept>

namespace {

// Pieces of names and towns, packed to a fixed width so that both engines
// cut them out with substr alone.
const char *const kSyllables[] = {"ber", "mann",  "schul", "ze",  "mei",  "er",    "hof",  "wag",
                                  "ner", "beck",  "kel",   "lin", "dorf", "stein", "bach", "ro",
                                  "sa",  "ki",    "ta",    "mu",  "ha",   "gen",   "wil",  "helm",
                                  "fi",  "scher", "kraus", "lo",  "re",   "ni"};
const char *const kFirstNames[] = {
    "Anna",  "Bernd", "Clara", "Dieter", "Emma", "Frank", "Greta", "Hans", "Ida",   "Jonas",
    "Karin", "Lukas", "Marie", "Nils",   "Olga", "Paul",  "Rita",  "Sven", "Tina",  "Uwe",
    "Vera",  "Willi", "Xaver", "Yvonne", "Zoe",  "Arne",  "Birte", "Carl", "Doris", "Egon"};
const char *const kTowns[] = {
    "Berlin",        "Hamburg",    "München",      "Köln",      "Frankfurt",
    "Stuttgart",     "Düsseldorf", "Leipzig",      "Dortmund",  "Essen",
    "Bremen",        "Dresden",    "Hannover",     "Nürnberg",  "Duisburg",
    "Bochum",        "Wuppertal",  "Bielefeld",    "Bonn",      "Münster",
    "Mannheim",      "Karlsruhe",  "Augsburg",     "Wiesbaden", "Mönchengladbach",
    "Gelsenkirchen", "Aachen",     "Braunschweig", "Kiel",      "Chemnitz",
    "Halle",         "Magdeburg",  "Freiburg",     "Krefeld",   "Mainz",
    "Lübeck",        "Erfurt",     "Oberhausen",   "Rostock",   "Kassel"};

template <size_t N> QString packed(const char *const (&words)[N], int width)
{
    QString text;
    for (const char *word : words)
        text += QString::fromUtf8(word).leftJustified(width, QLatin1Char(' '));
    return text;
}

// A scrambled number per row and purpose: neither the ID nor the insertion
// order says anything about the order of the names. Each purpose has a
// multiplier of its own: with one multiplier and different offsets, all
// pieces of a row moved in step, and a million rows had 145 names (one of
// them 33,000 times), so that every order by name was mostly ties.
QString hashOf(int purpose)
{
    return QStringLiteral("((x * %1 + %2) % 2147483647)")
        .arg(qint64(2654435761) + qint64(purpose) * 7919 * 104729)
        .arg(purpose * 97531);
}

QString pick(const QString &pack, int width, int count, int purpose)
{
    return QStringLiteral("trim(substr('%1', CAST(1 + %2 * (%3 %% %4) AS INTEGER), %2))")
        .arg(pack)
        .arg(width)
        .arg(hashOf(purpose))
        .arg(count)
        .replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace

QStringList BenchDatabase::arguments() const
{
    return {QStringLiteral("--engine"), QString::fromLatin1(engine()),
            QStringLiteral("--db"),     name,
            QStringLiteral("--server"), server};
}

BenchDatabase BenchDatabase::fromArguments(const QStringList &arguments)
{
    BenchDatabase db;
    db.postgres = arguments.value(arguments.indexOf(QStringLiteral("--engine")) + 1) ==
                  QLatin1String("postgresql");
    db.name = arguments.value(arguments.indexOf(QStringLiteral("--db")) + 1);
    db.server = arguments.value(arguments.indexOf(QStringLiteral("--server")) + 1);
    return db;
}

QSqlDatabase BenchDatabase::open(const QString &connectionName) const
{
    QSqlDatabase connection = QSqlDatabase::addDatabase(
        postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), connectionName);
    if (postgres) {
        connection.setHostName(server.section(QLatin1Char(':'), 0, 0));
        connection.setPort(server.section(QLatin1Char(':'), 1).toInt());
        connection.setUserName(user());
    }
    connection.setDatabaseName(name);
    if (!connection.open())
        throw std::runtime_error(("open: " + connection.lastError().text()).toStdString());
    return connection;
}

void keepBest(Figures &best, const Figures &pass)
{
    for (const auto &[name, value] : pass) {
        const auto known = best.find(name);
        if (known == best.end() || value < known->second)
            best[name] = value;
    }
}

void printFigures(const Figures &figures)
{
    for (const auto &[name, value] : figures)
        std::printf("%s=%.4f\n", name.c_str(), value);
    std::fflush(stdout);
}

Figures parseFigures(const QByteArray &output)
{
    Figures figures;
    for (const QByteArray &line : output.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            figures[line.left(equals).trimmed().toStdString()] = line.mid(equals + 1).toDouble();
    }
    return figures;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

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

void execSql(QSqlDatabase &connection, const QString &sql)
{
    QSqlQuery query(connection);
    if (!query.exec(sql))
        throw std::runtime_error(
            (sql.left(120) + QStringLiteral(": ") + query.lastError().text()).toStdString());
}

QString scalarSql(QSqlDatabase &connection, const QString &sql)
{
    QSqlQuery query(connection);
    if (!query.exec(sql) || !query.next())
        throw std::runtime_error(
            (sql.left(120) + QStringLiteral(": ") + query.lastError().text()).toStdString());
    return query.value(0).toString();
}

void createKunden(const BenchDatabase &db, int rows)
{
    const QString connectionName = QStringLiteral("bench-setup");
    {
        QSqlDatabase connection = db.open(connectionName);
        const QString syllables = packed(kSyllables, 5);
        const QString firstNames = packed(kFirstNames, 6);
        const QString towns = packed(kTowns, 15);
        const QString raw =
            pick(syllables, 5, 30, 1) + QStringLiteral(" || ") + pick(syllables, 5, 30, 2) +
            QStringLiteral(" || CASE WHEN %1 %% 3 >= 1 THEN %2 ELSE '' END || "
                           "CASE WHEN %1 %% 3 = 2 THEN %3 ELSE '' END")
                .arg(hashOf(3), pick(syllables, 5, 30, 4), pick(syllables, 5, 30, 5))
                .replace(QStringLiteral("%%"), QStringLiteral("%"));
        const QString town = QStringLiteral("CASE WHEN %1 %% 32 = 0 THEN NULL ELSE %2 END")
                                 .arg(hashOf(7), pick(towns, 15, 40, 8))
                                 .replace(QStringLiteral("%%"), QStringLiteral("%"));
        const QString amount = QStringLiteral("(%1 %% 10000000) / 100.0")
                                   .arg(hashOf(9))
                                   .replace(QStringLiteral("%%"), QStringLiteral("%"));
        const QString days = QStringLiteral("(%1 %% 20000)")
                                 .arg(hashOf(10))
                                 .replace(QStringLiteral("%%"), QStringLiteral("%"));
        const QString active = QStringLiteral("(%1 %% 4 <> 0)")
                                   .arg(hashOf(11))
                                   .replace(QStringLiteral("%%"), QStringLiteral("%"));
        const QString values =
            QStringLiteral("SELECT x, upper(substr(raw, 1, 1)) || substr(raw, 2) || ', ' || %1, "
                           "%2, %3, %4, %5 FROM n")
                .arg(pick(firstNames, 6, 30, 6), town, amount,
                     db.postgres
                         ? QStringLiteral("DATE '1970-01-01' + %1::int").arg(days)
                         : QStringLiteral("date('1970-01-01', '+' || %1 || ' days')").arg(days),
                     active);
        execSql(connection, QStringLiteral("DROP TABLE IF EXISTS Bestellungen"));
        execSql(connection, QStringLiteral("DROP TABLE IF EXISTS Kunden"));
        execSql(
            connection,
            QStringLiteral("CREATE TABLE Kunden (ID INTEGER PRIMARY KEY, NAME VARCHAR(50) NOT "
                           "NULL, ORT VARCHAR(40), BETRAG %1, DATUM DATE, AKTIV BOOLEAN)")
                .arg(db.postgres ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("DOUBLE")));
        if (db.postgres) {
            execSql(connection, QStringLiteral("INSERT INTO Kunden WITH n AS (SELECT x, %1 AS raw "
                                               "FROM generate_series(1::bigint, %2) AS c(x)) %3")
                                    .arg(raw, QString::number(rows), values));
            execSql(connection, QStringLiteral("VACUUM ANALYZE Kunden"));
        } else {
            execSql(connection, QStringLiteral("PRAGMA journal_mode = WAL"));
            execSql(connection, QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT "
                                               "x + 1 FROM c WHERE x < %1), n AS (SELECT x, %2 AS "
                                               "raw FROM c) INSERT INTO Kunden %3")
                                    .arg(QString::number(rows), raw, values));
            execSql(connection, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
}

void createOrders(const BenchDatabase &db)
{
    const QString connectionName = QStringLiteral("bench-orders");
    {
        QSqlDatabase connection = db.open(connectionName);
        execSql(connection, QStringLiteral("CREATE TABLE Bestellungen (ID INTEGER PRIMARY KEY, "
                                           "KUNDE_ID INTEGER NOT NULL REFERENCES Kunden (ID), "
                                           "MENGE INTEGER)"));
        execSql(connection, QStringLiteral("INSERT INTO Bestellungen SELECT ID, ID, 1 FROM "
                                           "Kunden WHERE ID <= 10"));
    }
    QSqlDatabase::removeDatabase(connectionName);
}

void createNameIndex(const BenchDatabase &db)
{
    const QString connectionName = QStringLiteral("bench-index");
    {
        QSqlDatabase connection = db.open(connectionName);
        execSql(connection, QStringLiteral("CREATE INDEX kunden_name ON Kunden (NAME)"));
        execSql(connection,
                db.postgres ? QStringLiteral("VACUUM ANALYZE Kunden") : QStringLiteral("ANALYZE"));
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QString formDocument(const BenchDatabase &db, const QString &table, bool designMode,
                     const QString &filter, const QString &sort)
{
    CKeloForm facade;
    facade.Init(db.name, db.server, db.user(), QString(), table, db.kind());
    return facade.FilledDocument(designMode ? CKeloForm::EntryPoint::DesignForm
                                            : CKeloForm::EntryPoint::ShowForm,
                                 filter, sort);
}

void createStoredForm(const BenchDatabase &db)
{
    RecordingMessages messages; // the editor asks nothing here; nothing may wait for a click
    ScopedUserMessages scope(messages);
    for (const QString &table : {QStringLiteral("Kunden"), QStringLiteral("Bestellungen")}) {
        CFormDlg editor(formDocument(db, table, true), false);
        if (!editor.GetFormHost() || !editor.GetFormHost()->DateiSpeichern())
            throw std::runtime_error(
                ("the form of " + table + " could not be saved").toStdString());
    }
}

QString refilterCondition()
{
    return QStringLiteral("ORT = 'Berlin'");
}

QString middleQuery(int rows, const char *column)
{
    // In the form's order: NAME, and the key among equal names.
    return QStringLiteral("SELECT %1 FROM Kunden ORDER BY NAME, ID LIMIT 1 OFFSET %2")
        .arg(QLatin1String(column))
        .arg(qMax(0, rows / 2 - 1));
}

QString aheadQuery(int rows, const char *column)
{
    return QStringLiteral("SELECT %1 FROM Kunden ORDER BY NAME, ID LIMIT 1 OFFSET %2")
        .arg(QLatin1String(column))
        .arg(rows > 20000 ? 10000 : qMax(0, rows / 2 - 1));
}
