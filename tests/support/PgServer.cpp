#include "support/PgServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether a process runs (a zombie has ended, only nobody has reaped it).
bool processRuns(pid_t process)
{
    const QByteArray status = readFile(QStringLiteral("/proc/%1/status").arg(process));
    return !status.isEmpty() && !status.contains("State:\tZ");
}

// The postmaster, from its lock file, and its children, from /proc.
QList<pid_t> serverProcesses(const QString &state)
{
    const QString server =
        QString::fromLocal8Bit(readFile(state + QStringLiteral("/server"))).trimmed();
    const pid_t postmaster = pid_t(
        readFile(server + QStringLiteral("/data/postmaster.pid")).split('\n').value(0).toInt());
    if (postmaster <= 0)
        return {};
    QList<pid_t> processes{postmaster};
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const pid_t process = pid_t(entry.toInt(&number));
        if (!number)
            continue;
        // "pid (name) state ppid …"; the name may hold blanks.
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(process));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toInt() == postmaster)
            processes << process;
    }
    return processes;
}

} // namespace

QString PgServer::script()
{
    return QStringLiteral(QRT_PG_SERVER_SCRIPT);
}

PgServer::PgServer(const QString &stateFolder, const QString &tlsFolder) : m_state(stateFolder)
{
    QStringList arguments{QStringLiteral("start"), m_state};
    if (!tlsFolder.isEmpty())
        arguments << tlsFolder;
    start(arguments);
}

PgServer::PgServer(const QString &stateFolder, const PgServer &primary) : m_state(stateFolder)
{
    start({QStringLiteral("standby"), m_state, primary.stateFolder()});
}

void PgServer::start(const QStringList &arguments)
{
    if (!runScript(arguments))
        return;
    // Without the server binaries the script succeeds and writes no port.
    QFile portFile(m_state + QStringLiteral("/port"));
    if (!portFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("the PostgreSQL server binaries are not installed");
        m_binariesFound = false;
        return;
    }
    m_port = QString::fromLatin1(portFile.readAll()).trimmed();
}

PgServer::~PgServer()
{
    runScript({QStringLiteral("stop"), m_state});
}

QString PgServer::logFile() const
{
    const QByteArray server = readFile(m_state + "/server").trimmed();
    return server.isEmpty() ? QString() : QString::fromLocal8Bit(server) + "/server.log";
}

bool PgServer::signalAtOnce(int signal)
{
    const QList<pid_t> processes = serverProcesses(m_state);
    if (processes.isEmpty()) {
        m_error = QStringLiteral("no server process found");
        return false;
    }
    for (const pid_t process : processes)
        ::kill(process, signal);
    if (signal != SIGKILL)
        return true;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && std::any_of(processes.begin(), processes.end(), processRuns))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !std::any_of(processes.begin(), processes.end(), processRuns);
}

bool PgServer::runScript(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("bash"), QStringList{script()} + arguments);
    // initdb and the first start take seconds on a busy machine, not minutes.
    if (process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    m_error = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (m_error.isEmpty())
        m_error = QStringLiteral("pg-server.sh %1 failed").arg(arguments.value(0));
    return false;
}
