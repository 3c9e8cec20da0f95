// Two users at once and a server that restarts, through the record data
// manager, on SQLite and on a throw-away PostgreSQL server of its own.
//
//   bench_concurrent [--rows N] [--programs P]
//       N records per program (1000 if not given), P programs (2)
//
// Keys: P programs (copies of this one) add N records each to one table
// whose key the library computes (largest plus one, taken anew after every
// collision). Reported: failed inserts, rows stored, distinct keys, the
// largest key (P*N means no gaps) and the time; every failure's message goes
// to standard error, so that a refusal seen once can be looked at (more
// programs than cores, and a loaded machine, make collisions likelier).
//
// Restart: a form's records are open, the user has moved to record 300 and
// changed it when the server restarts. Reported: what the first save says,
// whether the second save stores the change, and whether moving on works.
//
// Every figure is one line "metric=<name> engine=<engine> key=value ...".

#include "data/CAdoDataMgr.h"
#include "facade/CKeloForm.h"
#include "platform/ComError.h"
#include "platform/RecordingMessages.h"
#include "support/PgServer.h"
#include "xml/CXmlHelper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct Database
{
    ns_qrttypen::KELODBTyp kind;
    QString name;   // file or database name
    QString server; // host:port for PostgreSQL
};

const char *engineName(const Database &db)
{
    return db.kind == ns_qrttypen::KELO_SQLITE ? "sqlite" : "postgresql";
}

QString document(const Database &db)
{
    CKeloForm form;
    form.Init(db.name, db.server, QStringLiteral("postgres"), QString(), QStringLiteral("kunden"),
              db.kind);
    form.RemoveColumn(QStringLiteral("id"), true);
    return form.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(), QStringLiteral("id"));
}

// A plain Qt connection for setting up and counting behind the library's back.
QSqlDatabase plain(const Database &db, const QString &connectionName)
{
    QSqlDatabase sql;
    if (db.kind == ns_qrttypen::KELO_SQLITE) {
        sql = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        sql.setDatabaseName(db.name);
    } else {
        sql = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        sql.setHostName(db.server.section(QLatin1Char(':'), 0, 0));
        sql.setPort(db.server.section(QLatin1Char(':'), 1).toInt());
        sql.setUserName(QStringLiteral("postgres"));
        sql.setDatabaseName(db.name);
    }
    if (!sql.open())
        std::fprintf(stderr, "open: %s\n", qPrintable(sql.lastError().text()));
    return sql;
}

