// A form on a table whose name and column names hold everything a name can
// hold (blanks, both quotes, umlauts, capitals, SQL words, ";" and "--"),
// driven as a user drives it: the layout generated, captioned and saved in
// design mode, records typed and saved in data mode, a filter on every
// column. Then the texts users type (captions, titles, filter values and
// names of saved filters) with markup characters, quotes, line breaks, SQL
// and more characters than the store's columns hold: each comes back exactly
// as typed or is refused with a German message, a refused one changes
// nothing stored, and the table "victim" survives every step.

#include "EditorTestSupport.h"
#include "FormDialogTestSupport.h"

#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "filter/CFilterDlg.h"
#include "filter/CFilterMgr.h"
#include "formdef/ControlInfoReader.h"
#include "formdef/FormDefinitionSql.h"
#include "platform/TextLength.h"
#include "runtime/FormEditor.h"
#include "xml/CXmlHelper.h"
#include "xml/RecordText.h"

#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace {

const QString kTable = QStringLiteral("Kunden \"Alt\" 'x'");

// A name as SQL writes it, whatever it holds.
QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// One column of the table: its name and type, the new record's value as
// typed into its field and as the table holds it afterwards, and a
// criterion that selects that record alone.
struct Column
{
    const char *name;
    const char *type;
    const char *typed;
    const char *stored;
    qint32 condition;
    const char *filterValue;
};

// The key ID is hidden from the form and gets an automatic value.
const Column kColumns[] = {
    {"Straße", "VARCHAR(40)", "Grüße & <Ärger>", "Grüße & <Ärger>", FilterCondition::Equal,
     "Grüße & <Ärger>"},
    {"Order", "INT", "42", "42", FilterCondition::Greater, "41"},
    {"select", "VARCHAR(40)", "x'; DROP TABLE victim; --", "x'; DROP TABLE victim; --",
     FilterCondition::Contains, "DROP TABLE"},
    {"a b", "VARCHAR(5)", "abcdefg", "abcde", FilterCondition::Equal, "abcde"},
    {"Name\"", "VARCHAR(300)", "Er sagte \"Hallo\"", "Er sagte \"Hallo\"",
     FilterCondition::Contains, "\"Hallo\""},
    {"it's", "VARCHAR(40)", "O'Brien -- ok", "O'Brien -- ok", FilterCondition::Contains, "--"},
    {"von--bis", "DATE", "7.3.2021", "2021-03-07", FilterCondition::Less, ""},
    {"ja;nein", "BOOLEAN", "", "", FilterCondition::Equal, "ja"},
    {"Tel.", "VARCHAR(30)", "+49 (0)228 / 12-34", "+49 (0)228 / 12-34", FilterCondition::Contains,
     "(0)228"},
};

// The captions the labels get in design mode, one per labelled column.
const char *const kCaptions[] = {
    "Straße & Co <b>",    "\"Order\"",      "'; DROP TABLE victim; --", "a;b -- c",
    "Zeile 1\r\nZeile 2", "Ünïcödé 東京 😀", "</CAPTION><NAME>x",        "Tel. & Fax",
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

    // The stored layout of the form, control by control: name -> caption.
    QMap<QString, QString> storedCaptions() const
    {
        QMap<QString, QString> captions;
        const QList<QStringList> rows =
            db.rows(QStringLiteral("SELECT CONTROLINFO FROM QRTFORMITEM WHERE QRTFORM_ID = (SELECT "
                                   "QRTFORM_ID FROM QRTFORM WHERE NAME = %1)")
                        .arg(FormDefinitionSql::textLiteral(kTable)));
        for (const QStringList &row : rows) {
            ControlInfo info;
            ControlInfoReader reader;
            EXPECT_EQ(reader.read(row.value(0), info), ControlInfoReader::Result::Read)
                << row.value(0).toStdString();
            captions.insert(info.name, info.caption);
        }
        return captions;
    }
    QStringList layout() const
    {
        QStringList records;
        for (const CDynControl *control : form()->controls())
            records << control->GetControlInfo();
        return records;
    }

    // Gives the control a new caption through its properties dialog, as a
    // user does; false when the dialog refused it (and was cancelled).
    bool recaption(CDynControl *control, const QString &caption)
    {
        bool refused = false;
        form()->editor()->selectOnly({control});
        whenDialogOpens<CCtrlPropDlg>([&caption, &refused](CCtrlPropDlg &properties) {
            properties.findChild<QLineEdit *>("title")->setText(caption);
            properties.accept();
            if (properties.isVisible()) {
                refused = true;
                properties.reject();
            }
        });
        QTest::keyClick(form(), Qt::Key_Return);
        return !refused;
    }

    // Closes the dialog as the user does, in design mode without saving
    // (again).
    void closeDialog()
    {
        const bool ask = dialog->IsDesignMode();
        if (ask)
            messages.answer(UserMessages::Answer::No);
        dialog->close();
        dialog.reset();
        if (ask) {
            EXPECT_EQ(messages.questions(),
                      QStringList("Möchten Sie das Formular jetzt speichern?"));
        }
        messages.clear();
    }

    // Replaces the field's text by typing it, letters beyond ASCII and
    // beyond the basic plane included, one key each.
    void typeInto(const char *name, const QString &text)
    {
        QWidget *widget = field(name);
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton);
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(widget, Qt::Key_Delete);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, length),
                                Qt::NoModifier);
            i += length - 1;
        }
    }

    CKeloForm facade;
};

