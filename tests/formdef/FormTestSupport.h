#ifndef QRT_TESTS_FORMDEF_FORMTESTSUPPORT_H
#define QRT_TESTS_FORMDEF_FORMTESTSUPPORT_H

#include "controls/CDynControl.h"
#include "data/CTabInfo.h"
#include "formdef/CAdoFormBuilder.h"
#include "formdef/FormWindow.h"
#include "support/ScriptedMessages.h"
#include "support/TestDatabase.h"
#include "support/TestFormHost.h"
#include "xml/CXmlHelper.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

// The configuration document of a form on table (form and table of one
// name) in a database, as the form facade composes it.
inline QString formDocument(const QString &dbName, const QString &server, const QString &user,
                            const QString &dbTyp, const QString &table, bool designMode,
                            const QStringList &suppressed = {})
{
    const auto text = [](const QString &value) {
        return CXmlHelper::getXmlDataString(value);
    };
    QString document = QStringLiteral("<ADOBUILDER DESIGNMODUS=\"%1\"><FORMULARNAME>")
                           .arg(designMode ? "true" : "false") +
                       text(table) + QStringLiteral("</FORMULARNAME><DBNAME>") + text(dbName) +
                       QStringLiteral("</DBNAME><SERVERNAME>") + text(server) +
                       QStringLiteral("</SERVERNAME><USERID>") + text(user) +
                       QStringLiteral("</USERID><PASSWORT></PASSWORT><TABELLENNAME>") +
                       text(table) + QStringLiteral("</TABELLENNAME><DBTYP>") + dbTyp +
                       QStringLiteral("</DBTYP><FILTER></FILTER><SORT></SORT>");
    for (const QString &column : suppressed)
        document += QStringLiteral("<SUPPRESSCOLUMN AUTOVAL=\"false\">") + text(column) +
                    QStringLiteral("</SUPPRESSCOLUMN>");
    return document + QStringLiteral("</ADOBUILDER>");
}

inline QString formDocument(const TestDatabase &db, const QString &table, bool designMode,
                            const QStringList &suppressed = {})
{
    return formDocument(db.dbName(), db.serverName(), db.userId(), db.dbTyp(), table, designMode,
                        suppressed);
}

// The five columns most builder tests work on: a whole number, a text of 20
// characters, a decimal number, a date and a yes/no value.
inline void createKunden(const TestDatabase &db)
{
    db.exec(QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(20), betrag "
                           "NUMERIC(10, 2), seit DATE, aktiv BOOLEAN)"));
}

// A builder's form on a host, for one engine.
class FormBuilderTest : public EngineTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        // Every test starts from the catalog, not from an earlier test's cache.
        CTabInfo::ClearConString();
        host.show();
    }

    // A new builder's form on table; null when it could not be made.
    FormWindow *build(bool designMode, const QString &table = QStringLiteral("kunden"),
                      const QStringList &suppressed = {})
    {
        builder = std::make_unique<CAdoFormBuilder>();
        return builder->CreateForm(&host, designMode,
                                   formDocument(db, table, designMode, suppressed));
    }

    CDynControl *control(const char *name) const
    {
        return builder->FindControl(QString::fromUtf8(name));
    }

    ScriptedMessages messages;
    TestFormHost host;
    std::unique_ptr<CAdoFormBuilder> builder; // goes before the host
};

#endif // QRT_TESTS_FORMDEF_FORMTESTSUPPORT_H
