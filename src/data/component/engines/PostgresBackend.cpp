#include "data/component/engines/PostgresBackend.h"

namespace {

class PostgresKeySource final : public KeySource
{
public:
    PostgresKeySource(PostgresBackend *backend, QString cursor)
        : m_backend(backend), m_cursor(std::move(cursor))
    {}
    ~PostgresKeySource() override
    {
        if (!m_cursor.isEmpty())
            m_backend->closeCursor(m_cursor);
    }

    bool read(KeyStore &keys, qsizetype maxRows) override
    {
        QSqlQuery query = m_backend->readerQuery();
        const QString sql = QStringLiteral("FETCH FORWARD %1 FROM %2").arg(maxRows).arg(m_cursor);
        if (!query.exec(sql))
            m_backend->raise(query.lastError());
        qsizetype rows = 0;
        while (query.next()) {
            keys.appendFrom(query);
            ++rows;
        }
        if (rows < maxRows) {
            m_backend->closeCursor(m_cursor);
            m_cursor.clear();
            return false;
        }
        return true;
    }

private:
    PostgresBackend *m_backend;
    QString m_cursor;
};

} // namespace

PostgresBackend::PostgresBackend(const ConnectionParams &params) : Backend(params)
{
    openDatabase(QStringLiteral("QPSQL"));
}

PostgresBackend::~PostgresBackend()
{
    if (!m_readerName.isEmpty()) {
        {
            QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
            reader.close();
        }
        QSqlDatabase::removeDatabase(m_readerName);
    }
}

void PostgresBackend::configureDatabase(QSqlDatabase &db)
{
    db.setHostName(m_params.host.isEmpty() ? QStringLiteral("localhost") : m_params.host);
    if (m_params.port > 0)
        db.setPort(m_params.port);
    db.setUserName(m_params.user);
    db.setPassword(m_params.password);
    db.setDatabaseName(m_params.database);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
}

QSqlDatabase PostgresBackend::readerDatabase()
{
    if (m_readerName.isEmpty()) {
        m_readerName = m_connectionName + QStringLiteral("-keys");
        QSqlDatabase reader = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_readerName);
        configureDatabase(reader);
    }
    QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
    if (!reader.isOpen() && !reader.open())
        raise(reader.lastError());
    return reader;
}

QSqlQuery PostgresBackend::readerQuery()
{
    QSqlQuery query(readerDatabase());
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    return query;
}

QString PostgresBackend::declareCursor(const QString &sql)
{
    QSqlQuery query = readerQuery();
    if (m_openCursors == 0 && !query.exec(QStringLiteral("BEGIN READ ONLY")))
        raise(query.lastError());
    const QString name = QStringLiteral("qrt_keys_%1").arg(++m_cursorCounter);
    // A savepoint keeps a refused query from ending the transaction that the
    // other open cursors live in.
    const bool declared =
        query.exec(QStringLiteral("SAVEPOINT qrt_declare")) &&
        query.exec(QStringLiteral("DECLARE %1 NO SCROLL CURSOR FOR %2").arg(name, sql));
    if (!declared) {
        const QSqlError error = query.lastError();
        QSqlQuery cleanup = readerQuery();
        cleanup.exec(m_openCursors == 0 ? QStringLiteral("ROLLBACK")
                                        : QStringLiteral("ROLLBACK TO SAVEPOINT qrt_declare"));
        raise(error);
    }
    query.exec(QStringLiteral("RELEASE SAVEPOINT qrt_declare"));
    ++m_openCursors;
    return name;
}

void PostgresBackend::closeCursor(const QString &name)
{
    QSqlDatabase reader = QSqlDatabase::database(m_readerName, false);
    if (!reader.isOpen())
        return;
    QSqlQuery query(reader);
    query.exec(QStringLiteral("CLOSE %1").arg(name));
    if (--m_openCursors <= 0) {
        m_openCursors = 0;
        query.exec(QStringLiteral("COMMIT"));
    }
}

std::unique_ptr<KeySource> PostgresBackend::openKeySource(const QString &sql, int width)
{
    Q_UNUSED(width);
    const QString cursor = declareCursor(sql);
    return std::make_unique<PostgresKeySource>(this, cursor);
}

QStringList PostgresBackend::tableNames()
{
    QSqlQuery query = newQuery();
    exec(query,
         QStringLiteral(
             "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
             "WHERE c.relkind IN ('r','v','p') AND n.nspname = ANY (current_schemas(false)) "
             "ORDER BY c.relname"));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

TableSchema PostgresBackend::readTable(const QString &name)
{
    QSqlQuery query = newQuery();
    // As the engine resolves the name in SQL: unquoted names fold to lower
    // case; a table created with a quoted mixed-case name is found as written.
    query.prepare(QStringLiteral("SELECT c.oid::int8, c.relname FROM pg_class c WHERE c.oid = "
                                 "COALESCE(to_regclass(?), to_regclass(quote_ident(?)))"));
    query.addBindValue(name);
    query.addBindValue(name);
    exec(query);
    if (!query.next())
        throw ComError(DB_E_NOTABLE,
                       QStringLiteral("Die Tabelle %1 gibt es in der Datenbank nicht.").arg(name));
    const qlonglong oid = query.value(0).toLongLong();
    TableSchema table;
    table.name = query.value(1).toString();
    query.finish();

    exec(query,
         QStringLiteral(
             "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, "
             "a.attidentity <> '' OR COALESCE(pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', "
             "false) "
             "FROM pg_attribute a LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = "
             "a.attnum "
             "WHERE a.attrelid = %1 AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum")
             .arg(oid));
    while (query.next()) {
        ColumnSchema column =
            columnFromDeclaredType(query.value(0).toString(), query.value(1).toString());
        if (!query.value(2).toBool())
            column.attributes |= adColNullable;
        column.autoIncrement = query.value(3).toBool();
        table.columns << column;
    }
    query.finish();

    exec(query,
         QStringLiteral("SELECT c.conname, c.contype, a.attname, f.relname FROM pg_constraint c "
                        "CROSS JOIN LATERAL unnest(c.conkey) WITH ORDINALITY AS k(attnum, ord) "
                        "JOIN pg_attribute a ON a.attrelid = c.conrelid AND a.attnum = k.attnum "
                        "LEFT JOIN pg_class f ON f.oid = c.confrelid "
                        "WHERE c.conrelid = %1 AND c.contype IN ('p','u','f') "
                        "ORDER BY c.contype = 'p' DESC, c.conname, k.ord")
             .arg(oid));
    while (query.next()) {
        const QString keyName = query.value(0).toString();
        if (table.keys.isEmpty() || table.keys.last().name != keyName) {
            KeySchema key;
            key.name = keyName;
            const QString type = query.value(1).toString();
            key.type = type == QLatin1String("p")   ? adKeyPrimary
                       : type == QLatin1String("u") ? adKeyUnique
                                                    : adKeyForeign;
            key.relatedTable = query.value(3).toString();
            table.keys << key;
        }
        table.keys.last().columns << query.value(2).toString();
    }
    query.finish();
    return table;
}

QStringList PostgresBackend::rowIdentity(const TableSchema &table) const
{
    QStringList identity = Backend::rowIdentity(table);
    if (identity.isEmpty())
        identity << QStringLiteral("ctid"); // the row's address; updates return the new one
    return identity;
}
