// PostgreSQL's refusals of rows and values, told in parts (EngineRefusal).
//
// The error's fields say the rule (SQLSTATE), the table, the column of a NOT
// NULL, the constraint's name and the type; its message and detail are the
// server's sentences, in the server's language (lc_messages may be German),
// and are never read here. What the fields leave out, the catalog tells:
// the columns of a unique index or a constraint, the other table of a
// foreign key, an enum's labels. Those few queries run only after a refusal.

#include "data/component/engines/PgResult.h"
#include "data/component/engines/PostgresBackend.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlResult>

namespace {

// The failed statement's result, which QPSQL keeps until the query runs
// again; null where the driver hands out none.
const PGresult *failedResult(const QSqlQuery &query)
{
    const QSqlResult *result = query.result();
    if (!result)
        return nullptr;
    const QVariant handle = result->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "pg_result*") != 0 &&
                              qstrcmp(handle.typeName(), "PGresult*") != 0))
        return nullptr;
    return *static_cast<PGresult *const *>(handle.constData());
}

QString errorField(const PGresult *result, int code)
{
    const char *value = result ? PQresultErrorField(result, code) : nullptr;
    return value ? QString::fromUtf8(value) : QString();
}

EngineRefusal::Rule ruleOf(const QString &state)
{
    using Rule = EngineRefusal::Rule;
    if (state == QLatin1String("23505"))
        return Rule::Unique;
    // 23001 is RESTRICT's; which side of the key refused is decided later.
    if (state == QLatin1String("23503") || state == QLatin1String("23001"))
        return Rule::MissingParent;
    if (state == QLatin1String("23502"))
        return Rule::NotNull;
    if (state == QLatin1String("23514"))
        return Rule::Check;
    if (state == QLatin1String("23P01"))
        return Rule::Exclusion;
    if (state == QLatin1String("22003"))
        return Rule::OutOfRange;
    // A text the type cannot read: an enum's label, a uuid, an array, a date.
    if (state == QLatin1String("22P02") || state == QLatin1String("22007") ||
        state == QLatin1String("22008"))
        return Rule::InvalidText;
    return Rule::None;
}

QStringList namesOf(const QString &json)
{
    QStringList names;
    for (const QJsonValue &name : QJsonDocument::fromJson(json.toUtf8()).array())
        names << name.toString();
    return names;
}

