#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QVector>

#include <memory>

namespace {

constexpr const char *kActionVariable = "QRT_TEST_CHILD_ACTION";
constexpr const char *kArgumentsVariable = "QRT_TEST_CHILD_ARGS";
// Arguments travel in one variable, separated by a character no test uses.
constexpr QChar kSeparator(0x1f);

QMap<QString, ChildProcess::Action> &actions()
{
    static QMap<QString, ChildProcess::Action> registry;
    return registry;
}

} // namespace

namespace ChildProcess {

bool registerAction(const char *name, Action action)
{
    actions().insert(QString::fromLatin1(name), std::move(action));
    return true;
}

QVector<Result> run(const char *name, const QStringList &arguments, int count, int timeoutSeconds)
{
    return runEach(name, QVector<QStringList>(count, arguments), timeoutSeconds);
}

QVector<Result> runEach(const char *name, const QVector<QStringList> &argumentsPerChild,
                        int timeoutSeconds)
{
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QStringList &arguments : argumentsPerChild) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kActionVariable), QString::fromLatin1(name));
        environment.insert(QString::fromLatin1(kArgumentsVariable), arguments.join(kSeparator));
        child->setProcessEnvironment(environment);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(), {});
        children.push_back(std::move(child));
    }
    QVector<Result> results;
    QElapsedTimer clock;
    clock.start();
    for (auto &child : children) {
        Result result;
        const qint64 left = qMax<qint64>(1, qint64(timeoutSeconds) * 1000 - clock.elapsed());
        if (child->waitForFinished(int(left)) && child->exitStatus() == QProcess::NormalExit) {
            result.exitCode = child->exitCode();
        } else {
            child->kill();
            child->waitForFinished(5000);
        }
        result.output = QString::fromUtf8(child->readAll());
        results << result;
    }
    return results;
}

bool runIfChild(int *exitCode)
{
    const QString name = qEnvironmentVariable(kActionVariable);
    if (name.isEmpty())
        return false;
    const QString joined = qEnvironmentVariable(kArgumentsVariable);
    const QStringList arguments = joined.isEmpty() ? QStringList() : joined.split(kSeparator);
    const auto action = actions().constFind(name);
    *exitCode = action == actions().constEnd() ? 99 : (*action)(arguments);
    return true;
}

} // namespace ChildProcess
