// A form on a table whose name and column names hold everything a name can
// hold (blanks, both quotes, umlauts, capitals, SQL words, ";" and "--"),
// driven as a user drives it: the layout generated and saved in design
// mode, records typed and saved in data mode, a host's filter, a filter
// saved under the longest name the store takes; the table
// "victim" survives every step. How the SQL quotes such names, and how
// captions of any kind are stored, are the data and form store's tests.

#include "EditorTestSupport.h"
#include "FormDialogTestSupport.h"

#include "filter/CFilterDlg.h"
#include "filter/CFilterMgr.h"

#include <QComboBox>
#include <QPushButton>

namespace {

const QString kTable = QStringLiteral("Kunden \"Alt\" 'x'");

// A name as SQL writes it, whatever it holds.
QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// One column of the table: its name and type, the new record's value as
// typed into its field and as the table holds it afterwards.
struct Column
{
    const char *name;
    const char *type;
    const char *typed;
    const char *stored;
};

// The key ID is hidden from the form and gets an automatic value.
const Column kColumns[] = {
    {"Straße", "VARCHAR(40)", "Grüße & <Ärger>", "Grüße & <Ärger>"},
    {"Order", "INT", "42", "42"},
    {"select", "VARCHAR(40)", "x'; DROP TABLE victim; --", "x'; DROP TABLE victim; --"},
    {"a b", "VARCHAR(5)", "abcdefg", "abcde"},
    {"Name\"", "VARCHAR(300)", "Er sagte \"Hallo\"", "Er sagte \"Hallo\""},
    {"it's", "VARCHAR(40)", "O'Brien -- ok", "O'Brien -- ok"},
    {"von--bis", "DATE", "7.3.2021", "2021-03-07"},
    {"ja;nein", "BOOLEAN", "", ""},
    {"Tel.", "VARCHAR(30)", "+49 (0)228 / 12-34", "+49 (0)228 / 12-34"},
};

class HostileNamesTest : public FormDialogTest
{
protected:
    void SetUp() override
    {
        QRT_REQUIRE_DATABASE(db);
        CTabInfo::ClearConString();
        QStringList columns{QStringLiteral("\"ID\" INT NOT NULL PRIMARY KEY")};
        for (const Column &column : kColumns)
            columns << quotedName(QString::fromUtf8(column.name)) + QLatin1Char(' ') +
                           QLatin1String(column.type);
        db.exec({QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(kTable), columns.join(", ")),
                 QStringLiteral("INSERT INTO %1 (\"ID\", \"Straße\", \"Order\", \"select\") VALUES "
                                "(1, 'Bonn', 1, 'a'), (2, 'Köln', 2, 'b')")
                     .arg(quotedName(kTable)),
                 QStringLiteral("CREATE TABLE victim (x INT)"),
                 QStringLiteral("INSERT INTO victim VALUES (1)")});
        facade.Init(db.dbName(), db.serverName(), db.userId(), db.password(), kTable,
                    db.kind() == DatabaseKind::PostgreSql ? ns_qrttypen::KELO_POSTGRESQL
                                                          : ns_qrttypen::KELO_SQLITE);
        facade.RemoveColumn(QStringLiteral("ID"), true);
    }

    void TearDown() override
    {
        FormDialogTest::TearDown();
        if (db.isAvailable()) {
            EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM victim"), "1");
        }
    }

    CFormDlg &openDesign()
    {
        return open(facade.FilledDocument(CKeloForm::EntryPoint::DesignForm));
    }
    CFormDlg &openRecords()
    {
        return open(facade.FilledDocument(CKeloForm::EntryPoint::ShowForm, QString(),
                                          QStringLiteral("\"ID\"")));
    }

    // A column of the row with that key, as the table holds it.
    QString storedValue(const QString &column, int id) const
    {
        return db.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE \"ID\" = %3")
                             .arg(quotedName(column), quotedName(kTable))
                             .arg(id));
    }

    CKeloForm facade;
};

