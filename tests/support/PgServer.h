#ifndef QRT_TESTS_PGSERVER_H
#define QRT_TESTS_PGSERVER_H

#include <QStringList>

// A throw-away PostgreSQL server of one's own, started with pg-server.sh in
// a state folder (which the script creates and removes), on 127.0.0.1 at a
// free port, user postgres without a password. Stopped, and its files
// removed, when the object goes. Used where a program needs a server it may
// restart or configure without disturbing the test run's shared one: the
// benchmarks, the encrypted-connection tests and the outage tests.
class PgServer
{
public:
    // With tlsFolder the server also speaks TLS with tlsFolder/server.crt
    // and server.key.
    explicit PgServer(const QString &stateFolder, const QString &tlsFolder = QString());
    // A hot standby of primary, streaming from it, on a port of its own.
    PgServer(const QString &stateFolder, const PgServer &primary);
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // False when the binaries are missing or the server did not start;
    // error() then says what the script said.
    [[nodiscard]] bool isRunning() const { return !m_port.isEmpty(); }
    [[nodiscard]] const QString &error() const { return m_error; }
    // False when the server binaries are not installed (the start then is
    // no failure, only impossible).
    [[nodiscard]] bool binariesFound() const { return m_binariesFound; }
    [[nodiscard]] const QString &port() const { return m_port; }
    // "127.0.0.1:port", the server text a host passes.
    [[nodiscard]] QString server() const { return QStringLiteral("127.0.0.1:") + m_port; }
    // The server's log file (connections are logged on a TLS server).
    [[nodiscard]] QString logFile() const;

    // Restarts it on the same port, as an administrator would: every
    // session ends, the data stays. False when it did not come back.
    bool restart() { return runScript({"restart", m_state}); }

    // What befalls a server in an outage, through the script: a fast
    // shutdown, a crash (SIGKILL to the postmaster and its children) and a
    // freeze (SIGSTOP), after which it answers nothing until resume(). A
    // halted or crashed server comes back with restart().
    bool halt() { return runScript({"halt", m_state}); }
    bool kill() { return runScript({"kill", m_state}); }
    bool pause() { return runScript({"pause", m_state}); }
    bool resume() { return runScript({"resume", m_state}); }
    // Its PgBouncer ends too, as when the server's machine goes down.
    bool stopPooler() { return runScript({"pooler-down", m_state}); }
    // A standby becomes a primary, as in a failover.
    bool promote() { return runScript({"promote", m_state}); }
    // signal sent straight to the postmaster and its children, without
    // starting the script first: a test that must hit the server in the
    // middle of a statement cannot wait for a process start. For SIGKILL it
    // returns once the processes have ended.
    bool signalAtOnce(int signal);

    [[nodiscard]] const QString &stateFolder() const { return m_state; }

    // The script itself, for a test that runs it directly.
    static QString script();

private:
    void start(const QStringList &arguments);
    bool runScript(const QStringList &arguments);

    QString m_state;
    QString m_port;
    QString m_error;
    bool m_binariesFound = true;
};

#endif // QRT_TESTS_PGSERVER_H
