#include "support/CuttingPgProxy.h"

#include <QHostAddress>
#include <QMutex>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

// What the links share: the statements still to come before the cut, the
// first of them next. Guarded, as the test's thread sets it.
struct Plan
{
    QMutex mutex;
    QList<QByteArray> statements;
    bool cut = false;

    // Whether bytes hold the next statement of the plan as a simple query,
    // and it was the last: then its answer is to be cut.
    bool passes(const QByteArray &bytes)
    {
        const QMutexLocker lock(&mutex);
        bool last = false;
        while (!statements.isEmpty() && !cut) {
            qsizetype at = bytes.indexOf(statements.first());
            // A query message: 'Q', its length, its text.
            while (at >= 0 && (at < 5 || bytes.at(at - 5) != 'Q'))
                at = bytes.indexOf(statements.first(), at + 1);
            if (at < 0)
                break;
            statements.removeFirst();
            last = statements.isEmpty();
            cut = last;
        }
        return last;
    }
};

// One client and its connection to the server.
class Link : public QObject
{
public:
    Link(QTcpSocket *client, quint16 serverPort, Plan *plan, QObject *parent)
        : QObject(parent), m_client(client), m_server(new QTcpSocket(this)), m_plan(plan)
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
        if (m_plan->passes(bytes))
            m_cutting = true;
        if (m_server->state() == QAbstractSocket::ConnectedState)
            m_server->write(bytes);
        else
            m_waiting += bytes;
    }
    void fromServer()
    {
        const QByteArray bytes = m_server->readAll();
        if (m_cutting) {
            // The server has answered, so it has done the statement; the
            // client never hears it.
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
    Plan *m_plan;
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
    Plan plan;

protected:
    void run() override
    {
        QTcpServer listener;
        if (listener.listen(QHostAddress::LocalHost, 0)) {
            port = listener.serverPort();
            QObject::connect(&listener, &QTcpServer::newConnection, &listener, [this, &listener] {
                while (QTcpSocket *client = listener.nextPendingConnection())
                    new Link(client, serverPort, &plan, &listener);
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

void CuttingPgProxy::cutAnswerTo(const QList<QByteArray> &statementStarts)
{
    const QMutexLocker lock(&m_thread->plan.mutex);
    m_thread->plan.statements = statementStarts;
    m_thread->plan.cut = false;
}

bool CuttingPgProxy::hasCut() const
{
    const QMutexLocker lock(&m_thread->plan.mutex);
    return m_thread->plan.cut;
}
