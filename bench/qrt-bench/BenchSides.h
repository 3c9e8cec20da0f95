#ifndef QRT_BENCH_BENCHSIDES_H
#define QRT_BENCH_BENCHSIDES_H

#include "BenchSupport.h"

// The sides of the benchmark, each run in a process of its own so that its
// peak memory is its own. Each makes several passes and prints the best
// value of every figure.

// Moves per move figure.
constexpr int kMoves = 1000;

// What each side must find, read from the table before anything is timed:
// the figures only count when the forms really show these rows.
struct Expected
{
    int rows = 0;
    QString firstName; // in NAME order
    QString lastName;
    QString middleName;    // of the record at rows / 2
    QString firstFiltered; // the first of the re-filtered rows
    QString aheadName;  // of the record 10,000 after the first (the middle one in smaller tables)
    QString firstPlace; // ORT of the first record
    int pass = 0;

    QStringList arguments() const;
    static Expected fromArguments(const QStringList &arguments);
    static Expected read(const BenchDatabase &db, int rows);
};

int runOurs(const BenchDatabase &db, const Expected &expected, int passes);
int runReference(const BenchDatabase &db, const Expected &expected, int passes);
int runFloor(const BenchDatabase &db, const Expected &expected, int passes);
// Every record of the stored Kunden form into a CSV file.
int runExport(const BenchDatabase &db, const Expected &expected, int passes);
// A generated form of a 200-column table in design mode: opening and saving.
int runDesignScale(const BenchDatabase &db, int passes);

#endif // QRT_BENCH_BENCHSIDES_H
