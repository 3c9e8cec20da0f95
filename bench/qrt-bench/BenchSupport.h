#ifndef QRT_BENCH_BENCHSUPPORT_H
#define QRT_BENCH_BENCHSUPPORT_H

#include "facade/KeloTypes.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

// What the sides of qrt-bench share: the database they run on, the Kunden
// table, clocks, memory and the figures a side reports to the driver.

// One database of the run: a SQLite file or the throw-away PostgreSQL
// server's database.
struct BenchDatabase
{
    bool postgres = false;
    QString name;   // file, or database name
    QString server; // host:port on PostgreSQL

    const char *engine() const { return postgres ? "postgresql" : "sqlite"; }
    ns_qrttypen::KELODBTyp kind() const
    {
        return postgres ? ns_qrttypen::KELO_POSTGRESQL : ns_qrttypen::KELO_SQLITE;
    }
    QString user() const { return postgres ? QStringLiteral("postgres") : QString(); }
    // The table and its columns as the engine's catalog names them (PostgreSQL
    // folds the unquoted names to lower case).
    QString table() const { return postgres ? QStringLiteral("kunden") : QStringLiteral("Kunden"); }
    QString column(const char *name) const
    {
        const QString upper = QString::fromLatin1(name);
        return postgres ? upper.toLower() : upper;
    }

    QStringList arguments() const;
    static BenchDatabase fromArguments(const QStringList &arguments);

    // A plain Qt connection (the reference form's, the floor's, the setup's).
    QSqlDatabase open(const QString &connectionName) const;
};

// Figures of one side: name -> value, printed as "name=value" lines.
using Figures = std::map<std::string, double>;

// Keeps the smallest value of each figure over passes: other load on the
// machine only ever adds time.
void keepBest(Figures &best, const Figures &pass);
void printFigures(const Figures &figures);
Figures parseFigures(const QByteArray &output);

double msSince(const QElapsedTimer &timer);
// The process's peak resident set so far (VmHWM), in MiB; 0 where unknown.
double peakMiB();

// Runs sql on connection; throws std::runtime_error with the engine's words.
void execSql(QSqlDatabase &connection, const QString &sql);
QString scalarSql(QSqlDatabase &connection, const QString &sql);

// The Kunden table of the issue with rows rows of scrambled names, built by
// the engine itself; index adds the index on NAME.
void createKunden(const BenchDatabase &db, int rows);
void createNameIndex(const BenchDatabase &db);
// Bestellungen (ID, KUNDE_ID referring to Kunden, MENGE), ten orders of the
// first ten customers: its form's field KUNDE_ID lists Kunden by NAME.
void createOrders(const BenchDatabase &db);
// The stored forms of Kunden and Bestellungen, made the way a user makes
// them: the library's form in design mode, generated from the columns and
// saved.
void createStoredForm(const BenchDatabase &db);
// The configuration document of the library's form on table.
QString formDocument(const BenchDatabase &db, const QString &table, bool designMode,
                     const QString &filter = QString(), const QString &sort = QString());

// The filter of the re-filter figure (about one row in forty).
QString refilterCondition();
// The query of column of the record at rows / 2 in the form's order, by OFFSET.
QString middleQuery(int rows, const char *column);
// The column of the record 10,000 after the first in the form's order (of
// the middle one where there are fewer): what a search finds ahead.
QString aheadQuery(int rows, const char *column);

#endif // QRT_BENCH_BENCHSUPPORT_H
