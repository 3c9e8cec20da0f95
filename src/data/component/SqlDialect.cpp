#include "data/component/SqlDialect.h"

#include <QDate>

#include <cstring>

namespace {

// One row per kind, in the order of the enumeration.
const SqlDialect kDialects[] = {
    {DatabaseKind::Access, QLatin1Char('#'), false, " = NULL", "MEMO", " LIKE ", "ACCESS", true,
     "%_[", "\r\n", nullptr},
    {DatabaseKind::SqlServer, QLatin1Char('\''), false, " IS NULL", "NTEXT", " LIKE ", "SQLSERVER",
     true, "%_[", "\r\n", nullptr},
    {DatabaseKind::Sqlite, QLatin1Char('\''), true, " IS NULL", "TEXT", " LIKE ", "SQLITE", false,
     "%_", "\n", "qrt_casefold"},
    {DatabaseKind::PostgreSql, QLatin1Char('\''), true, " IS NULL", "TEXT", " ILIKE ", "POSTGRESQL",
     false, "%_", "\n", nullptr},
};

} // namespace

QString SqlDialect::dateLiteral(const QDate &date) const
{
    const QString body =
        zeroPaddedDates
            ? QStringLiteral("%1-%2-%3")
                  .arg(date.year(), 4, 10, QLatin1Char('0'))
                  .arg(date.month(), 2, 10, QLatin1Char('0'))
                  .arg(date.day(), 2, 10, QLatin1Char('0'))
            : QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
    return dateQuote + body + dateQuote;
}

QString SqlDialect::escapeLike(const QString &text) const
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == likeEscape ||
            (c.unicode() > 0 && c.unicode() < 128 && std::strchr(likeSpecials, char(c.unicode()))))
            escaped += QChar(likeEscape);
        escaped += c;
    }
    return escaped;
}

const SqlDialect &dialectFor(DatabaseKind kind)
{
    switch (kind) {
    case DatabaseKind::Access:
        return kDialects[0];
    case DatabaseKind::SqlServer:
        return kDialects[1];
    case DatabaseKind::Sqlite:
        return kDialects[2];
    case DatabaseKind::PostgreSql:
        return kDialects[3];
    }
    return kDialects[1];
}

DatabaseKind databaseKindFromName(const QString &dbTyp)
{
    if (dbTyp == QLatin1String("ACCESS"))
        return DatabaseKind::Access;
    if (dbTyp == QLatin1String("SQLITE"))
        return DatabaseKind::Sqlite;
    if (dbTyp == QLatin1String("POSTGRESQL"))
        return DatabaseKind::PostgreSql;
    return DatabaseKind::SqlServer;
}

DatabaseKind databaseKindFromNumber(int number)
{
    switch (number) {
    case 1:
        return DatabaseKind::Access;
    case 3:
        return DatabaseKind::Sqlite;
    case 4:
        return DatabaseKind::PostgreSql;
    default:
        return DatabaseKind::SqlServer;
    }
}

bool isKnownDatabaseKind(int number)
{
    return number >= int(DatabaseKind::Access) && number <= int(DatabaseKind::PostgreSql);
}
