#include "support/RefusingPgServer.h"

#include <QAtomicInt>
#include <QHostAddress>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtEndian>

namespace {

// Request codes of the first message, which has no type byte.
constexpr quint32 kSslRequest = 80877103;
constexpr quint32 kGssEncRequest = 80877104;
constexpr quint32 kProtocol3 = 196608;

QByteArray int32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

quint32 readInt32(const QByteArray &bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

QByteArray message(char type, const QByteArray &payload)
{
    return type + int32(quint32(payload.size() + 4)) + payload;
}

// One client, from its start-up to the refusal.
class Session : public QObject
{
public:
    Session(QTcpSocket *socket, QAtomicInt *refusals, QObject *parent)
        : QObject(parent), m_socket(socket), m_refusals(refusals)
    {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
        connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    void read()
    {
        m_buffer += m_socket->readAll();
        while (handleOne()) {
        }
    }

    // Handles one complete message from the buffer; false when none is complete.
    bool handleOne()
    {
        if (!m_started) {
            if (m_buffer.size() < 8 || m_buffer.size() < qsizetype(readInt32(m_buffer, 0)))
                return false;
            const qsizetype length = readInt32(m_buffer, 0);
            const quint32 code = readInt32(m_buffer, 4);
            const QByteArray parameters = m_buffer.mid(8, length - 8);
            m_buffer.remove(0, length);
            if (code == kSslRequest || code == kGssEncRequest) {
                m_socket->write("N"); // no encryption; the start-up follows
            } else if (code == kProtocol3) {
                const QList<QByteArray> pairs = parameters.split('\0');
                for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
                    if (pairs.at(i) == "user")
                        m_user = pairs.at(i + 1);
                }
                m_started = true;
                m_socket->write(message('R', int32(3))); // a clear-text password, please
            } else {
                m_socket->disconnectFromHost();
            }
            return true;
        }
        if (m_buffer.size() < 5 || m_buffer.size() < 1 + qsizetype(readInt32(m_buffer, 1)))
            return false;
        const char type = m_buffer.at(0);
        m_buffer.remove(0, 1 + readInt32(m_buffer, 1));
        if (type == 'p') {
            m_refusals->ref();
            QByteArray fields;
            fields += QByteArray("SFATAL") + '\0';
            fields += QByteArray("VFATAL") + '\0';
            fields += QByteArray("C28P01") + '\0';
            fields += "Mpassword authentication failed for user \"" + m_user + '"' + '\0';
            fields += '\0';
            m_socket->write(message('E', fields));
            m_socket->flush();
        }
        m_socket->disconnectFromHost();
        return false;
    }

    QTcpSocket *m_socket;
    QAtomicInt *m_refusals;
    QByteArray m_buffer;
    QByteArray m_user;
    bool m_started = false;
};

} // namespace

class RefusingPgServer::Thread : public QThread
{
public:
    quint16 port = 0;
    QSemaphore ready;
    QAtomicInt refusals;

protected:
    void run() override
    {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost, 0)) {
            port = server.serverPort();
            QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
                // Sessions still open when the thread ends go with the server.
                while (QTcpSocket *socket = server.nextPendingConnection())
                    new Session(socket, &refusals, &server);
            });
        }
        ready.release();
        if (port != 0)
            exec();
    }
};

RefusingPgServer::RefusingPgServer() : m_thread(std::make_unique<Thread>())
{
    m_thread->start();
    m_thread->ready.acquire();
    m_port = m_thread->port;
}

RefusingPgServer::~RefusingPgServer()
{
    m_thread->quit();
    m_thread->wait();
}

QString RefusingPgServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

int RefusingPgServer::refusals() const
{
    return m_thread->refusals.loadRelaxed();
}
