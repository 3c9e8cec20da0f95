// qrt-bench: the library's form against the form Qt documents
// (QSqlTableModel + QDataWidgetMapper) and against the engine itself, on a
// table Kunden of N rows, on SQLite and on a throw-away PostgreSQL server.
//
//   qrt-bench [--quick] [--rows N,N,...] [--engines sqlite,postgresql]
//             [--index 0,1] [--passes P] [--folder DIR] [--server HOST:PORT]
//
// Defaults: N = 10000,100000,1000000, both engines, without and with an
// index on NAME, 3 passes. --quick is N = 10000 (both engines, both index
// settings) and finishes in under a minute. --folder keeps the SQLite file
// there (to look at, or to run one side by hand: --side ours|reference|floor
// with the arguments the driver passes). --server runs the PostgreSQL figures
// on a server that is already there (user and database postgres; its table
// Kunden is replaced), to look into its statistics and log while it runs.
//
// For every engine, size and index setting the driver builds the table (and
// once the library's stored form of it, generated and saved in design mode),
// then runs each side in a process of its own (so that each peak memory is
// that side's alone): the engine floor, the library's form, the reference
// form. Each side makes several passes and reports the best value of each
// figure (other load only ever adds time). The driver prints one line per
// figure,
//
//   metric=<name> engine=<e> rows=<N> index=<0|1> ours_ms=<x> reference_ms=<y>
//       floor_ms=<z> ratio=<y/x>
//
// (memory as ours_mib=…; "-" where a side has no such figure), and comment
// lines starting with "#": one per target with the value it is held to, and
// the machine's load average before and after each configuration.

#include "BenchSides.h"
#include "BenchSupport.h"
#include "support/PgServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

struct Options
{
    std::vector<int> rows{10000, 100000, 1000000};
    std::vector<bool> engines{false, true}; // postgres?
    std::vector<int> indexes{0, 1};
    int passes = 3;
    QString folder; // where the SQLite file goes; a temporary folder when empty
    QString server; // an existing PostgreSQL server; a throw-away one when empty
};

std::vector<int> numbers(const QString &list)
{
    std::vector<int> values;
    for (const QString &part : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.push_back(part.trimmed().toInt());
    return values;
}

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QString value = arguments.value(i + 1);
        if (argument == QLatin1String("--quick")) {
            options.rows = {10000};
        } else if (argument == QLatin1String("--rows")) {
            options.rows = numbers(value);
            ++i;
        } else if (argument == QLatin1String("--index")) {
            options.indexes = numbers(value);
            ++i;
        } else if (argument == QLatin1String("--folder")) {
            options.folder = value;
            ++i;
        } else if (argument == QLatin1String("--server")) {
            options.server = value;
            ++i;
        } else if (argument == QLatin1String("--passes")) {
            options.passes = qMax(1, value.toInt());
            ++i;
        } else if (argument == QLatin1String("--engines")) {
            options.engines.clear();
            for (const QString &engine : value.split(QLatin1Char(',')))
                options.engines.push_back(engine.trimmed() == QLatin1String("postgresql"));
            ++i;
        } else {
            throw std::invalid_argument("unknown argument " + argument.toStdString());
        }
    }
    for (int rows : options.rows) {
        if (rows <= 2 * kMoves)
            throw std::invalid_argument("every N must exceed 2000");
    }
    return options;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

Figures runSide(const QString &side, const BenchDatabase &db, const Expected &expected, int passes)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--side"), side, QStringLiteral("--passes"),
                            QString::number(passes)} +
                    db.arguments() + expected.arguments());
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0)
        throw std::runtime_error(("the side " + side + " failed").toStdString());
    return parseFigures(child.readAllStandardOutput());
}

double figure(const Figures &figures, const char *name)
{
    const auto found = figures.find(name);
    return found == figures.end() ? -1 : found->second;
}

// A figure as printed: "-" where a side has none (a figure the reference
// form or the engine has no counterpart for).
QByteArray value(double number, const char *format = "%.3f")
{
    if (number < 0)
        return QByteArray("-");
    char text[64];
    std::snprintf(text, sizeof text, format, number);
    return QByteArray(text);
}

void printLine(const char *metric, const BenchDatabase &db, int rows, int index, double ours,
               double reference, double floor, const char *unit = "ms")
{
    std::printf("metric=%s engine=%s rows=%d index=%d ours_%s=%s reference_%s=%s floor_%s=%s "
                "ratio=%s\n",
                metric, db.engine(), rows, index, unit, value(ours).constData(), unit,
                value(reference).constData(), unit, value(floor).constData(),
                value(ours > 0 && reference >= 0 ? reference / ours : -1, "%.2f").constData());
}

