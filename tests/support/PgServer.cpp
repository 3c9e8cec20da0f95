#include "support/PgServer.h"

#include <QFile>
#include <QProcess>

QString PgServer::script()
{
    return QStringLiteral(QRT_PG_SERVER_SCRIPT);
}

PgServer::PgServer(const QString &stateFolder, const QString &tlsFolder) : m_state(stateFolder)
{
    QStringList arguments{QStringLiteral("start"), m_state};
    if (!tlsFolder.isEmpty())
        arguments << tlsFolder;
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
    QFile where(m_state + QStringLiteral("/server"));
    if (!where.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(where.readAll()).trimmed() + QStringLiteral("/server.log");
}

bool PgServer::restart()
{
    return runScript({QStringLiteral("restart"), m_state});
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
