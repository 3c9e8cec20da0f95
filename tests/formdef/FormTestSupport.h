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
    QString document =
        QStringLiteral("<ADOBUILDER DESIGNMODUS=\"%1\">").arg(designMode ? "true" : "false");
    const auto add = [&document](const QString &tag, const QString &value) {
        document += QStringLiteral("<%1>%2</%3>")
                        .arg(tag, CXmlHelper::getXmlDataString(value), tag.section(' ', 0, 0));
    };
    const QStringList tags = {"FORMULARNAME", "DBNAME", "SERVERNAME", "USERID", "PASSWORT",
                              "TABELLENNAME", "DBTYP",  "FILTER",     "SORT"};
    const QStringList values = {table, dbName, server, user, {}, table, dbTyp, {}, {}};
    for (qsizetype i = 0; i < tags.size(); ++i)
        add(tags.at(i), values.at(i));
    for (const QString &column : suppressed)
        add(QStringLiteral("SUPPRESSCOLUMN AUTOVAL=\"false\""), column);
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
    // The builder's controls in its order, with their ids and whether hidden.
    QStringList pool(bool withIds = true) const
    {
        QStringList made;
        for (const auto &control : builder->controls()) {
            made << (withIds ? QString::number(control->GetId()) + ' ' : QString()) +
                        control->GetName() + (control->GetWindow()->isVisible() ? "" : " hidden");
        }
        return made;
    }

    ScriptedMessages messages;
    TestFormHost host;
    std::unique_ptr<CAdoFormBuilder> builder; // goes before the host
};

#endif // QRT_TESTS_FORMDEF_FORMTESTSUPPORT_H
