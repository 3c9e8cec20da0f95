// The connection-string parser on any text, and the builder on any values.
//
// Properties: parsing any text gives parameters or a ComError E_FAIL or
// E_INVALIDARG with a reason, never anything else; the redacted form of any text shows no password
// (every password key reads "***"); and a string built from any database, user and password parses
// back to exactly those values, so a password "x;Database=y" stays a password.
#include "FuzzSupport.h"

#include "data/component/ConnectionString.h"
#include "platform/ComError.h"

namespace {

void parseAny(const QString &text)
{
    try {
        (void)ConnectionParams::parse(text);
    } catch (const ComError &error) {
        // E_FAIL for a string that names no known provider, E_INVALIDARG
        // for a PostgreSQL setting that cannot be passed on; both say why.
        fuzz::check(error.code() == E_FAIL || error.code() == E_INVALIDARG,
                    "a refused string is E_FAIL or E_INVALIDARG", error.message());
        fuzz::check(!error.description().isEmpty(), "a refused string has a reason", text);
    }
    (void)ConnectionString::value(text, QStringLiteral("Data Source"));

    const QString redacted = ConnectionString::redacted(text);
    for (const char *key : {"Pwd", "Password", " pwd ", "PASSWORD"}) {
        const QString shown = ConnectionString::value(redacted, QString::fromLatin1(key));
        fuzz::check(shown.isNull() || shown == QLatin1String("***"),
                    "a redacted string shows no password",
                    text + QStringLiteral("\n=> ") + redacted);
    }
    try {
        const ConnectionParams params = ConnectionParams::parse(redacted);
        fuzz::check(params.password.isEmpty() || params.password == QLatin1String("***"),
                    "a redacted string parses without the password", redacted);
    } catch (const ComError &) {
    }
}

void roundTrip(const QString &database, const QString &user, const QString &password)
{
    for (DatabaseKind kind : {DatabaseKind::Access, DatabaseKind::SqlServer, DatabaseKind::Sqlite,
                              DatabaseKind::PostgreSql}) {
        const QString built = ConnectionString::build(
            kind, database, QStringLiteral("db.example:5432"), user, password);
        ConnectionParams params;
        try {
            params = ConnectionParams::parse(built);
        } catch (const ComError &error) {
            fuzz::fail("a built string parses", built + QLatin1Char('\n') + error.message());
        }
        const QString context = built + QStringLiteral("\nfrom [") + database +
                                QStringLiteral("] [") + user + QStringLiteral("] [") + password +
                                QLatin1Char(']');
        fuzz::check(params.kind == kind, "a built string names its kind", context);
        fuzz::check(params.database == database, "the database comes back", context);
        if (kind == DatabaseKind::SqlServer || kind == DatabaseKind::PostgreSql) {
            fuzz::check(params.user == user, "the user comes back", context);
            fuzz::check(params.password == password, "the password comes back", context);
            const QString redacted = ConnectionString::redacted(built);
            fuzz::check(ConnectionString::value(redacted, QStringLiteral("Pwd")) ==
                            QLatin1String("***"),
                        "the redacted string hides the password", redacted);
            fuzz::check(ConnectionString::value(redacted, QStringLiteral("Database")) == database,
                        "redacting keeps the database", redacted);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 8192)
        return -1;
    const QString text = fuzz::text(data, size);
    parseAny(text);
    const QStringList parts = fuzz::parts(text, 3);
    roundTrip(parts.at(0), parts.at(1), parts.at(2));
    return 0;
}
