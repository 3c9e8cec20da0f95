#include "data/ConnectionShare.h"

Connection ConnectionShare::connect(const QString &connectionString)
{
    const auto known = m_connections.constFind(connectionString);
    if (known != m_connections.constEnd() && known->State() == adStateOpen)
        return *known;
    Connection connection;
    connection.Open(connectionString, QString(), QString(), 0);
    m_connections.insert(connectionString, connection);
    return connection;
}
