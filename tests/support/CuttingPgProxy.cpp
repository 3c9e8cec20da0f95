#include "support/CuttingPgProxy.h"

#include <QAtomicInt>
#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

// A simple-query message holding just "COMMIT", as the driver sends it.
const QByteArray kCommit("Q\0\0\0\x0b"
                         "COMMIT\0",
                         12);

enum State { Passing = 0, Armed = 1, Cut = 2 };

// One client and its connection to the server.
class Link : public QObject
{
public:
    Link(QTcpSocket *client, quint16 serverPort, QAtomicInt *state, QObject *parent)
        : QObject(parent), m_client(client), m_server(new QTcpSocket(this)), m_state(state)
    {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, [this] { fromClient(); });
        connect(m_server, &QTcpSocket::readyRead, this, [this] { fromServer(); });
        connect(m_server, &QTcpSocket::connected, this, [this] {
            m_server->write(m_waiting);
            m_waiting.clear();
        });
        connect(client, &QTcpSocket::disconnected, this, [this] { end(); });
        connect(m_server, &QTcpSocket::disconnected, this, [this] { end(); });
        m_server->connectToHost(QHostAddress::LocalHost, serverPort);
    }

private:
    void fromClient()
    {
        const QByteArray bytes = m_client->readAll();
        if (m_state->loadAcquire() == Armed && bytes.contains(kCommit)) {
            m_state->storeRelease(Cut);
            m_cutting = true;
        }
        if (m_server->state() == QAbstractSocket::ConnectedState)
            m_server->write(bytes);
        else
            m_waiting += bytes;
    }
    void fromServer()
    {
        const QByteArray bytes = m_server->readAll();
        if (m_cutting) {
            // The server has answered, so it has committed; the client
            // never hears it.
            m_client->abort();
            end();
            return;
        }
        m_client->write(bytes);
    }
    void end()
    {
        if (m_ended)
            return;
        m_ended = true;
        m_client->abort();
        m_server->abort();
        deleteLater();
    }

    QTcpSocket *m_client;
    QTcpSocket *m_server;
    QAtomicInt *m_state;
    QByteArray m_waiting;
    bool m_cutting = false;
    bool m_ended = false;
};

} // namespace

class CuttingPgProxy::Thread : public QThread
{
public:
    explicit Thread(quint16 serverPort) : serverPort(serverPort) {}
    const quint16 serverPort;
    quint16 port = 0;
    QSemaphore ready;
    QAtomicInt state = Passing;

protected:
    void run() override
    {
        QTcpServer listener;
        if (listener.listen(QHostAddress::LocalHost, 0)) {
            port = listener.serverPort();
            QObject::connect(&listener, &QTcpServer::newConnection, &listener, [this, &listener] {
                while (QTcpSocket *client = listener.nextPendingConnection())
                    new Link(client, serverPort, &state, &listener);
            });
        }
        ready.release();
        if (port != 0)
            exec();
    }
};

CuttingPgProxy::CuttingPgProxy(quint16 serverPort) : m_thread(std::make_unique<Thread>(serverPort))
{
    m_thread->start();
    m_thread->ready.acquire();
    m_port = m_thread->port;
}

CuttingPgProxy::~CuttingPgProxy()
{
    m_thread->quit();
    m_thread->wait();
}

QString CuttingPgProxy::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void CuttingPgProxy::cutAfterNextCommit()
{
    m_thread->state.storeRelease(Armed);
}

bool CuttingPgProxy::hasCut() const
{
    return m_thread->state.loadAcquire() == Cut;
}