void printTarget(const char *target, const BenchDatabase &db, int rows, int index, double value,
                 const char *relation, double limit)
{
    const bool atMost = QByteArray(relation) == "<=";
    const bool met = atMost ? value <= limit : value >= limit;
    std::printf("# target=%s engine=%s rows=%d index=%d value=%.2f %s %.2f met=%s\n", target,
                db.engine(), rows, index, value, relation, limit, met ? "yes" : "no");
}

void report(const BenchDatabase &db, int rows, int index, const Figures &ours,
            const Figures &reference, const Figures &floor)
{
    struct Line
    {
        const char *metric, *ours, *reference, *floor;
    };
    const Line lines[] = {
        {"first_record", "first_record_ms", "first_record_ms", "topn_first_ms"},
        {"first_record_new_session", "first_record_new_session_ms", "first_record_ms",
         "topn_first_ms"},
        {"position_exact", "position_exact_ms", "position_exact_ms", "count_ms"},
        {"next_moves_1000", "next_moves_ms", "next_moves_ms", "point_lookups_ms"},
        {"go_to_last", "go_to_last_ms", "go_to_last_ms", "topn_last_ms"},
        {"go_to_middle", "go_to_middle_ms", "go_to_middle_ms", "offset_middle_ms"},
        {"sort_ascending", "sort_ascending_ms", "sort_ascending_ms", "topn_by_ort_ms"},
        {"sort_descending", "sort_descending_ms", "sort_descending_ms", "topn_by_ort_desc_ms"},
        {"find_next", "find_next_ms", "find_next_ms", "first_match_after_ms"},
        {"filter_by_selection", "filter_by_selection_ms", "filter_by_selection_ms",
         "topn_by_place_ms"},
        {"prev_moves_after_last_1000", "prev_moves_ms", "prev_moves_ms", "point_lookups_ms"},
        {"save_record", "save_ms", "save_ms", "update_ms"},
        {"refilter", "refilter_ms", "refilter_ms", "topn_filtered_ms"},
        {"keyset_complete", "keyset_complete_ms", "fetch_all_ms", "full_keys_ms"},
        {"records_first_only", "records_first_ms", "first_record_ms", "topn_first_ms"},
    };
    for (const Line &line : lines)
        printLine(line.metric, db, rows, index, figure(ours, line.ours),
                  figure(reference, line.reference), figure(floor, line.floor));
    // The datasheet beside the engine's reads of the same rows: the first
    // keys, the last key, and a point lookup per row paged into view; the
    // reference is the toolkit's model, whose table view reads the same.
    const double pageRows = figure(ours, "datasheet_page_rows");
    const double pageLookups = figure(floor, "point_lookups_ms") * pageRows / kMoves;
    printLine("datasheet_first_page", db, rows, index, figure(ours, "datasheet_first_page_ms"),
              figure(reference, "first_record_ms"), figure(floor, "topn_first_ms"));
    printLine("datasheet_page_down", db, rows, index, figure(ours, "datasheet_pages_ms"), -1,
              pageLookups);
    printLine("datasheet_page_down_painted", db, rows, index,
              figure(ours, "datasheet_pages_painted_ms"), -1, pageLookups);
    printLine("datasheet_page_keys_painted", db, rows, index,
              figure(ours, "datasheet_page_keys_ms"), -1, pageLookups);
    printLine("datasheet_last_page", db, rows, index, figure(ours, "datasheet_last_page_ms"),
              figure(reference, "go_to_last_ms"), figure(floor, "topn_last_ms"));
    printLine("datasheet_peak", db, rows, index, figure(ours, "peak_datasheet_mib"), -1,
              figure(floor, "peak_end_mib"), "mib");
    printLine("lookup_list", db, rows, index, figure(ours, "lookup_list_ms"), -1,
              figure(floor, "topn_list_ms"));
    printLine("export_csv", db, rows, index, figure(ours, "export_csv_ms"), -1,
              figure(floor, "engine_csv_ms"));
    printLine("export_peak", db, rows, index, figure(ours, "peak_export_mib"), -1,
              figure(floor, "peak_end_mib"), "mib");
    printLine("pdf_list_10000", db, rows, index, figure(ours, "pdf_list_10000_ms"), -1, -1);
    printLine("peak_after_last", db, rows, index, figure(ours, "peak_after_last_mib"),
              figure(reference, "peak_after_last_mib"), figure(floor, "peak_end_mib"), "mib");
    printLine("peak_whole_run", db, rows, index, figure(ours, "peak_end_mib"),
              figure(reference, "peak_end_mib"), figure(floor, "peak_end_mib"), "mib");

    const double moveLimit = db.postgres ? 2.0 : 5.0;
    printTarget("first_record_vs_topn", db, rows, index,
                figure(ours, "first_record_ms") / figure(floor, "topn_first_ms"), "<=", 1.5);
    printTarget("go_to_last_vs_reverse_topn", db, rows, index,
                figure(ours, "go_to_last_ms") / figure(floor, "topn_last_ms"), "<=", 1.5);
    printTarget("go_to_last_faster_than_reference", db, rows, index,
                figure(reference, "go_to_last_ms") / figure(ours, "go_to_last_ms"), ">=", 10);
    printTarget("go_to_middle_vs_offset", db, rows, index,
                figure(ours, "go_to_middle_ms") / figure(floor, "offset_middle_ms"), "<=", 2);
    printTarget("sort_ascending_vs_topn", db, rows, index,
                figure(ours, "sort_ascending_ms") / figure(floor, "topn_by_ort_ms"), "<=", 1.5);
    printTarget("sort_descending_vs_topn", db, rows, index,
                figure(ours, "sort_descending_ms") / figure(floor, "topn_by_ort_desc_ms"),
                "<=", 1.5);
    printTarget("find_next_vs_first_match", db, rows, index,
                figure(ours, "find_next_ms") / figure(floor, "first_match_after_ms"), "<=", 2);
    printTarget("filter_by_selection_vs_topn", db, rows, index,
                figure(ours, "filter_by_selection_ms") / figure(floor, "topn_by_place_ms"),
                "<=", 1.5);
    printTarget("save_faster_than_reference", db, rows, index,
                figure(reference, "save_ms") / figure(ours, "save_ms"), ">=", 100);
    printTarget("next_move_vs_point_lookup", db, rows, index,
                figure(ours, "next_moves_ms") / figure(floor, "point_lookups_ms"), "<=", moveLimit);
    printTarget("move_after_last_vs_point_lookup", db, rows, index,
                figure(ours, "prev_moves_ms") / figure(floor, "point_lookups_ms"), "<=", moveLimit);
    printTarget("position_exact_vs_count", db, rows, index,
                figure(ours, "position_exact_ms") / figure(floor, "count_ms"), "<=", 2);
    printTarget("peak_after_last_mib", db, rows, index, figure(ours, "peak_after_last_mib"),
                "<=", 40);
    printTarget("datasheet_first_page_vs_topn", db, rows, index,
                figure(ours, "datasheet_first_page_ms") / figure(floor, "topn_first_ms"),
                "<=", 1.5);
    printTarget("datasheet_last_page_vs_reverse_topn", db, rows, index,
                figure(ours, "datasheet_last_page_ms") / figure(floor, "topn_last_ms"), "<=", 1.5);
    printTarget("datasheet_page_vs_point_lookups", db, rows, index,
                figure(ours, "datasheet_pages_ms") / pageLookups, "<=", 2);
    printTarget("datasheet_peak_mib", db, rows, index, figure(ours, "peak_datasheet_mib"),
                "<=", 60);
    printTarget("export_csv_vs_engine", db, rows, index,
                figure(ours, "export_csv_ms") / figure(floor, "engine_csv_ms"), "<=", 3);
    printTarget("export_peak_mib", db, rows, index, figure(ours, "peak_export_mib"), "<=", 60);
    printTarget("lookup_list_vs_topn", db, rows, index,
                figure(ours, "lookup_list_ms") / figure(floor, "topn_list_ms"), "<=", 1.5);
    std::fflush(stdout);
}