QString scalar(const Database &db, const QString &sql)
{
    QString result;
    {
        QSqlDatabase connection = plain(db, QStringLiteral("count"));
        QSqlQuery query(connection);
        if (query.exec(sql) && query.next())
            result = query.value(0).toString();
        else
            std::fprintf(stderr, "%s: %s\n", qPrintable(sql), qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return result;
}

void execute(const Database &db, const QStringList &statements)
{
    {
        QSqlDatabase connection = plain(db, QStringLiteral("setup"));
        for (const QString &sql : statements) {
            QSqlQuery query(connection);
            if (!query.exec(sql))
                std::fprintf(stderr, "%s: %s\n", qPrintable(sql),
                             qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
}

// --- the child: one user adding records ------------------------------------------

int addRecords(const Database &db, int count, const QString &tag)
{
    RecordingMessages messages;
    ScopedUserMessages scope(messages);
    CAdoDataMgr records;
    records.Open(document(db), true);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        try {
            messages.clear();
            records.AddRecord();
            if (!records.WriteRecord(
                    QStringLiteral("<RECORDSET name=\"%1-%2\" />").arg(tag).arg(i))) {
                ++failed;
                std::fprintf(stderr, "%s-%d refused: %s\n", qPrintable(tag), i,
                             qPrintable(messages.texts().join(QLatin1Char(' '))));
            }
        } catch (const ComError &error) {
            std::fprintf(stderr, "%s-%d: %s\n", qPrintable(tag), i, qPrintable(error.message()));
            ++failed;
        }
    }
    std::printf("%d\n", failed);
    return 0;
}

// --- the figures ---------------------------------------------------------------------

void measureKeys(const Database &db, int rows, int programs)
{
    execute(db, {QStringLiteral("DROP TABLE IF EXISTS kunden"),
                 QStringLiteral("CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name "
                                "VARCHAR(40) NOT NULL)")});
    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> children;
    const QStringList arguments = {QStringLiteral("--child"), QString::number(int(db.kind)),
                                   db.name, db.server, QString::number(rows)};
    for (int i = 0; i < programs; ++i) {
        children.push_back(std::make_unique<QProcess>());
        children.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        children.back()->start(QCoreApplication::applicationFilePath(),
                               arguments + QStringList{QString(QChar(u'a' + i))});
    }
    int failed = 0;
    for (const std::unique_ptr<QProcess> &child : children) {
        child->waitForFinished(-1);
        failed += QString::fromUtf8(child->readAllStandardOutput()).trimmed().toInt();
    }
    const double seconds = double(clock.elapsed()) / 1000.0;
    std::printf("metric=auto_key_inserts engine=%s programs=%d rows_each=%d failed=%d stored=%s "
                "distinct=%s max_key=%s seconds=%.2f\n",
                engineName(db), programs, rows, failed,
                qPrintable(scalar(db, QStringLiteral("SELECT COUNT(*) FROM kunden"))),
                qPrintable(scalar(db, QStringLiteral("SELECT COUNT(DISTINCT id) FROM kunden"))),
                qPrintable(scalar(db, QStringLiteral("SELECT MAX(id) FROM kunden"))), seconds);
    std::fflush(stdout);
}

void measureRestart(const Database &db, PgServer &server)
{
    QStringList values;
    for (int i = 1; i <= 2000; ++i)
        values << QStringLiteral("(%1, 'Kunde %2')").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    execute(db, {QStringLiteral("DROP TABLE IF EXISTS kunden"),
                 QStringLiteral("CREATE TABLE kunden (id INT NOT NULL PRIMARY KEY, name "
                                "VARCHAR(40) NOT NULL)"),
                 QStringLiteral("INSERT INTO kunden VALUES ") + values.join(QLatin1Char(','))});
    RecordingMessages messages;
    ScopedUserMessages scope(messages);
    CAdoDataMgr records;
    records.Open(document(db), false);
    for (int i = 1; i < 300; ++i)
        records.MoveNext();
    CXmlHelper xml;
    (void)xml.loadXml(records.GetRecordXml());
    xml.setAttributeValue(xml.getXmlDocument().documentElement(), QStringLiteral("name"),
                          QStringLiteral("geändert"));
    const QString changed = xml.xml();

    QElapsedTimer clock;
    clock.start();
    const bool restarted = server.restart();
    const double restartSeconds = double(clock.elapsed()) / 1000.0;

    QString first = QStringLiteral("stored");
    try {
        records.WriteRecord(changed);
    } catch (const ComError &error) {
        first = QStringLiteral("refused(0x%1)").arg(error.code(), 8, 16, QLatin1Char('0'));
        std::fprintf(stderr, "first save after the restart: %s\n", qPrintable(error.message()));
    }
    QString second = QStringLiteral("stored");
    try {
        if (!records.WriteRecord(changed))
            second = QStringLiteral("refused");
    } catch (const ComError &error) {
        second = QStringLiteral("failed(%1)").arg(error.message());
    }
    QString moved = QStringLiteral("ok");
    try {
        records.MoveNext();
        records.MoveLast();
        (void)xml.loadXml(records.GetRecordXml());
        if (xml.getAttributeValue(QDomNode(), QStringLiteral("id")) != QLatin1String("2000"))
            moved = QStringLiteral("wrong(") + records.GetRecordXml() + QLatin1Char(')');
    } catch (const ComError &error) {
        moved = QStringLiteral("failed(%1)").arg(error.message());
    }
    std::printf("metric=server_restart engine=%s restart_ok=%d restart_seconds=%.2f "
                "first_save=%s second_save=%s stored=%s next_moves=%s messages=%lld\n",
                engineName(db), restarted ? 1 : 0, restartSeconds, qPrintable(first),
                qPrintable(second),
                qPrintable(scalar(db, QStringLiteral("SELECT name FROM kunden WHERE id = 300"))),
                qPrintable(moved), qlonglong(messages.texts().size()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.value(1) == QLatin1String("--child")) {
        const Database db{ns_qrttypen::KELODBTyp(arguments.value(2).toInt()), arguments.value(3),
                          arguments.value(4)};
        return addRecords(db, arguments.value(5).toInt(), arguments.value(6));
    }
    int rows = 1000;
    const qsizetype rowsAt = arguments.indexOf(QStringLiteral("--rows"));
    if (rowsAt > 0)
        rows = arguments.value(rowsAt + 1).toInt();
    int programs = 2;
    const qsizetype programsAt = arguments.indexOf(QStringLiteral("--programs"));
    if (programsAt > 0)
        programs = qBound(1, arguments.value(programsAt + 1).toInt(), 26);

    QTemporaryDir dir;
    const Database sqlite{ns_qrttypen::KELO_SQLITE, dir.filePath(QStringLiteral("kunden.sqlite")),
                          QString()};
    QFile(sqlite.name).open(QIODevice::WriteOnly);
    measureKeys(sqlite, rows, programs);

    // A server of our own, so that restarting it disturbs nobody.
    PgServer server(dir.filePath(QStringLiteral("pg")));
    if (!server.isRunning()) {
        std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(server.error()));
        return 1;
    }
    const Database postgres{ns_qrttypen::KELO_POSTGRESQL, QStringLiteral("postgres"),
                            server.server()};
    measureKeys(postgres, rows, programs);
    measureRestart(postgres, server);
    return 0;
}