TEST_P(HostileNamesTest, GeneratedLayoutRecordsAndFiltersOnEveryColumn)
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

    QMap<QString, QString> captions;
    int next = 0;
    for (CDynControl *control : form()->controls()) {
        if (!control->GetName().endsWith(QStringLiteral("_TITEL")))
            continue;
        const QString caption = QString::fromUtf8(kCaptions[next++]);
        ASSERT_TRUE(recaption(control, caption)) << messages.texts().join('\n').toStdString();
        EXPECT_EQ(control->GetCaption(), caption);
        captions.insert(control->GetName(), caption);
    }
    ASSERT_EQ(next, int(std::size(kCaptions)));
    ASSERT_TRUE(dialog->GetFormHost()->DateiSpeichern())
        << messages.texts().join('\n').toStdString();
    const QStringList saved = layout();
    closeDialog();

    const QMap<QString, QString> stored = storedCaptions();
    EXPECT_EQ(stored.size(), expected.size());
    for (auto it = captions.cbegin(); it != captions.cend(); ++it)
        EXPECT_EQ(stored.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM QRTFORM WHERE NAME = %1")
                            .arg(FormDefinitionSql::textLiteral(kTable))),
              "1");
    openDesign();
    EXPECT_EQ(layout(), saved) << "loaded as saved";
    closeDialog();

    // A new record, every field typed.
    openRecords();
    ASSERT_NE(records(), nullptr) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 2");
    press(Qt::Key_N, Qt::ControlModifier);
    for (const Column &column : kColumns) {
        if (QLatin1String(column.type) == QLatin1String("BOOLEAN"))
            QTest::mouseClick(field(column.name), Qt::LeftButton);
        else
            typeInto(column.name, QString::fromUtf8(column.typed));
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

    // A filter on each column in turn finds that record alone.
    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(facade.FilledDocument(CKeloForm::EntryPoint::ShowForm)))
        << messages.texts().join('\n').toStdString();
    for (const Column &column : kColumns) {
        filter.ResetCriteria();
        const qint32 position = filter.FindColumn(QString::fromUtf8(column.name));
        ASSERT_GE(position, 0) << column.name;
        ASSERT_EQ(filter.AddCriterion(position, column.condition,
                                      QString::fromUtf8(column.filterValue), QDate(2021, 3, 8)),
                  CFilterMgr::AddResult::Added)
            << column.name << messages.texts().join('\n').toStdString();
        EXPECT_TRUE(filter.TestCondition()) << filter.GetSelectStatement().toStdString();
        dialog->GetFormHost()->ChangeFilter(filter.GetCondition());
        EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 1")
            << column.name << filter.GetCondition().toStdString();
        EXPECT_EQ(shown("select"), "x'; DROP TABLE victim; --") << column.name;
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// What users type, each text tried as a caption, the form's title, a
// filter value and the name of a saved filter.
QStringList hostileTexts()
{
    return {QStringLiteral("'"),
            QStringLiteral("\""),
            QStringLiteral("<b>&amp;</b> & <"),
            QStringLiteral("a;b -- c"),
            QStringLiteral("Zeile 1\r\nZeile 2"),
            QStringLiteral("Zeile 1\vZeile 2\tEnde"), // a line break as Word copies it
            QStringLiteral("Grüße aus Köln, 東京 😀"),
            QStringLiteral("'; DROP TABLE victim; --"),
            QString(50, QChar(0x00E4)),  // the most a caption or title takes
            QString(255, QChar(0x00FC)), // the most a filter's name takes
            QString(256, QLatin1Char('x'))};
}

// Criteria as comparable texts.
QStringList asTexts(const QVector<FilterCriterion> &criteria)
{
    QStringList texts;
    for (const FilterCriterion &criterion : criteria)
        texts << criterion.column + QLatin1Char('|') + QString::number(criterion.condition) +
                     QLatin1Char('|') + criterion.value;
    return texts;
}

const QString kTooLongForDialog = QStringLiteral("Geben Sie nicht mehr als 50 Zeichen ein.");
const QString kValueTooLong = QStringLiteral("Der Filtertext darf höchstens 60 Zeichen lang sein.");
const QString kNoControlCharacters = QStringLiteral("Geben Sie keine Steuerzeichen ein.");
const QString kNoControlsInFilter =
    QStringLiteral("Bitte keine Steuerzeichen im Filtertext verwenden!");
const QString kNoQuotes =
    QStringLiteral("Bitte keine einfachen Anführungszeichen im Filtertext verwenden!");

TEST_P(HostileNamesTest, TypedTextsComeBackExactlyOrAreRefusedInGerman)
{
    const QStringList texts = hostileTexts();
    const QString label = QStringLiteral("Straße_TITEL");

    // Captions and the title, each saved and read back from the store; a
    // refused one leaves the last saved in place.
    openDesign();
    ASSERT_NE(form(), nullptr) << messages.texts().join('\n').toStdString();
    QString caption = QStringLiteral("Straße");
    QString title = dialog->GetFormHost()->GetTitle();
    for (const QString &text : texts) {
        messages.clear();
        const bool tooLong = TextLength::characters(text) > 50;
        const bool fits = !tooLong && CXmlHelper::canCarry(text);
        EXPECT_EQ(recaption(form()->findControl(label), text), fits) << text.toStdString();
        whenDialogOpens<CFormPropDlg>([&text](CFormPropDlg &properties) {
            properties.findChild<QLineEdit *>("title")->setText(text);
            properties.accept();
            if (properties.isVisible())
                properties.reject();
        });
        form()->editor()->editFormProperties();
        if (fits) {
            caption = text;
            title = text;
            EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
        } else {
            const QString why = tooLong ? kTooLongForDialog : kNoControlCharacters;
            EXPECT_EQ(messages.texts(), QStringList({why, why})) << text.toStdString();
        }
        ASSERT_TRUE(dialog->GetFormHost()->DateiSpeichern())
            << messages.texts().join('\n').toStdString();
        EXPECT_EQ(storedCaptions().value(label), caption) << text.toStdString();
        EXPECT_EQ(db.scalar(QStringLiteral("SELECT FORM_TITEL FROM QRTFORM WHERE NAME = %1")
                                .arg(FormDefinitionSql::textLiteral(kTable))),
                  title);
    }
    closeDialog();
    openDesign();
    EXPECT_EQ(form()->findControl(label)->GetCaption(), caption);
    EXPECT_EQ(dialog->GetFormHost()->GetTitle(), title);
    closeDialog();

    // Each text stored in a record, then looked for with a filter, and that
    // filter saved under the text as its name.
    for (int i = 0; i < texts.size(); ++i) {
        db.exec(QStringLiteral("INSERT INTO %1 (\"ID\", %2) VALUES (%3, %4)")
                    .arg(quotedName(kTable), quotedName(QStringLiteral("Name\"")))
                    .arg(10 + i)
                    .arg(FormDefinitionSql::textLiteral(texts.at(i))));
    }
    openRecords();
    ASSERT_NE(records(), nullptr) << messages.texts().join('\n').toStdString();
    // A host's filter that the form's document cannot carry is refused; the
    // records stay as they are.
    dialog->GetFormHost()->ChangeFilter(QStringLiteral("\"Name\"\"\" = 'a\vb'"));
    EXPECT_EQ(messages.texts(),
              QStringList("Der Filter kann nicht angewendet werden, weil er Steuerzeichen enthält. "
                          "Die Datensätze bleiben gefiltert wie bisher."));
    EXPECT_EQ(dialog->positionText(), QStringLiteral("Datensatz 1 von %1").arg(texts.size() + 2));

    CFilterMgr filter;
    ASSERT_TRUE(filter.LoadConfig(facade.FilledDocument(CKeloForm::EntryPoint::ShowForm)));
    const qint32 column = filter.FindColumn(QStringLiteral("Name\""));
    for (const QString &text : texts) {
        messages.clear();
        filter.ResetCriteria();
        const CFilterMgr::AddResult added =
            filter.AddCriterion(column, FilterCondition::Equal, text, QDate());
        const QString refusal = text.size() > 60                   ? kValueTooLong
                                : !CXmlHelper::canCarry(text)      ? kNoControlsInFilter
                                : text.contains(QLatin1Char('\'')) ? kNoQuotes
                                                                   : QString();
        if (!refusal.isEmpty()) {
            EXPECT_EQ(added, CFilterMgr::AddResult::Refused) << text.toStdString();
            EXPECT_EQ(messages.texts(), QStringList(refusal));
            // Found by "enthält" on what may be typed of it, all the same.
            static const QRegularExpression refused(QStringLiteral("['\\x01-\\x08\\x0b]"));
            const QString rest = text.section(refused, -1).left(60);
            if (rest.isEmpty())
                continue;
            ASSERT_EQ(filter.AddCriterion(column, FilterCondition::Contains, rest, QDate()),
                      CFilterMgr::AddResult::Added);
            messages.clear();
        } else {
            ASSERT_EQ(added, CFilterMgr::AddResult::Added) << text.toStdString();
        }
        dialog->GetFormHost()->ChangeFilter(filter.GetCondition());
        EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 1")
            << text.toStdString() << filter.GetCondition().toStdString();
        EXPECT_EQ(shown("Name\""), text);

        // Saved under its own name through the filter dialog.
        const QString countFilters = QStringLiteral("SELECT COUNT(*) FROM QRTFILTER");
        const QString filtersBefore = db.scalar(countFilters);
        const QStringList criteria = asTexts(filter.criteria());
        CFilterDlg store(&filter, dialog.get());
        store.show();
        store.findChild<QComboBox *>("savedFilters")->setEditText(text);
        QTest::mouseClick(store.findChild<QPushButton *>("save"), Qt::LeftButton);
        store.reject();
        const bool fits = text.size() <= 255;
        if (fits) {
            EXPECT_EQ(messages.texts(), QStringList("Filter erfolgreich gespeichert!"))
                << text.toStdString();
            filter.ResetCriteria();
            filter.LoadFilter(text);
            EXPECT_EQ(asTexts(filter.criteria()), criteria) << text.toStdString();
            QStringList names;
            filter.GetFilterNames(names);
            EXPECT_EQ(names.count(text), 1) << text.toStdString();
        } else {
            ASSERT_EQ(messages.texts().size(), 1) << text.toStdString();
            EXPECT_TRUE(messages.texts().first().contains(QStringLiteral("höchstens 255 Zeichen")))
                << messages.texts().first().toStdString();
            EXPECT_EQ(db.scalar(countFilters), filtersBefore) << "nothing half-written";
            EXPECT_EQ(filter.FindFilterId(text), -1);
        }
    }
}

TEST_P(HostileNamesTest, AFieldTakesAsManyCharactersAsItsColumnCounts)
{
    openDesign();
    ASSERT_TRUE(dialog->GetFormHost()->DateiSpeichern())
        << messages.texts().join('\n').toStdString();
    closeDialog();
    openRecords();
    ASSERT_NE(records(), nullptr) << messages.texts().join('\n').toStdString();

    // Typing stops at the column's size.
    typeInto("a b", QStringLiteral("abcdefg"));
    EXPECT_EQ(shown("a b"), "abcde");
    // A letter beyond the basic plane is one character to the database (and
    // two UTF-16 units to Qt): it fits where one more character fits, and
    // is never halved.
    const QString smile = QStringLiteral("😀");
    typeInto("a b", QStringLiteral("abcd"));
    QInputMethodEvent commit;
    commit.setCommitString(smile);
    QCoreApplication::sendEvent(field("a b"), &commit);
    EXPECT_EQ(shown("a b"), QStringLiteral("abcd") + smile);
    QCoreApplication::sendEvent(field("a b"), &commit);
    EXPECT_EQ(shown("a b"), QStringLiteral("abcd") + smile) << "no room for another";
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(storedValue(QStringLiteral("a b"), 1), QStringLiteral("abcd") + smile);

    // A longer text from elsewhere is refused, never cut; a pair counts once.
    const auto write = [this](const QString &text) {
        RecordText::Fields fields;
        EXPECT_TRUE(RecordText::read(records()->GetRecordXml(), &fields));
        fields.set(QStringLiteral("a b"), text);
        return records()->WriteRecord(RecordText::write(fields));
    };
    EXPECT_FALSE(write("xyz" + smile + smile + "v"));
    EXPECT_EQ(messages.texts().value(0),
              "Ungültiger Wert in a b. Das Feld nimmt höchstens 5 Zeichen auf; der Text hat 6.");
    EXPECT_EQ(storedValue(QStringLiteral("a b"), 1), QStringLiteral("abcd") + smile);
    messages.clear();
    EXPECT_TRUE(write("xyz" + smile + smile)) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(storedValue(QStringLiteral("a b"), 1), "xyz" + smile + smile);
    EXPECT_EQ(storedValue(QStringLiteral("Straße"), 1), "Bonn") << "the other fields as they were";
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

QRT_INSTANTIATE_FOR_ENGINES(HostileNamesTest);

} // namespace