void benchmarkDatabase(const BenchDatabase &db, const Options &options)
{
    for (int rows : options.rows) {
        createKunden(db, rows);
        createOrders(db);
        createStoredForm(db);
        bool indexed = false;
        for (int index : options.indexes) {
            if (index && !indexed) {
                createNameIndex(db);
                indexed = true;
            }
            std::printf("# engine=%s rows=%d index=%d load_before=%s\n", db.engine(), rows, index,
                        qPrintable(loadAverage()));
            std::fflush(stdout);
            const Expected expected = Expected::read(db, rows);
            const Figures floor = runSide(QStringLiteral("floor"), db, expected, options.passes);
            const Figures ours = runSide(QStringLiteral("ours"), db, expected, options.passes);
            const Figures reference =
                runSide(QStringLiteral("reference"), db, expected, options.passes);
            const Figures exported =
                runSide(QStringLiteral("export"), db, expected, options.passes);
            Figures all = ours;
            all.insert(exported.begin(), exported.end());
            report(db, rows, index, all, reference, floor);
            std::printf("# load_after=%s\n", qPrintable(loadAverage()));
        }
    }
    const Figures design = runSide(QStringLiteral("design"), db, Expected(), options.passes);
    // The wide table has no rows: the figure is the form's, for 200 columns.
    for (const char *name : {"design_generate_200_columns_ms", "design_save_200_columns_ms",
                             "design_open_stored_200_columns_ms"}) {
        const QByteArray metric(name, int(qstrlen(name)) - 3);
        printLine(metric.constData(), db, 0, 0, figure(design, name), -1, -1);
        printTarget(metric.constData(), db, 0, 0, figure(design, name), "<=", 1000);
    }
    std::fflush(stdout);
}

