#ifndef QRT_TESTS_CHILDPROCESS_H
#define QRT_TESTS_CHILDPROCESS_H

#include <QStringList>

#include <functional>

// Tests of two programs on one database: a test starts copies of its own
// test program as children, each running a registered action instead of the
// tests. A child has its own process-wide state (the column cache, the Qt
// connections), exactly as a second user's program would.
//
//     QRT_CHILD_ACTION(insertRows, [](const QStringList &args) { …; return 0; });
//     const QVector<ChildResult> results = runChildren("insertRows", {db, n}, 2);
namespace ChildProcess {

using Action = std::function<int(const QStringList &arguments)>;

struct Result
{
    int exitCode = -1;
    QString output; // standard output and error together
};

// Registers an action under name (at static initialisation).
bool registerAction(const char *name, Action action);

// Runs count children at once, each with the arguments, and waits for all
// (at most timeoutSeconds); a child that does not end in time is killed and
// reported with exit code -1.
QVector<Result> run(const char *name, const QStringList &arguments, int count,
                    int timeoutSeconds = 120);

// Runs one child per argument list, all at once, as run() does.
QVector<Result> runEach(const char *name, const QVector<QStringList> &argumentsPerChild,
                        int timeoutSeconds = 120);

// Called by main(): runs the action that the environment names, if any.
// Returns true (and sets *exitCode) when this process is a child.
bool runIfChild(int *exitCode);

} // namespace ChildProcess

#define QRT_CHILD_ACTION_CONCAT(a, b) a##b
#define QRT_CHILD_ACTION_NAME(a, b) QRT_CHILD_ACTION_CONCAT(a, b)
#define QRT_CHILD_ACTION(name, ...)                                                                \
    static const bool QRT_CHILD_ACTION_NAME(qrtChildAction_, __LINE__) =                           \
        ChildProcess::registerAction(#name, __VA_ARGS__)

#endif // QRT_TESTS_CHILDPROCESS_H
