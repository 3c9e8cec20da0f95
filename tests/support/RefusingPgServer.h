#ifndef QRT_TESTS_REFUSINGPGSERVER_H
#define QRT_TESTS_REFUSINGPGSERVER_H

#include <QString>

#include <memory>

// A stand-in for a PostgreSQL server that asks every client for its password
// and refuses it as a real server does ("FATAL: password authentication
// failed for user …", SQLSTATE 28P01), so tests can see what a wrong
// password gives without a server set up for passwords (the tests' own
// server trusts every login).
//
// It speaks just enough of the protocol for that: it declines SSL and GSS
// encryption, asks for a clear-text password and answers it with the error.
// It serves from a thread of its own, so a client in the test's thread may
// block while it connects.
class RefusingPgServer
{
public:
    RefusingPgServer(); // listens on 127.0.0.1 at a free port
    ~RefusingPgServer();
    RefusingPgServer(const RefusingPgServer &) = delete;
    RefusingPgServer &operator=(const RefusingPgServer &) = delete;

    [[nodiscard]] bool isListening() const { return m_port != 0; }
    // "127.0.0.1:PORT", as a connection's server.
    [[nodiscard]] QString address() const;
    // How many passwords were refused so far.
    [[nodiscard]] int refusals() const;

private:
    class Thread;
    std::unique_ptr<Thread> m_thread;
    quint16 m_port = 0;
};

#endif // QRT_TESTS_REFUSINGPGSERVER_H
