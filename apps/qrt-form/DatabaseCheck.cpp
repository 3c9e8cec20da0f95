#include "DatabaseCheck.h"

#include "data/CBaseMgr.h"
#include "data/component/Catalog.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "formdef/FormDefinitionSql.h"
#include "platform/ComError.h"

#include <QStringList>

namespace {

using Outcome = DatabaseCheck::Outcome;

Outcome failure(FormExit exit, const QString &message)
{
    Outcome outcome;
    outcome.exit = exit;
    outcome.message = message;
    return outcome;
}

// The database as the user named it: the file, or the database on its server.
QString databaseName(const FormOptions &options)
{
    if (!options.isServerKind() || options.server.isEmpty())
        return QStringLiteral("„%1“").arg(options.database);
    return QStringLiteral("„%1“ auf %2").arg(options.database, options.server);
}

// The user's tables, for a message that helps choose one: the library's own
// are left out.
QString tableList(Catalog &catalog)
{
    static const QStringList libraryTables = {
        QStringLiteral("QRTFORM"), QStringLiteral("QRTFORMITEM"), QStringLiteral("QRTFILTER"),
        QStringLiteral("QRTFILTERITEM")};
    QStringList names;
    try {
        for (const QString &name : catalog.Tables().Names()) {
            if (!libraryTables.contains(name, Qt::CaseInsensitive))
                names << name;
        }
    } catch (const ComError &) {
        return QString(); // the list is a courtesy
    }
    if (names.isEmpty())
        return QStringLiteral(" Die Datenbank enthält keine Tabellen.");
    names.sort(Qt::CaseInsensitive);
    return QStringLiteral(" Vorhandene Tabellen: ") + names.join(QStringLiteral(", ")) +
           QLatin1Char('.');
}

bool hasFormTable(Catalog &catalog)
{
    try {
        catalog.Tables().Item(FormDefinitionSql::FormTable);
        return true;
    } catch (const ComError &error) {
        if (error.code() == DB_E_NOTABLE)
            return false; // a database that never held a form
        throw;
    }
}

// The name of the form stored first, empty when there is none.
QString firstStoredForm(Connection &connection, Catalog &catalog)
{
    if (!hasFormTable(catalog))
        return QString();
    Recordset forms =
        connection.Execute(QStringLiteral("SELECT NAME FROM ") + FormDefinitionSql::FormTable +
                           QStringLiteral(" ORDER BY QRTFORM_ID"));
    return forms.IsEOF() ? QString() : forms.Fields().Item(0).Value().toString();
}

bool hasStoredForm(Connection &connection, Catalog &catalog, const QString &name)
{
    if (!hasFormTable(catalog))
        return false;
    return !connection.Execute(FormDefinitionSql::findFormId(FormDefinitionSql::FormTable, name))
                .IsEOF();
}

// The form's records as the form opens them, filter and sort included: for
// editing, or failing that read-only (a view); a text refused as more than
// one statement or a lost connection is not tried again.
void openRecords(Connection &connection, const QString &table, const FormOptions &options)
{
    QString sql = QStringLiteral("SELECT * FROM ") + connection.sqlTableName(table);
    if (!options.filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + options.filter;
    if (!options.sort.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + options.sort;
    Recordset records;
    try {
        records.Open(sql, connection, adOpenKeyset, adLockOptimistic, -1);
    } catch (const ComError &error) {
        if (error.code() == DB_SEC_E_PERMISSIONDENIED || error.code() == E_CONNECTION_ABORTED)
            throw;
        records = connection.Execute(sql);
    }
}

// What the user gave that the database refused.
QString refusedPart(const FormOptions &options)
{
    if (options.filter.isEmpty())
        return QStringLiteral("die Sortierung „%1“").arg(options.sort);
    if (options.sort.isEmpty())
        return QStringLiteral("den Filter „%1“").arg(options.filter);
    return QStringLiteral("den Filter „%1“ oder die Sortierung „%2“")
        .arg(options.filter, options.sort);
}

} // namespace

DatabaseCheck::Outcome DatabaseCheck::run(const FormOptions &options)
{
    Connection connection;
    try {
        connection.Open(CBaseMgr::BuildConnectionString(
            options.database, options.server, options.user, options.password, int(options.kind)));
    } catch (const ComError &error) {
        // The engine's words say which part was wrong; they never hold the password.
        if (error.code() == DB_SEC_E_AUTH_FAILED)
            return failure(FormExit::LoginRefused,
                           QStringLiteral("Die Datenbank %1 hat die Anmeldung als „%2“ "
                                          "abgelehnt: Benutzer oder Passwort ist falsch.\n%3")
                               .arg(databaseName(options), options.user, error.description()));
        return failure(FormExit::NoDatabase,
                       QStringLiteral("Die Datenbank %1 lässt sich nicht öffnen.\n%2")
                           .arg(databaseName(options), error.description()));
    }

    Catalog catalog;
    catalog.putActiveConnection(connection);
    Outcome outcome;
    try {
        QString table = options.table;
        if (table.isEmpty()) {
            table = firstStoredForm(connection, catalog);
            if (table.isEmpty())
                return failure(FormExit::NoTable,
                               QStringLiteral("Bitte die Tabelle angeben (--table): die "
                                              "Datenbank %1 hat noch kein gespeichertes "
                                              "Formular.")
                                       .arg(databaseName(options)) +
                                   tableList(catalog));
        }
        try {
            outcome.table = catalog.Tables().Item(table).Name();
        } catch (const ComError &error) {
            if (error.code() != DB_E_NOTABLE)
                throw;
            return failure(FormExit::NoTable,
                           QStringLiteral("Die Tabelle „%1“ gibt es in der Datenbank %2 nicht.")
                                   .arg(table, databaseName(options)) +
                               tableList(catalog));
        }
        if (options.mode == FormOptions::Mode::Design)
            return outcome;

        // A form stored under the name as typed wins over the catalog's spelling.
        if (table != outcome.table && hasStoredForm(connection, catalog, table))
            outcome.table = table;
        else if (!hasStoredForm(connection, catalog, outcome.table))
            return failure(FormExit::NoStoredForm,
                           QStringLiteral("Für die Tabelle „%1“ ist noch kein Formular "
                                          "gespeichert. Mit --design erzeugt qrt-form eines aus "
                                          "ihren Spalten; „Datei > Formular speichern“ legt es "
                                          "in der Datenbank ab.")
                               .arg(outcome.table));
    } catch (const ComError &error) {
        return failure(FormExit::NoDatabase,
                       QStringLiteral("Die Datenbank %1 lässt sich nicht lesen.\n%2")
                           .arg(databaseName(options), error.message()));
    }

    try {
        openRecords(connection, outcome.table, options);
    } catch (const ComError &error) {
        if (options.filter.isEmpty() && options.sort.isEmpty())
            return failure(FormExit::NoDatabase,
                           QStringLiteral("Die Tabelle „%1“ lässt sich nicht lesen.\n%2")
                               .arg(outcome.table, error.message()));
        return failure(FormExit::QueryRefused, QStringLiteral("Die Datenbank lehnt %1 ab:\n%2")
                                                   .arg(refusedPart(options), error.description()));
    }
    return outcome;
}