TEST_P(HostileNamesTest, TheGeneratedLayoutAndARecordOnEveryColumn)
{
    // Design mode generates the form from the columns: a field per column,
    // a label per field that is no check box.
    openDesign();
    ASSERT_NE(form(), nullptr) << messages.texts().join('\n').toStdString();
    QStringList expected;
    for (const Column &column : kColumns) {
        const QString name = QString::fromUtf8(column.name);
        if (QLatin1String(column.type) != QLatin1String("BOOLEAN"))
            expected << name + QStringLiteral("_TITEL");
        expected << name;
    }
    EXPECT_EQ(namesOn(form()), expected);

    ASSERT_TRUE(dialog->GetFormHost()->DateiSpeichern())
        << messages.texts().join('\n').toStdString();
    dialog.reset();

    // A new record, every field typed.
    openRecords();
    ASSERT_NE(records(), nullptr) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 2");
    press(Qt::Key_N, Qt::ControlModifier);
    for (const Column &column : kColumns) {
        if (QLatin1String(column.type) == QLatin1String("BOOLEAN"))
            QTest::mouseClick(field(column.name), Qt::LeftButton);
        else
            retype(column.name, QString::fromUtf8(column.typed));
    }
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dialog->GetFormHost()->GetFirstUpdateKey(), 3);
    for (const Column &column : kColumns) {
        const QString value = storedValue(QString::fromUtf8(column.name), 3);
        if (QLatin1String(column.type) == QLatin1String("DATE")) {
            EXPECT_TRUE(value.startsWith(QLatin1String(column.stored))) << value.toStdString();
        } else if (QLatin1String(column.type) != QLatin1String("BOOLEAN")) {
            EXPECT_EQ(value, QString::fromUtf8(column.stored)) << column.name;
        }
    }
    EXPECT_EQ(
        db.scalar(
            QStringLiteral("SELECT COUNT(*) FROM %1 WHERE \"ja;nein\"").arg(quotedName(kTable))),
        "1");

    // Sorted by each of these columns in turn, the new record stays current.
    for (const Column &column : kColumns) {
        SCOPED_TRACE(column.name);
        field(column.name)->setFocus(); // a click would tick the check box
        press(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(records()->GetCurrentKey(), 3);
    }
    press(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);

    // A host's filter that the form's document cannot carry is refused; the
    // records stay as they are.
    const QString position = dialog->positionText();
    dialog->GetFormHost()->ChangeFilter(QStringLiteral("\"Name\"\"\" = 'a\vb'"));
    EXPECT_EQ(messages.texts(),
              QStringList("Der Filter kann nicht angewendet werden, weil er Steuerzeichen enthält. "
                          "Die Datensätze bleiben gefiltert wie bisher."));
    EXPECT_EQ(dialog->positionText(), position);
    messages.clear();

    // The host's filter on such a column finds it.
    dialog->GetFormHost()->ChangeFilter(quotedName(QStringLiteral("select")) +
                                        QStringLiteral(" LIKE '%DROP%'"));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 1");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(HostileNamesTest, AFilterIsSavedUnderANameOfUpTo255CharactersOrRefused)
{
    openRecords();
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(facade.FilledDocument(CKeloForm::EntryPoint::ShowForm)));
    ASSERT_EQ(filter.AddCriterion(filter.FindColumn(QStringLiteral("Name\"")),
                                  FilterCondition::Contains, QStringLiteral("\"Hallo\""), QDate()),
              CFilterMgr::AddResult::Added);
    for (const QString &name : {QString(255, QChar(0x00FC)), QString(256, QLatin1Char('x'))}) {
        SCOPED_TRACE(name.size());
        messages.clear();
        const QString filtersBefore = db.scalar("SELECT COUNT(*) FROM QRTFILTER");
        CFilterDlg store(&filter, dialog.get());
        store.show();
        store.findChild<QComboBox *>("savedFilters")->setEditText(name);
        QTest::mouseClick(store.findChild<QPushButton *>("save"), Qt::LeftButton);
        store.reject();
        if (name.size() == 255) {
            EXPECT_EQ(messages.texts(), QStringList("Filter erfolgreich gespeichert!"));
            EXPECT_NE(filter.FindFilterId(name), -1);
        } else {
            EXPECT_TRUE(messages.texts().value(0).contains("höchstens 255 Zeichen"))
                << messages.texts().join('\n').toStdString();
            EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFILTER"), filtersBefore)
                << "nothing half-written";
        }
    }
}

QRT_INSTANTIATE_FOR_ENGINES(HostileNamesTest);

} // namespace
