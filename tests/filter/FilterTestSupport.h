#ifndef QRT_TESTS_FILTER_FILTERTESTSUPPORT_H
#define QRT_TESTS_FILTER_FILTERTESTSUPPORT_H

#include "filter/CFilterMgr.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

// A store whose columns and database kind are set by hand: the condition
// building needs neither a database nor a connection.
class HandConfiguredFilterMgr : public CFilterMgr
{
public:
    HandConfiguredFilterMgr(DatabaseKind kind,
                            std::initializer_list<std::pair<const char *, TypeCategory>> columns)
    {
        m_dbType = int(kind);
        m_tableName = QStringLiteral("Kunden");
        for (const auto &[name, category] : columns) {
            ColumnInfo column;
            column.name = QString::fromUtf8(name);
            column.category = category;
            m_columns << column;
        }
    }
    // As if the column had been dropped and the columns read again.
    void forgetColumn(const QString &name) { m_columns.removeAt(FindColumn(name)); }
};

// The table most filter tests work on, on every engine.
inline void createKunden(const TestDatabase &db)
{
    db.exec({QStringLiteral("CREATE TABLE kunden (id INT PRIMARY KEY, name VARCHAR(40), ort "
                            "VARCHAR(40), betrag DOUBLE PRECISION, seit DATE, aktiv BOOLEAN)"),
             QStringLiteral("INSERT INTO kunden VALUES (1, 'Meier', 'Köln', 12.5, '2020-05-17', "
                            "TRUE), (2, 'Brien', 'Bonn', 3, '2021-03-07', FALSE), (3, '', "
                            "'Köln', 12.5, NULL, TRUE), (4, 'Schulz', NULL, NULL, '2020-05-17', "
                            "FALSE)")});
}

// The configuration document of a form on table, as the form facade writes it.
inline QString filterDocument(const TestDatabase &db, const QString &table,
                              const QString &more = QString())
{
    return QStringLiteral(
               "<ADOBUILDER DESIGNMODUS='false'><FORMULARNAME>%1</FORMULARNAME><DBNAME>%2"
               "</DBNAME><SERVERNAME>%3</SERVERNAME><USERID>%4</USERID><PASSWORT>"
               "</PASSWORT><TABELLENNAME>%1</TABELLENNAME><DBTYP>%5</DBTYP><FILTER>"
               "</FILTER><SORT></SORT>%6</ADOBUILDER>")
        .arg(table, db.dbName(), db.serverName(), db.userId(), db.dbTyp(), more);
}

// Runs act on the next modal dialog of type Dialog as soon as it is up.
// act must end that dialog; when none comes the test fails instead of
// waiting forever.
template <typename Dialog>
void onNextModal(std::function<void(Dialog *)> act, int attemptsLeft = 300)
{
    QTimer::singleShot(attemptsLeft == 300 ? 0 : 10, [act, attemptsLeft] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            act(dialog);
            return;
        }
        if (attemptsLeft == 0) {
            ADD_FAILURE() << "no modal " << Dialog::staticMetaObject.className() << " came up";
            return;
        }
        onNextModal<Dialog>(act, attemptsLeft - 1);
    });
}

#endif // QRT_TESTS_FILTER_FILTERTESTSUPPORT_H