int runChild(const QStringList &arguments)
{
    const QString side = arguments.value(arguments.indexOf(QStringLiteral("--side")) + 1);
    const int passes = arguments.value(arguments.indexOf(QStringLiteral("--passes")) + 1).toInt();
    const BenchDatabase db = BenchDatabase::fromArguments(arguments);
    const Expected expected = Expected::fromArguments(arguments);
    if (side == QLatin1String("ours"))
        return runOurs(db, expected, passes);
    if (side == QLatin1String("reference"))
        return runReference(db, expected, passes);
    if (side == QLatin1String("floor"))
        return runFloor(db, expected, passes);
    if (side == QLatin1String("design"))
        return runDesignScale(db, passes);
    if (side == QLatin1String("export"))
        return runExport(db, expected, passes);
    throw std::invalid_argument("unknown side " + side.toStdString());
}

} // namespace

QStringList Expected::arguments() const
{
    return {QStringLiteral("--rows"),     QString::number(rows),
            QStringLiteral("--first"),    firstName,
            QStringLiteral("--last"),     lastName,
            QStringLiteral("--middle"),   middleName,
            QStringLiteral("--filtered"), firstFiltered,
            QStringLiteral("--ahead"),    aheadName,
            QStringLiteral("--place"),    firstPlace};
}

Expected Expected::fromArguments(const QStringList &arguments)
{
    const auto value = [&arguments](const char *name) {
        return arguments.value(arguments.indexOf(QString::fromLatin1(name)) + 1);
    };
    Expected expected;
    expected.rows = value("--rows").toInt();
    expected.firstName = value("--first");
    expected.middleName = value("--middle");
    expected.lastName = value("--last");
    expected.firstFiltered = value("--filtered");
    expected.aheadName = value("--ahead");
    expected.firstPlace = value("--place");
    return expected;
}

Expected Expected::read(const BenchDatabase &db, int rows)
{
    Expected expected;
    expected.rows = rows;
    const QString connectionName = QStringLiteral("bench-expected");
    {
        QSqlDatabase connection = db.open(connectionName);
        expected.firstName =
            scalarSql(connection, QStringLiteral("SELECT NAME FROM Kunden ORDER BY NAME LIMIT 1"));
        expected.lastName = scalarSql(
            connection, QStringLiteral("SELECT NAME FROM Kunden ORDER BY NAME DESC LIMIT 1"));
        expected.middleName = scalarSql(connection, middleQuery(rows, "NAME"));
        expected.aheadName = scalarSql(connection, aheadQuery(rows, "NAME"));
        expected.firstPlace = scalarSql(
            connection, QStringLiteral("SELECT ORT FROM Kunden ORDER BY NAME, ID LIMIT 1"));
        expected.firstFiltered = scalarSql(
            connection, QStringLiteral("SELECT NAME FROM Kunden WHERE ") + refilterCondition() +
                            QStringLiteral(" ORDER BY NAME LIMIT 1"));
        if (scalarSql(connection, QStringLiteral("SELECT COUNT(*) FROM Kunden")).toInt() != rows)
            throw std::runtime_error("the table does not hold the rows asked for");
    }
    QSqlDatabase::removeDatabase(connectionName);
    return expected;
}

// Qt's chatter about the offscreen platform is no news for the figures.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")) ||
        message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietMessages);
    // The forms run on the offscreen platform: real widgets, no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    try {
        if (arguments.contains(QStringLiteral("--side")))
            return runChild(arguments);
        const Options options = parseOptions(arguments);
        QTemporaryDir temporary;
        if (!temporary.isValid())
            throw std::runtime_error("no temporary folder");
        const QDir folder(options.folder.isEmpty() ? temporary.path() : options.folder);
        std::printf("# qrt-bench passes=%d cores=%d load=%s\n", options.passes,
                    QThread::idealThreadCount(), qPrintable(loadAverage()));
        for (bool postgres : options.engines) {
            BenchDatabase db;
            db.postgres = postgres;
            if (!postgres) {
                db.name = folder.filePath(QStringLiteral("kunden.sqlite"));
                QFile(db.name).open(QIODevice::WriteOnly);
                benchmarkDatabase(db, options);
                continue;
            }
            db.name = QStringLiteral("postgres");
            if (!options.server.isEmpty()) {
                db.server = options.server;
                benchmarkDatabase(db, options);
                continue;
            }
            // A server of our own, as the tests start one; it stops when
            // this goes, whatever the outcome.
            PgServer server(temporary.filePath(QStringLiteral("pg")));
            if (!server.isRunning())
                throw std::runtime_error("no PostgreSQL server: " + server.error().toStdString());
            db.server = server.server();
            benchmarkDatabase(db, options);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "qrt-bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
