#include "data/component/ConnectionString.h"

#include "platform/ComError.h"

#include <QHash>

namespace {

QHash<QString, QString> splitPairs(const QString &text)
{
    QHash<QString, QString> pairs;
    for (const QString &part : text.split(QLatin1Char(';'))) {
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = part.left(equals).trimmed().toLower();
        if (!pairs.contains(key))
            pairs.insert(key, part.mid(equals + 1));
    }
    return pairs;
}

} // namespace

ConnectionParams ConnectionParams::parse(const QString &connectionString)
{
    const QHash<QString, QString> pairs = splitPairs(connectionString);
    const QString provider = pairs.value(QStringLiteral("provider")).trimmed().toLower();
    const QString driver = pairs.value(QStringLiteral("driver")).trimmed().toLower();

    ConnectionParams params;
    if (provider == QLatin1String("sqlite")) {
        params.kind = DatabaseKind::Sqlite;
        params.database = pairs.value(QStringLiteral("data source"));
    } else if (provider == QLatin1String("postgresql")) {
        params.kind = DatabaseKind::PostgreSql;
        const QString server = pairs.value(QStringLiteral("server")).trimmed();
        const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
        bool portOk = false;
        const int port = colon > 0 ? server.mid(colon + 1).toInt(&portOk) : 0;
        params.host = portOk ? server.left(colon) : server;
        params.port = portOk ? port : -1;
        params.user = pairs.value(QStringLiteral("uid"));
        params.password = pairs.value(QStringLiteral("pwd"));
        params.database = pairs.value(QStringLiteral("database"));
    } else if (provider.startsWith(QLatin1String("microsoft.jet.oledb"))) {
        params.kind = DatabaseKind::Access;
        params.database = pairs.value(QStringLiteral("data source"));
        params.odbcString =
            QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=") +
            params.database + QLatin1Char(';');
    } else if (driver == QLatin1String("{sql server}") || provider == QLatin1String("sqloledb")) {
        // The ODBC driver manager gets the string as the host wrote it; on
        // Linux FreeTDS is registered under the driver name "SQL Server".
        params.kind = DatabaseKind::SqlServer;
        params.odbcString = connectionString;
        params.host = pairs.value(QStringLiteral("server")).trimmed();
        params.user = pairs.value(QStringLiteral("uid"));
        params.password = pairs.value(QStringLiteral("pwd"));
        params.database = pairs.value(QStringLiteral("database"));
    } else {
        throw ComError(E_FAIL, QStringLiteral("Die Verbindungszeichenfolge nennt keinen bekannten "
                                              "Datenbanktreiber: ") +
                                   connectionString);
    }
    return params;
}
