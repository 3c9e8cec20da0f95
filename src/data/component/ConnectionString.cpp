#include "data/component/ConnectionString.h"

#include "platform/ComError.h"

#include <QRegularExpression>
#include <QVector>

#include <atomic>

namespace {

std::atomic<int> g_connectTimeout{15};
std::atomic<int> g_commandTimeout{30};

struct Pair
{
    QString key; // lower case, trimmed
    QString value;
};

// Splits at the semicolons that are not inside a "{…}" value.
QVector<Pair> splitPairs(const QString &text)
{
    QVector<Pair> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype equals = text.indexOf(QLatin1Char('='), i);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A piece without a value: skip it.
            if (semicolon < 0)
                break;
            i = semicolon + 1;
            continue;
        }
        Pair pair;
        pair.key = text.mid(i, equals - i).trimmed().toLower();
        qsizetype pos = equals + 1;
        while (pos < n && text.at(pos) == QLatin1Char(' '))
            ++pos;
        if (pos < n && text.at(pos) == QLatin1Char('{')) {
            // Quoted: up to the first single "}", "}}" standing for one.
            ++pos;
            while (pos < n) {
                const QChar c = text.at(pos);
                if (c == QLatin1Char('}')) {
                    if (pos + 1 < n && text.at(pos + 1) == QLatin1Char('}')) {
                        pair.value += c;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                pair.value += c;
                ++pos;
            }
            // What may follow the closing brace up to the separator is ignored.
            const qsizetype end = text.indexOf(QLatin1Char(';'), pos);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), equals + 1);
            pair.value = text.mid(equals + 1, (end < 0 ? n : end) - equals - 1);
            i = end < 0 ? n : end + 1;
        }
        pairs.append(pair);
    }
    return pairs;
}

QString valueOf(const QVector<Pair> &pairs, const char *key)
{
    for (const Pair &pair : pairs) {
        if (pair.key == QLatin1String(key))
            return pair.value;
    }
    return QString();
}

bool isPasswordKey(const QString &key)
{
    return key == QLatin1String("pwd") || key == QLatin1String("password");
}

int secondsOr(const QVector<Pair> &pairs, const char *key, const char *other, int fallback)
{
    QString text = valueOf(pairs, key);
    if (text.isNull())
        text = valueOf(pairs, other);
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    return ok && seconds >= 0 ? seconds : fallback;
}

// The settings a PostgreSQL server text may carry after its host, the keys
// they get in the connection string, and the key libpq knows them by.
struct ServerSetting
{
    const char *name; // in the server text, as libpq names it
    const char *key;  // in the connection string
};
constexpr ServerSetting kServerSettings[] = {
    {"sslmode", "SSL Mode"},
    {"sslrootcert", "Root Certificate"},
    {"application_name", "Application Name"},
    {"target_session_attrs", "Target Session Attrs"},
};

struct ServerText
{
    QString host;                          // host or host:port
    QVector<QPair<QString, QString>> keys; // connection string key, value
    QString error;                         // German; empty when understood
};

// Splits "host:port name=value name='a value'" the way libpq reads its
// connection settings: blanks between them, single quotes around a value
// with blanks, a backslash before a quote or backslash inside. A text
// without any "name=" stays the host as it is.
ServerText splitServerText(const QString &text)
{
    static const QRegularExpression setting(QStringLiteral("([A-Za-z_]+)="));
    ServerText result;
    QStringList hosts;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        const QRegularExpressionMatch match =
            setting.match(text, i, QRegularExpression::NormalMatch,
                          QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) {
            const qsizetype start = i;
            while (i < n && !text.at(i).isSpace())
                ++i;
            hosts << text.mid(start, i - start);
            continue;
        }
        const QString name = match.captured(1).toLower();
        i = match.capturedEnd();
        QString value;
        if (i < n && text.at(i) == QLatin1Char('\'')) {
            bool closed = false;
            for (++i; i < n; ++i) {
                const QChar c = text.at(i);
                if (c == QLatin1Char('\\') && i + 1 < n) {
                    value += text.at(++i);
                } else if (c == QLatin1Char('\'')) {
                    closed = true;
                    ++i;
                    break;
                } else {
                    value += c;
                }
            }
            if (!closed) {
                result.error = QStringLiteral("Im Servernamen fehlt das schließende Hochkomma "
                                              "nach %1=.")
                                   .arg(name);
                return result;
            }
        } else {
            while (i < n && !text.at(i).isSpace())
                value += text.at(i++);
        }
        const ServerSetting *known = nullptr;
        for (const ServerSetting &candidate : kServerSettings) {
            if (name == QLatin1String(candidate.name))
                known = &candidate;
        }
        if (!known) {
            result.error = QStringLiteral("Der Servername enthält die Einstellung „%1“, die die "
                                          "Bibliothek nicht kennt; möglich sind sslmode, "
                                          "sslrootcert, application_name und "
                                          "target_session_attrs.")
                               .arg(name);
            return result;
        }
        result.keys.append({QString::fromLatin1(known->key), value});
    }
    if (result.keys.isEmpty()) {
        result.host = text;
    } else if (hosts.size() > 1) {
        result.error = QStringLiteral("Der Servername „%1“ nennt mehr als einen Server.")
                           .arg(hosts.join(QLatin1Char(' ')));
    } else {
        result.host = hosts.value(0);
    }
    return result;
}

