// The engine floor: what the engine itself needs for each figure, measured
// through Qt SQL with nothing of the library in between.

#include "BenchSides.h"
#include "BenchSupport.h"

#include "controls/CDynComboBox.h" // how many rows a list reads

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <stdexcept>
#include <vector>

namespace {

// Runs sql and reads every row; the time it took.
double timedRead(QSqlDatabase &connection, const QString &sql, qint64 *rows = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    execSql(connection, QStringLiteral("SELECT 1")); // the connection is warm for both
    clock.restart();
    if (!query.exec(sql))
        throw std::runtime_error(("floor: " + sql).toStdString());
    qint64 read = 0;
    while (query.next())
        read += query.value(0).isNull() ? 0 : 1;
    const double ms = msSince(clock);
    if (rows)
        *rows = read;
    return ms;
}

// The engine's own CSV of the form's columns in NAME order, as its command
// line tool writes it into a file: sqlite3 -csv, or psql's \\copy (COPY ...
// TO STDOUT). -1 where the tool is not installed.
double engineCsvMs(const BenchDatabase &db)
{
    const QString select =
        QStringLiteral("SELECT ID, NAME, ORT, BETRAG, DATUM, AKTIV FROM Kunden ORDER BY NAME");
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("kunden.csv"));
    QString program;
    QStringList arguments;
    if (db.postgres) {
        program = QStandardPaths::findExecutable(QStringLiteral("psql"));
        if (program.isEmpty()) {
            const QStringList found = QDir(QStringLiteral("/usr/lib/postgresql"))
                                          .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            if (!found.isEmpty())
                program = QStringLiteral("/usr/lib/postgresql/%1/bin/psql").arg(found.last());
        }
        arguments = {
            QStringLiteral("-X"),
            QStringLiteral("-q"),
            QStringLiteral("-h"),
            db.server.section(QLatin1Char(':'), 0, 0),
            QStringLiteral("-p"),
            db.server.section(QLatin1Char(':'), 1, 1),
            QStringLiteral("-U"),
            db.user(),
            QStringLiteral("-d"),
            db.name,
            QStringLiteral("-c"),
            QStringLiteral("\\copy (%1) TO '%2' WITH (FORMAT csv, HEADER)").arg(select, file)};
    } else {
        program = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        arguments = {QStringLiteral("-csv"), QStringLiteral("-header"), db.name, select};
    }
    if (program.isEmpty() || !QFileInfo::exists(program))
        return -1;
    QProcess tool;
    if (!db.postgres)
        tool.setStandardOutputFile(file);
    QElapsedTimer clock;
    clock.start();
    tool.start(program, arguments);
    if (!tool.waitForFinished(600000) || tool.exitCode() != 0)
        throw std::runtime_error(("floor: " + program +
                                  " failed: " + QString::fromLocal8Bit(tool.readAllStandardError()))
                                     .toStdString());
    return msSince(clock);
}

