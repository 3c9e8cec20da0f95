// LoadConfig with any configuration document, on SQLite only: the filter's
// LoadConfig (columns, suppressed columns, its own tables) and the record
// data manager's Open (which adds FILTER and SORT, the host's SQL).
//
// Properties: any document is taken or refused (false, or a ComError for
// the caller), never a crash or a hang; the filter's column list never
// holds a suppressed column; and the table of the form keeps its rows.
//
// Documents that name a server engine or a file outside the scratch folder
// are skipped: the fuzzer is to read documents, not to open connections to
// the network or to files of the machine.
#include "FuzzSupport.h"

#include "data/CAdoDataMgr.h"
#include "filter/CFilterMgr.h"
#include "platform/ComError.h"
#include "platform/RecordingMessages.h"
#include "xml/CXmlHelper.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QString secondDatabase()
{
    return fuzz::scratchFolder() + QStringLiteral("/kunden.sqlite");
}

// What CBaseMgr::LoadConfig will connect to, read the same way; false for a
// server or a file outside the scratch folder.
bool staysLocal(const QString &document)
{
    CXmlHelper xml;
    if (!xml.loadXml(document))
        return true;
    const QDomNodeList roots = xml.getXmlDocument().elementsByTagName(QStringLiteral("ADOBUILDER"));
    if (roots.isEmpty())
        return true;
    const QDomNode root = roots.at(0);
    const QDomNode type = xml.getChildItemByName(root, QStringLiteral("DBTYP"));
    const QDomNode name = xml.getChildItemByName(root, QStringLiteral("DBNAME"));
    if (type.isNull() || name.isNull())
        return true;
    const QString kind = type.toElement().text();
    if (kind != QLatin1String("SQLITE") && kind != QLatin1String("ACCESS"))
        return false;
    // The two files of the scratch folder, or a name of no file at all
    // (which the library refuses to create).
    const QString file = name.toElement().text();
    return file == fuzz::databaseWithEveryCategory() || file == secondDatabase() ||
           (!file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\')) &&
            !file.contains(QLatin1Char(':')) && !QFileInfo::exists(file));
}

int rowCount()
{
    QSqlQuery query(QSqlDatabase::database(QStringLiteral("fuzz-check")));
    fuzz::check(query.exec(QStringLiteral("SELECT COUNT(*) FROM alles")) && query.next(),
                "counting the rows");
    return query.value(0).toInt();
}

template <typename Manager> void checkSuppressed(const Manager &manager, const QString &document)
{
    for (const ColumnInfo &column : manager.columns())
        fuzz::check(manager.FindSuppressColumn(column.name) == nullptr,
                    "no suppressed column is in the column list",
                    column.name + QLatin1Char('\n') + document);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    const QString file = fuzz::databaseWithEveryCategory();
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-check"));
    db.setDatabaseName(file);
    fuzz::check(db.open(), "opening the check connection");
    // A second file with a table of awkward names.
    fuzz::execOn(
        secondDatabase(),
        {QStringLiteral("CREATE TABLE IF NOT EXISTS \"Kunden Nr\" (\"Nr\" INTEGER PRIMARY KEY, "
                        "\"Straße\" TEXT)")});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 16 * 1024)
        return -1;
    QString document = fuzz::text(data, size);
    // "@DB" and "@KUNDEN" stand for the scratch databases, whose names the
    // seeds cannot know.
    document.replace(QStringLiteral("@DB"), fuzz::databaseWithEveryCategory());
    document.replace(QStringLiteral("@KUNDEN"), secondDatabase());
    if (!staysLocal(document))
        return -1;
    fuzz::messages().clear();
    const int rows = rowCount();
    {
        CFilterMgr filter;
        try {
            if (filter.LoadConfig(document))
                checkSuppressed(filter, document);
            (void)filter.GetCondition();
        } catch (const ComError &error) {
            fuzz::check(!error.message().isEmpty(), "a refusal says why");
        }
    }
    {
        CAdoDataMgr records;
        try {
            records.Open(document, (size & 1) != 0);
            // (The record manager keeps the suppressed columns: it writes
            // their automatic values.)
            if (records.recordset()) {
                RecordText::Fields fields;
                fuzz::check(RecordText::read(records.GetRecordXml(), &fields),
                            "the record text of what opened reads");
            }
        } catch (const ComError &error) {
            fuzz::check(!error.message().isEmpty(), "a refusal says why");
        }
    }
    fuzz::check(rowCount() == rows, "reading a document changes no row", document);
    return 0;
}