// The PostgreSQL settings of a string: its own keys, else those its server
// text carries.
void readTlsSettings(const QVector<Pair> &pairs, const ServerText &server, ConnectionParams *params)
{
    const auto setting = [&](const char *key) {
        QString value = valueOf(pairs, key);
        for (const auto &[serverKey, serverValue] : server.keys) {
            if (value.isNull() && serverKey.toLower() == QLatin1String(key))
                value = serverValue;
        }
        return value.trimmed();
    };
    params->sslMode = setting("ssl mode").toLower();
    params->sslRootCert = setting("root certificate");
    params->applicationName = setting("application name");
    params->targetSessionAttrs = setting("target session attrs").toLower();
    static const QStringList targets = {"any",     "read-write", "read-only",
                                        "primary", "standby",    "prefer-standby"};
    if (!params->targetSessionAttrs.isEmpty() && !targets.contains(params->targetSessionAttrs))
        throw ComError(E_INVALIDARG,
                       QStringLiteral("„%1“ ist keine Angabe für target_session_attrs; möglich "
                                      "sind %2.")
                           .arg(params->targetSessionAttrs, targets.join(QStringLiteral(", "))));

    static const QStringList modes = {"disable", "allow",     "prefer",
                                      "require", "verify-ca", "verify-full"};
    if (!params->sslMode.isEmpty() && !modes.contains(params->sslMode))
        throw ComError(E_INVALIDARG, QStringLiteral("„%1“ ist kein SSL-Modus; möglich sind %2.")
                                         .arg(params->sslMode, modes.join(QStringLiteral(", "))));
    // Qt's driver hands its options to libpq with every ";" made a blank.
    for (const QString *value : {&params->sslRootCert, &params->applicationName}) {
        if (value->contains(QLatin1Char(';')))
            throw ComError(E_INVALIDARG,
                           QStringLiteral("„%1“ enthält ein Semikolon, das sich PostgreSQL "
                                          "nicht übergeben lässt.")
                               .arg(*value));
    }
    // A CA given is a CA to check against.
    if (params->sslMode.isEmpty() && !params->sslRootCert.isEmpty())
        params->sslMode = QStringLiteral("verify-full");
}

} // namespace

