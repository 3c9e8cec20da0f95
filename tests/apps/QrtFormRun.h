#ifndef QRT_TESTS_APPS_QRTFORMRUN_H
#define QRT_TESTS_APPS_QRTFORMRUN_H

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Running qrt-form and qrt-filter (and the scripts around them) as a user
// runs them from a shell. Every wait is bounded: a program that hangs fails
// its test.
namespace QrtFormRun {

// A bound on a wait, for the speed of this run: QRT_TIME_SCALE (the
// sanitizer build sets it) times what an ordinary build needs.
inline int scaledMs(int ms)
{
    return ms * qMax(1, qEnvironmentVariableIntValue("QRT_TIME_SCALE"));
}

struct ProgramRun
{
    int exitCode = -1; // -1 when it crashed or was killed
    QString out;
    QString err;
};

inline ProgramRun
run(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = scaledMs(60000))
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << program.toStdString()
                      << " did not finish: " << arguments.join(QLatin1Char(' ')).toStdString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// qrt-form with arguments, on the platform the test program runs on
// (offscreen under CTest).
inline ProgramRun
form(const QStringList &arguments,
     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    return run(QStringLiteral(QRT_FORM_BINARY), arguments, environment);
}

// A fresh demo database in folder, made by the script a user runs; its path.
inline QString makeDemoDatabase(const QString &folder)
{
    const QString file = QDir(folder).filePath(QStringLiteral("kunden.sqlite"));
    const ProgramRun made = run(QStringLiteral("bash"),
                                {QStringLiteral(QRT_SOURCE_DIR "/scripts/make-demo-db.sh"), file});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    return file;
}

// What sql reads from the SQLite file, on a connection of its own, behind
// the program's back: the values of a row joined by "|", rows by new lines.
inline QString query(const QString &file, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("QrtFormRun"));
        db.setDatabaseName(file);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << (query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
            rows << values.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("QrtFormRun"));
    return rows.join(QLatin1Char('\n'));
}

} // namespace QrtFormRun

#endif // QRT_TESTS_APPS_QRTFORMRUN_H