bool containsAny(const QStringList &columns, const QStringList &wanted)
{
    for (const QString &column : wanted) {
        if (columns.contains(column, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// The columns of an index, by position; those of expressions have none.
constexpr const char *kIndexColumns =
    "SELECT to_json(ARRAY(SELECT a.attname FROM unnest(i.indkey::int2[]) WITH ORDINALITY "
    "AS u(n, o) JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = u.n ORDER BY u.o)) "
    "FROM pg_index i WHERE i.indexrelid = to_regclass(format('%I.%I', $1::text, $2::text))";

// A constraint of a table: its columns, the table it refers to and that
// one's columns (foreign keys), and whether the written table ($4) is the
// constraint's own or the one it refers to.
constexpr const char *kConstraint =
    "SELECT to_json(ARRAY(SELECT a.attname FROM unnest(k.conkey) WITH ORDINALITY AS u(n, o) "
    "JOIN pg_attribute a ON a.attrelid = k.conrelid AND a.attnum = u.n ORDER BY u.o)), "
    "COALESCE(f.relname, ''), "
    "to_json(ARRAY(SELECT a.attname FROM unnest(k.confkey) WITH ORDINALITY AS u(n, o) "
    "JOIN pg_attribute a ON a.attrelid = k.confrelid AND a.attnum = u.n ORDER BY u.o)), "
    "COALESCE(k.conrelid = to_regclass($4::text), false), "
    "COALESCE(k.confrelid = to_regclass($4::text), false) "
    "FROM pg_constraint k LEFT JOIN pg_class f ON f.oid = k.confrelid "
    "WHERE k.conname = $3::text AND k.conrelid = to_regclass(format('%I.%I', $1::text, $2::text))";

constexpr const char *kEnumLabels =
    "SELECT e.enumlabel FROM pg_type t JOIN pg_enum e ON e.enumtypid = "
    "CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE t.oid END "
    "WHERE t.oid = to_regtype($1::text) ORDER BY e.enumsortorder";

} // namespace

EngineRefusal PostgresBackend::reportedRefusal(const QSqlError &error, const QSqlQuery &query,
                                               QString *schema)
{
    EngineRefusal refusal;
    refusal.sqlState = error.nativeErrorCode();
    refusal.rule = ruleOf(refusal.sqlState);
    if (refusal.isEmpty())
        return EngineRefusal();
    const PGresult *result = failedResult(query);
    refusal.table = errorField(result, PG_DIAG_TABLE_NAME);
    refusal.constraint = errorField(result, PG_DIAG_CONSTRAINT_NAME);
    refusal.typeName = errorField(result, PG_DIAG_DATATYPE_NAME);
    const QString column = errorField(result, PG_DIAG_COLUMN_NAME);
    if (!column.isEmpty())
        refusal.columns << column;
    *schema = errorField(result, PG_DIAG_SCHEMA_NAME);
    return refusal;
}

EngineRefusal PostgresBackend::refusalOf(const QSqlError &error, const QSqlQuery &query,
                                         const RowWrite *write)
{
    QString schema;
    EngineRefusal refusal = reportedRefusal(error, query, &schema);
    if (!refusal.isEmpty() && !refusal.constraint.isEmpty() && !refusal.table.isEmpty())
        explainConstraint(refusal, schema, write, query.lastQuery());
    else if (refusal.rule == EngineRefusal::Rule::InvalidText && !refusal.typeName.isEmpty())
        refusal.allowedValues = enumLabels(refusal.typeName);
    return refusal;
}

void PostgresBackend::explainConstraint(EngineRefusal &refusal, const QString &schema,
                                        const RowWrite *write, const QString &statement)
{
    using Rule = EngineRefusal::Rule;
    if (refusal.rule == Rule::Unique) {
        // A unique constraint's index has the constraint's name; a unique
        // index made without one is named as itself.
        const QVector<QStringList> rows = catalogRows(kIndexColumns, {schema, refusal.constraint});
        if (!rows.isEmpty())
            refusal.columns = namesOf(rows.first().value(0));
        return;
    }
    if (refusal.rule == Rule::NotNull)
        return; // the column is in the error
    const QVector<QStringList> rows = catalogRows(
        kConstraint, {schema, refusal.table, refusal.constraint, write ? write->table : QString()});
    if (rows.isEmpty())
        return; // a domain's check: the type is in the error
    const QStringList &row = rows.first();
    const QStringList ownColumns = namesOf(row.value(0));
    if (refusal.rule != Rule::MissingParent) {
        refusal.columns = ownColumns;
        return;
    }

    // Both sides of a foreign key report the referring table. Which side
    // refused follows from what was written: a new row refers, a deleted
    // one is referred to; an update may be either, or both for a table
    // that refers to itself, where the columns it wrote tell.
    const QString parent = row.value(1);
    const QStringList parentColumns = namesOf(row.value(2));
    const bool writtenRefers = row.value(3) == QLatin1String("t");
    const bool writtenIsReferred = row.value(4) == QLatin1String("t");
    RowWrite::Kind kind = RowWrite::Kind::Update;
    if (write)
        kind = write->kind;
    else if (statement.trimmed().startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive))
        kind = RowWrite::Kind::Insert;
    else if (statement.trimmed().startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive))
        kind = RowWrite::Kind::Delete;
    bool stillReferenced = kind == RowWrite::Kind::Delete;
    if (kind == RowWrite::Kind::Update && writtenIsReferred)
        stillReferenced =
            !writtenRefers || !containsAny(write ? write->columns : QStringList(), ownColumns);
    if (stillReferenced) {
        refusal.rule = Rule::StillReferenced;
        refusal.otherTable = refusal.table;
        refusal.table = parent;
        refusal.columns = kind == RowWrite::Kind::Update ? parentColumns : QStringList();
    } else {
        refusal.otherTable = parent;
        refusal.columns = ownColumns;
    }
}

QStringList PostgresBackend::enumLabels(const QString &type)
{
    QStringList labels;
    for (const QStringList &row : catalogRows(kEnumLabels, {type}))
        labels << row.value(0);
    return labels;
}

QVector<QStringList> PostgresBackend::catalogRows(const char *sql, const QStringList &parameters)
{
    // Asked on the main connection, unless the refused statement ended its
    // transaction (an update's): then on the reader connection, which
    // reads the same catalog. Inside a transaction in a savepoint, so that
    // a failure here ends nothing.
    QSqlDatabase db = m_db;
    PGconn *connection = nativeConnection(db);
    if (connection && PQtransactionStatus(connection) == PQTRANS_ACTIVE) {
        // The driver has not read the end of the refused statement's answer
        // yet (it would, before its next statement); its result stays.
        while (PGresult *rest = PQgetResult(connection))
            PQclear(rest);
    }
    if (connection && PQtransactionStatus(connection) == PQTRANS_INERROR) {
        try {
            db = readerDatabase();
        } catch (const ComError &) {
            return {};
        }
        connection = nativeConnection(db);
    }
    if (!connection || PQstatus(connection) != CONNECTION_OK)
        return {};
    const PGTransactionStatusType status = PQtransactionStatus(connection);
    if (status != PQTRANS_IDLE && status != PQTRANS_INTRANS)
        return {};
    const bool inside = status == PQTRANS_INTRANS;
    const auto command = [connection](const char *text) {
        PgResult done(PQexec(connection, text));
        return done && PQresultStatus(done.get()) == PGRES_COMMAND_OK;
    };
    if (inside && !command("SAVEPOINT qrt_explain"))
        return {};

    QVector<QByteArray> texts;
    for (const QString &parameter : parameters)
        texts << parameter.toUtf8();
    QVector<const char *> values;
    for (const QByteArray &text : texts)
        values << (text.isEmpty() ? nullptr : text.constData()); // an empty name: NULL
    PgResult result;
    {
        struct Watch
        {
            PostgresBackend *self;
            ~Watch() { self->statementEnds(); }
        } watch{this};
        statementStarts(db);
        result.reset(PQexecParams(connection, sql, int(values.size()), nullptr, values.data(),
                                  nullptr, nullptr, 0));
    }
    const bool ok = result && PQresultStatus(result.get()) == PGRES_TUPLES_OK;
    if (inside) {
        if (!ok)
            command("ROLLBACK TO SAVEPOINT qrt_explain");
        command("RELEASE SAVEPOINT qrt_explain");
    }
    QVector<QStringList> rows;
    if (!ok)
        return rows;
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        QStringList texts;
        for (int column = 0; column < PQnfields(result.get()); ++column)
            texts << QString::fromUtf8(PQgetvalue(result.get(), row, column));
        rows << texts;
    }
    return rows;
}