namespace ConnectionString {

QString quoteValue(const QString &value)
{
    static const QString special = QStringLiteral(";={}");
    bool needsQuotes = false;
    for (const QChar c : value) {
        if (special.contains(c) || c.isSpace()) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return value;
    return QLatin1Char('{') + QString(value).replace(QLatin1Char('}'), QStringLiteral("}}")) +
           QLatin1Char('}');
}

QString build(DatabaseKind kind, const QString &database, const QString &server,
              const QString &user, const QString &password)
{
    // The blanks of the SQL Server string are as hosts know it.
    switch (kind) {
    case DatabaseKind::Access:
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               quoteValue(database) + QStringLiteral(";Persist Security Info=False");
    case DatabaseKind::SqlServer:
        return QStringLiteral("Driver={SQL Server}; Provider=SQLOLEDB; Server=") +
               quoteValue(server) + QStringLiteral("; Uid=") + quoteValue(user) +
               QStringLiteral(";Pwd=") + quoteValue(password) + QStringLiteral(";Database=") +
               quoteValue(database);
    case DatabaseKind::Sqlite:
        return QStringLiteral("Provider=SQLite;Data Source=") + quoteValue(database);
    case DatabaseKind::PostgreSql: {
        // A server text the splitter does not understand goes in whole, and
        // parse() says what is wrong with it.
        const ServerText parsed = splitServerText(server);
        const bool split = parsed.error.isEmpty();
        QString text = QStringLiteral("Provider=PostgreSQL;Server=") +
                       quoteValue(split ? parsed.host : server) + QStringLiteral(";Uid=") +
                       quoteValue(user) + QStringLiteral(";Pwd=") + quoteValue(password) +
                       QStringLiteral(";Database=") + quoteValue(database);
        if (split) {
            for (const auto &[key, value] : parsed.keys)
                text += QLatin1Char(';') + key + QLatin1Char('=') + quoteValue(value);
        }
        return text;
    }
    }
    return QString();
}

QString value(const QString &connectionString, const QString &key)
{
    const QString wanted = key.trimmed().toLower();
    for (const Pair &pair : splitPairs(connectionString)) {
        if (pair.key == wanted)
            return pair.value;
    }
    return QString();
}

QString redacted(const QString &connectionString)
{
    // Rebuilt piece by piece, so a quoted password holding ";" goes as a whole.
    QString result;
    // Walks the text itself to keep its spelling (blanks, letter case).
    qsizetype i = 0;
    const qsizetype n = connectionString.size();
    while (i < n) {
        const qsizetype equals = connectionString.indexOf(QLatin1Char('='), i);
        const qsizetype semicolon = connectionString.indexOf(QLatin1Char(';'), i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const qsizetype end = semicolon < 0 ? n : semicolon + 1;
            result += connectionString.mid(i, end - i);
            i = end;
            continue;
        }
        const QString key = connectionString.mid(i, equals - i);
        // Where this value ends, braces respected.
        qsizetype pos = equals + 1;
        while (pos < n && connectionString.at(pos) == QLatin1Char(' '))
            ++pos;
        if (pos < n && connectionString.at(pos) == QLatin1Char('{')) {
            ++pos;
            while (pos < n) {
                if (connectionString.at(pos) == QLatin1Char('}')) {
                    if (pos + 1 < n && connectionString.at(pos + 1) == QLatin1Char('}')) {
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    break;
                }
                ++pos;
            }
        }
        qsizetype end = connectionString.indexOf(QLatin1Char(';'), pos);
        if (end < 0)
            end = n;
        result += key + QLatin1Char('=');
        if (isPasswordKey(key.trimmed().toLower()))
            result += QStringLiteral("***");
        else
            result += connectionString.mid(equals + 1, end - equals - 1);
        if (end < n)
            result += QLatin1Char(';');
        i = end + 1;
    }
    return result;
}

} // namespace ConnectionString

ConnectionParams::ConnectionParams()
    : connectTimeout(g_connectTimeout.load()), commandTimeout(g_commandTimeout.load())
{}

void ConnectionParams::setDefaultTimeouts(int connectSeconds, int commandSeconds)
{
    g_connectTimeout = qMax(0, connectSeconds);
    g_commandTimeout = qMax(0, commandSeconds);
}

ConnectionParams ConnectionParams::parse(const QString &connectionString)
{
    const QVector<Pair> pairs = splitPairs(connectionString);
    const QString provider = valueOf(pairs, "provider").trimmed().toLower();
    const QString driver = valueOf(pairs, "driver").trimmed().toLower();

    ConnectionParams params;
    params.connectTimeout =
        secondsOr(pairs, "connect timeout", "connection timeout", params.connectTimeout);
    params.commandTimeout = secondsOr(pairs, "command timeout", "", params.commandTimeout);
    if (provider == QLatin1String("sqlite")) {
        params.kind = DatabaseKind::Sqlite;
        params.database = valueOf(pairs, "data source");
    } else if (provider == QLatin1String("postgresql")) {
        params.kind = DatabaseKind::PostgreSql;
        const ServerText parsed = splitServerText(valueOf(pairs, "server").trimmed());
        if (!parsed.error.isEmpty())
            throw ComError(E_INVALIDARG, parsed.error);
        // "db1:5432,db2:5433": libpq tries the servers in turn (with
        // target_session_attrs, until one of the kind asked for answers).
        QStringList hosts;
        QStringList ports;
        for (const QString &part : parsed.host.trimmed().split(QLatin1Char(','))) {
            const QString server = part.trimmed();
            const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
            bool portOk = false;
            const int port = colon > 0 ? server.mid(colon + 1).toInt(&portOk) : 0;
            hosts << (portOk ? server.left(colon) : server);
            ports << (portOk ? QString::number(port) : QString());
        }
        params.host = hosts.join(QLatin1Char(','));
        if (hosts.size() == 1) {
            params.port = ports.constFirst().isEmpty() ? -1 : ports.constFirst().toInt();
        } else if (!ports.join(QString()).isEmpty()) {
            // A server without its port takes PostgreSQL's.
            for (QString &port : ports) {
                if (port.isEmpty())
                    port = QStringLiteral("5432");
            }
            params.ports = ports.join(QLatin1Char(','));
        }
        params.user = valueOf(pairs, "uid");
        params.password = valueOf(pairs, "pwd");
        params.database = valueOf(pairs, "database");
        readTlsSettings(pairs, parsed, &params);
    } else if (provider.startsWith(QLatin1String("microsoft.jet.oledb"))) {
        params.kind = DatabaseKind::Access;
        params.database = valueOf(pairs, "data source");
        params.odbcString =
            QStringLiteral("Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=") +
            ConnectionString::quoteValue(params.database) + QLatin1Char(';');
    } else if (driver == QLatin1String("sql server") || provider == QLatin1String("sqloledb")) {
        // The ODBC driver manager gets the string as the host wrote it (it
        // reads "{…}" values the same way); on Linux FreeTDS is registered
        // under the driver name "SQL Server".
        params.kind = DatabaseKind::SqlServer;
        params.odbcString = connectionString;
        params.host = valueOf(pairs, "server").trimmed();
        params.user = valueOf(pairs, "uid");
        params.password = valueOf(pairs, "pwd");
        params.database = valueOf(pairs, "database");
    } else {
        // The string itself stays out of the message: it may hold a password.
        throw ComError(E_FAIL, QStringLiteral("Die Verbindungszeichenfolge nennt keinen bekannten "
                                              "Datenbanktreiber (Provider=%1).")
                                   .arg(provider.isEmpty() ? QStringLiteral("?") : provider));
    }
    return params;
}
