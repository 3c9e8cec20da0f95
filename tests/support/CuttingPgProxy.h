#ifndef QRT_TESTS_CUTTINGPGPROXY_H
#define QRT_TESTS_CUTTINGPGPROXY_H

#include <QString>

#include <memory>

// Passes PostgreSQL connections through to a real server, and on request
// loses the answer to a statement: the server has done it, the client hears
// only that the connection broke. That is the moment a save is in doubt,
// which a real network or a failover gives only by chance.
//
// It serves from a thread of its own, so a client in the test's thread may
// block on it.
class CuttingPgProxy
{
public:
    explicit CuttingPgProxy(quint16 serverPort); // listens on 127.0.0.1 at a free port
    ~CuttingPgProxy();
    CuttingPgProxy(const CuttingPgProxy &) = delete;
    CuttingPgProxy &operator=(const CuttingPgProxy &) = delete;

    [[nodiscard]] bool isListening() const { return m_port != 0; }
    // "127.0.0.1:PORT", as a connection's server.
    [[nodiscard]] QString address() const;
    // The statements a client sends next, in this order, reach the server
    // (each is known by how its text starts, others may come in between);
    // the answer to the last of them does not, and that client's connection
    // is closed. {"COMMIT"}: a commit the server made and the client never
    // heard of.
    void cutAnswerTo(const QList<QByteArray> &statementStarts);
    // Whether an answer was cut since the last cutAnswerTo().
    [[nodiscard]] bool hasCut() const;

private:
    class Thread;
    std::unique_ptr<Thread> m_thread;
    quint16 m_port = 0;
};

#endif // QRT_TESTS_CUTTINGPGPROXY_H
