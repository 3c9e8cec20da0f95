// WriteRecord with any record text, against a SQLite table with a column of
// every category.
//
// Properties: a write either stores the row (true) or stores nothing (false
// with a message, or a ComError for the caller to report); a refused write
// leaves the stored row exactly as it was; after a stored write the record
// text of the row reads again. The same for a new record.
#include "FuzzSupport.h"

#include "data/CAdoDataMgr.h"
#include "platform/ComError.h"
#include "platform/RecordingMessages.h"
#include "xml/RecordText.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<CAdoDataMgr> g_manager;
QString g_document;
QString g_file;
int g_inputs = 0;

// The rows of the table as the engine holds them, read past the library.
QStringList snapshot()
{
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("fuzz-check"));
    QSqlQuery query(db);
    fuzz::check(query.exec(QStringLiteral("SELECT * FROM alles ORDER BY id")), "reading the rows");
    QStringList rows;
    while (query.next()) {
        QString row;
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            const QVariant value = query.value(i);
            row += value.isNull() ? QStringLiteral("<null>") : value.toString();
            row += QLatin1Char('|');
        }
        rows << row;
    }
    return rows;
}

void reopen()
{
    // The rows a run added go; the three of the set-up stay (as written).
    QSqlQuery(QSqlDatabase::database(QStringLiteral("fuzz-check")))
        .exec(QStringLiteral("DELETE FROM alles WHERE id > 3"));
    g_manager = std::make_unique<CAdoDataMgr>();
    g_manager->Open(g_document, false);
    fuzz::check(g_manager->recordset() != nullptr && g_manager->HasRecord(),
                "the table opens with its rows");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    g_file = fuzz::databaseWithEveryCategory();
    g_document = fuzz::documentForEveryCategory();
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-check"));
    db.setDatabaseName(g_file);
    fuzz::check(db.open(), "opening the check connection");
    reopen();
    // The manager goes before Qt's SQL connection list does at exit.
    std::atexit([] { g_manager.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 16 * 1024)
        return -1;
    if (size < 1)
        return 0;
    // A fresh manager now and then, so that what a long run added does not
    // pile up.
    if (++g_inputs % 2000 == 0)
        reopen();
    fuzz::messages().clear();

    // The first byte: which row, or a new one.
    const uint8_t where = data[0];
    const QString text = fuzz::text(data + 1, size - 1);
    const bool adding = (where & 3) == 3;
    try {
        g_manager->MoveFirst();
        for (int i = 0; i < (where & 3); ++i)
            g_manager->MoveNext();
        if (adding)
            fuzz::check(g_manager->AddRecord(), "a new record can be started");
    } catch (const ComError &error) {
        fuzz::fail("moving over the rows", error.message());
    }

    const QStringList before = snapshot();
    bool stored = false;
    try {
        stored = g_manager->WriteRecord(text);
    } catch (const ComError &error) {
        fuzz::check(!error.message().isEmpty(), "a refusal says why");
    }
    if (!stored) {
        fuzz::check(snapshot() == before, "a refused write changes nothing",
                    text + QStringLiteral("\n") + fuzz::messages().texts().join(QLatin1Char('\n')));
        g_manager->Undo();
        return 0;
    }
    RecordText::Fields fields;
    QString reason;
    fuzz::check(RecordText::read(g_manager->GetRecordXml(), &fields, &reason),
                "the stored row's record text reads", reason);
    if (adding) {
        fuzz::check(snapshot().size() == before.size() + 1, "a stored new record is one more row",
                    text);
        try {
            (void)g_manager->DeleteRecord();
        } catch (const ComError &) {
        }
    }
    return 0;
}
