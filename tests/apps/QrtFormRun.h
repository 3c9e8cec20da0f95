#ifndef QRT_TESTS_APPS_QRTFORMRUN_H
#define QRT_TESTS_APPS_QRTFORMRUN_H

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Running qrt-form (and the scripts around it) as a user runs them from a
// shell. Every wait is bounded: a program that hangs fails its test.
namespace QrtFormRun {

struct ProgramRun
{
    int exitCode = -1; // -1 when it crashed or was killed
    QString out;
    QString err;
};

inline ProgramRun
run(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
    int timeoutMs = 60000)
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

} // namespace QrtFormRun

#endif // QRT_TESTS_APPS_QRTFORMRUN_H