Figures onePass(const BenchDatabase &db, const Expected &expected)
{
    Figures figures;
    const QString connectionName = QStringLiteral("floor");
    {
        QSqlDatabase connection = db.open(connectionName);
        figures["topn_first_ms"] =
            timedRead(connection, QStringLiteral("SELECT ID FROM Kunden ORDER BY NAME LIMIT 256"));
        // A field's list of the rows it may name: keys and names, the first
        // of them by name.
        figures["topn_list_ms"] = timedRead(
            connection, QStringLiteral("SELECT ID, NAME FROM Kunden ORDER BY NAME LIMIT %1")
                            .arg(CDynComboBox::kListRows));
        figures["topn_last_ms"] = timedRead(
            connection, QStringLiteral("SELECT ID FROM Kunden ORDER BY NAME DESC LIMIT 1"));
        figures["offset_middle_ms"] = timedRead(connection, middleQuery(expected.rows, "ID"));
        {
            // The first key after the first record that the search matches,
            // as the engine finds it itself: one scan that stops at it.
            QSqlQuery first(connection);
            if (!first.exec(
                    QStringLiteral("SELECT NAME, ID FROM Kunden ORDER BY NAME, ID LIMIT 1")) ||
                !first.next())
                throw std::runtime_error("floor: no first record");
            const QString like = db.postgres ? QStringLiteral(" ILIKE ") : QStringLiteral(" LIKE ");
            figures["first_match_after_ms"] = timedRead(
                connection, QStringLiteral("SELECT ID FROM Kunden WHERE NAME%1'%2' AND (NAME > "
                                           "'%3' OR (NAME = '%3' AND ID > %4)) ORDER BY NAME, ID "
                                           "LIMIT 1")
                                .arg(like, expected.aheadName, first.value(0).toString(),
                                     first.value(1).toString()));
        }
        figures["topn_by_place_ms"] = timedRead(
            connection, QStringLiteral("SELECT ID FROM Kunden WHERE ORT = '%1' ORDER BY NAME, ID "
                                       "LIMIT 256")
                            .arg(expected.firstPlace));
        figures["topn_by_ort_ms"] = timedRead(
            connection, QStringLiteral("SELECT ID FROM Kunden ORDER BY ORT, NAME, ID LIMIT 256"));
        figures["topn_by_ort_desc_ms"] = timedRead(
            connection,
            QStringLiteral("SELECT ID FROM Kunden ORDER BY ORT DESC, NAME, ID LIMIT 256"));
        figures["topn_filtered_ms"] = timedRead(
            connection, QStringLiteral("SELECT ID FROM Kunden WHERE ") + refilterCondition() +
                            QStringLiteral(" ORDER BY NAME LIMIT 256"));
        qint64 keys = 0;
        figures["full_keys_ms"] =
            timedRead(connection, QStringLiteral("SELECT ID FROM Kunden ORDER BY NAME"), &keys);
        if (keys != expected.rows)
            throw std::runtime_error("floor: the key query lost rows");
        figures["count_ms"] = timedRead(connection, QStringLiteral("SELECT COUNT(*) FROM Kunden"));
        figures["engine_csv_ms"] = engineCsvMs(db);

        // The rows the forms' moves visit: the first ones in NAME order, each
        // read with every column, as a form must.
        std::vector<qint64> ids;
        {
            QSqlQuery query(connection);
            query.setForwardOnly(true);
            query.exec(QStringLiteral("SELECT ID FROM Kunden ORDER BY NAME LIMIT %1").arg(kMoves));
            while (query.next())
                ids.push_back(query.value(0).toLongLong());
        }
        QSqlQuery lookup(connection);
        lookup.setForwardOnly(true);
        if (!lookup.prepare(QStringLiteral("SELECT * FROM Kunden WHERE ID = ?")))
            throw std::runtime_error("floor: prepare");
        QElapsedTimer clock;
        clock.start();
        int found = 0;
        for (qint64 id : ids) {
            lookup.bindValue(0, id);
            if (lookup.exec() && lookup.next())
                found += lookup.value(1).isNull() ? 0 : 1;
            lookup.finish();
        }
        figures["point_lookups_ms"] = msSince(clock);
        if (found != int(ids.size()))
            throw std::runtime_error("floor: point lookups missed rows");

        QSqlQuery update(connection);
        update.prepare(QStringLiteral("UPDATE Kunden SET ORT = ? WHERE ID = ?"));
        update.addBindValue(QStringLiteral("Boden %1").arg(expected.pass));
        update.addBindValue(ids.back());
        clock.restart();
        if (!update.exec())
            throw std::runtime_error("floor: update");
        figures["update_ms"] = msSince(clock);
    }
    QSqlDatabase::removeDatabase(connectionName);
    return figures;
}

} // namespace

int runFloor(const BenchDatabase &db, const Expected &expected, int passes)
{
    Figures best;
    Expected pass = expected;
    for (int i = 0; i < passes; ++i) {
        pass.pass = i;
        keepBest(best, onePass(db, pass));
    }
    best["peak_end_mib"] = peakMiB();
    printFigures(best);
    return 0;
}
