#include "FuzzSupport.h"

#include "facade/CKeloForm.h"
#include "platform/RecordingMessages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

namespace {

QApplication *g_app = nullptr;
RecordingMessages *g_messages = nullptr;
std::unique_ptr<ScopedUserMessages> g_installed;
std::unique_ptr<QTemporaryDir> g_scratch;

} // namespace

void initialise(int *argc, char ***argv)
{
    if (g_app)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own warnings (a refused statement, a font not found) are noise
    // at a million inputs.
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    // libFuzzer's flags mean nothing to Qt; QApplication gets the name only.
    static int appArgc = 1;
    static char *appArgv[] = {(*argv)[0], nullptr};
    (void)argc;
    g_app = new QApplication(appArgc, appArgv);
    g_messages = new RecordingMessages;
    g_installed = std::make_unique<ScopedUserMessages>(*g_messages);
    std::atexit([] {
        g_installed.reset();
        g_scratch.reset();
    });
}

RecordingMessages &messages()
{
    return *g_messages;
}

QString text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

QString utf16(const uint8_t *data, size_t size)
{
    return QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2));
}

QStringList parts(const QString &text, int count)
{
    QStringList result = text.split(QChar(0));
    while (result.size() < count)
        result << QString();
    return result;
}

void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "\nPROPERTY VIOLATED: %s\n%s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

QString scratchFolder()
{
    if (!g_scratch) {
        g_scratch =
            std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/qrt-fuzz-XXXXXX"));
        check(g_scratch->isValid(), "a temporary folder");
    }
    return g_scratch->path();
}

void execOn(const QString &file, const QStringList &statements)
{
    const QString name = QStringLiteral("fuzz-setup");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        check(db.open(), "opening the fuzz database", db.lastError().text());
        QSqlQuery query(db);
        for (const QString &sql : statements)
            check(query.exec(sql), "a set-up statement",
                  sql + QLatin1Char('\n') + query.lastError().text());
    }
    QSqlDatabase::removeDatabase(name);
}

QString databaseWithEveryCategory()
{
    const QString file = scratchFolder() + QStringLiteral("/alles.sqlite");
    if (QFile::exists(file))
        return file;
    execOn(file,
           {QStringLiteral("CREATE TABLE alles (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(10), "
                           "notiz TEXT, anzahl INTEGER, gross BIGINT, klein SMALLINT, "
                           "betrag DOUBLE PRECISION, preis NUMERIC(10,2), datum DATE, "
                           "zeitpunkt TIMESTAMP, aktiv BOOLEAN, bild BLOB, uhrzeit TIME, "
                           "pflicht VARCHAR(5) NOT NULL DEFAULT 'x')"),
            QStringLiteral("INSERT INTO alles VALUES (1, 'Meier', 'eine\nNotiz', 3, 9000000000, "
                           "-2, 12.5, 9.99, '2021-03-07', '2021-03-07 12:30:00', 1, X'00FF', "
                           "'12:30:00', 'a')"),
            QStringLiteral("INSERT INTO alles (id, pflicht) VALUES (2, 'b')"),
            QStringLiteral("INSERT INTO alles VALUES (3, 'Köln & Co', '<>&\"''', 0, 0, 0, 0, 0, "
                           "'1999-12-31', '1999-12-31 23:59:59', 0, X'', '00:00:00', 'c')")});
    return file;
}

QString documentForEveryCategory()
{
    CKeloForm form;
    form.Init(databaseWithEveryCategory(), QString(), QString(), QString(), QStringLiteral("alles"),
              ns_qrttypen::KELO_SQLITE);
    form.RemoveColumn(QStringLiteral("id"), true);
    return form.FilledDocument(CKeloForm::EntryPoint::ShowForm);
}

} // namespace fuzz
