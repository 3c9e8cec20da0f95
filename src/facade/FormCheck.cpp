#include "facade/FormCheck.h"

#include "data/CAdoDataMgr.h"
#include "data/CBaseMgr.h"
#include "data/component/Catalog.h"
#include "data/component/Connection.h"
#include "data/component/Recordset.h"
#include "facade/CKeloForm.h"
#include "formdef/FormDefinitionSql.h"
#include "platform/ComError.h"
#include "xml/CXmlHelper.h"

#include <QStringList>

// The check only reads, on one connection of its own that it closes again:
// nothing is created or changed (the library makes its own tables when the
// form is built). The records are opened as the form opens them, as a keyset
// whose keys are read lazily, so checking a large table costs one batch of
// keys.

namespace {

using Problem = FormCheck::Problem;
using Values = CBaseMgr::ConfigValues;

FormCheck failure(Problem problem, const QString &message)
{
    FormCheck check;
    check.problem = problem;
    check.message = message;
    return check;
}

// The database as the user named it: the file, or the database on its server.
QString databaseName(const Values &values)
{
    if (values.server.isEmpty())
        return QStringLiteral("„%1“").arg(values.database);
    return QStringLiteral("„%1“ auf %2").arg(values.database, values.server);
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

// What the user gave that the database refused.
QString refusedPart(const QString &filter, const QString &sort)
{
    if (filter.isEmpty())
        return QStringLiteral("die Sortierung „%1“").arg(sort);
    if (sort.isEmpty())
        return QStringLiteral("den Filter „%1“").arg(filter);
    return QStringLiteral("den Filter „%1“ oder die Sortierung „%2“").arg(filter, sort);
}

} // namespace

FormCheck CKeloForm::Check(EntryPoint entry, const QString &filter, const QString &sort) const
{
    // What the form would read from its document, filter and sort included.
    const QString document = FilledDocument(entry, filter, sort);
    std::optional<Values> read;
    try {
        read = CBaseMgr::ReadConfig(document);
    } catch (const ComError &) {
    }
    if (!read)
        return failure(Problem::NoDatabase,
                       QStringLiteral("Ungültige Datenbankparameter gesetzt!"));
    const Values &options = *read;
    const bool designMode = entry == EntryPoint::DesignForm;
    CXmlHelper xml;
    (void)xml.loadXml(document); // it parsed above
    const QString usedFilter = xml.getItemText(QStringLiteral("FILTER"));
    const QString usedSort = xml.getItemText(QStringLiteral("SORT"));

    Connection connection;
    try {
        connection.Open(CBaseMgr::BuildConnectionString(
            options.database, options.server, options.user, options.password, options.kind));
    } catch (const ComError &error) {
        // The engine's words say which part was wrong; they never hold the password.
        if (error.code() == DB_SEC_E_AUTH_FAILED)
            return failure(Problem::LoginRefused,
                           QStringLiteral("Die Datenbank %1 hat die Anmeldung als „%2“ "
                                          "abgelehnt: Benutzer oder Passwort ist falsch.\n%3")
                               .arg(databaseName(options), options.user, error.description()));
        return failure(Problem::NoDatabase,
                       QStringLiteral("Die Datenbank %1 lässt sich nicht öffnen.\n%2")
                           .arg(databaseName(options), error.description()));
    }

    Catalog catalog;
    catalog.putActiveConnection(connection);
    FormCheck outcome;
    try {
        QString table = options.table;
        if (table.isEmpty()) {
            table = firstStoredForm(connection, catalog);
            if (table.isEmpty())
                return failure(Problem::NoTable,
                               QStringLiteral("Bitte die Tabelle angeben: die "
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
            return failure(Problem::NoTable,
                           QStringLiteral("Die Tabelle „%1“ gibt es in der Datenbank %2 nicht.")
                                   .arg(table, databaseName(options)) +
                               tableList(catalog));
        }
        if (designMode)
            return outcome;

        // A form stored under the name as typed wins over the catalog's spelling.
        if (table != outcome.table && hasStoredForm(connection, catalog, table))
            outcome.table = table;
        else if (!hasStoredForm(connection, catalog, outcome.table))
            return failure(Problem::NoStoredForm,
                           QStringLiteral("Für die Tabelle „%1“ ist noch kein Formular "
                                          "gespeichert. In der Entwurfsansicht entsteht eines "
                                          "aus ihren Spalten; „Datei > Formular speichern“ legt "
                                          "es in der Datenbank ab.")
                               .arg(outcome.table));
    } catch (const ComError &error) {
        return failure(Problem::NoDatabase,
                       QStringLiteral("Die Datenbank %1 lässt sich nicht lesen.\n%2")
                           .arg(databaseName(options), error.message()));
    }

    try {
        (void)CAdoDataMgr::OpenRecords(connection, outcome.table, usedFilter, usedSort);
    } catch (const ComError &error) {
        if (usedFilter.isEmpty() && usedSort.isEmpty())
            return failure(Problem::NoDatabase,
                           QStringLiteral("Die Tabelle „%1“ lässt sich nicht lesen.\n%2")
                               .arg(outcome.table, error.message()));
        return failure(Problem::QueryRefused,
                       QStringLiteral("Die Datenbank lehnt %1 ab:\n%2")
                           .arg(refusedPart(usedFilter, usedSort), error.description()));
    }
    return outcome;
}
