#include "facade/ConfigDocument.h"

#include "data/component/SqlDialect.h"

namespace ConfigDocument {

QString element(const QString &name, const QString &content)
{
    return QLatin1Char('<') + name + QLatin1Char('>') + content + QStringLiteral("</") + name +
           QLatin1Char('>');
}

QString compose(const QString &database, const QString &server, const QString &user,
                const QString &password, const QString &table, ns_qrttypen::KELODBTyp type,
                const QString &tail)
{
    // Every kind without a text of its own is SQL Server, which is what
    // hosts built before SQLite and PostgreSQL expect.
    const QString dbTyp = QString::fromLatin1(dialectFor(databaseKindFromNumber(int(type))).name);
    return QStringLiteral("<ADOBUILDER DESIGNMODUS='@Designmodus'>") +
           element(QStringLiteral("FORMULARNAME"), table) +
           element(QStringLiteral("DBNAME"), database) +
           element(QStringLiteral("SERVERNAME"), server) + element(QStringLiteral("USERID"), user) +
           element(QStringLiteral("PASSWORT"), password) +
           element(QStringLiteral("TABELLENNAME"), table) +
           element(QStringLiteral("DBTYP"), dbTyp) + QStringLiteral("<FILTER></FILTER>") + tail +
           QStringLiteral("</ADOBUILDER>");
}

QString suppressColumn(const QString &column, bool autoValue)
{
    return QStringLiteral("<SUPPRESSCOLUMN AUTOVAL=") +
           (autoValue ? QStringLiteral("'true'>") : QStringLiteral("'false'>")) + column +
           QStringLiteral("</SUPPRESSCOLUMN>");
}

} // namespace ConfigDocument
