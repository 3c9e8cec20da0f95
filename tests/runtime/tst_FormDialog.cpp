// The form dialog beyond the record cycle: its stored window, the keyboard,
// many records, and the sessions a form holds.

#include "FormDialogTestSupport.h"

#include "data/component/Recordset.h"
#include "filter/CFilterMgr.h"
#include "formdef/CAdoFormBuilder.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"
#include "runtime/PositionField.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

using FormDialogEngineTest = FormDialogTest;

TEST_P(FormDialogEngineTest, ALayoutSavedAgainAndAgainKeepsTheWindowsRectangle)
{
    // The window gets its frame only when shown, after it was placed; the
    // stored rectangle must not grow by that frame on every save.
    const auto storedWindow = [this] {
        return db.rows("SELECT FORM_LEFT, FORM_TOP, FORM_RIGHT, FORM_BOTTOM FROM QRTFORM "
                       "WHERE NAME = 'kunden'");
    };
    open(CustomerForm::document(db, true));
    ASSERT_NE(form(), nullptr);
    choose(IdDateiSpeichern);
    const QList<QStringList> first = storedWindow();
    ASSERT_EQ(first.size(), 1);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        dialog.reset();
        open(CustomerForm::document(db, true));
        ASSERT_NE(form(), nullptr);
        choose(IdDateiSpeichern);
        EXPECT_EQ(storedWindow(), first);
    }
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

TEST_P(FormDialogEngineTest, EveryControlHasANameAndTheFieldsAreNamedAfterTheirLabels)
{
    openData();
    for (QWidget *widget : dialog->findChildren<QWidget *>()) {
        if (!widget->isVisible() || widget->focusPolicy() == Qt::NoFocus)
            continue;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
            << widget->metaObject()->className() << " " << widget->objectName().toStdString();
    }
    const auto nameOf = [](QWidget *widget) {
        return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    };
    EXPECT_EQ(nameOf(field("name")), "Name");
    EXPECT_EQ(nameOf(field("betrag")), "Betrag");
    EXPECT_EQ(nameOf(field("aktiv")), "Aktiver Kunde");
    EXPECT_EQ(nameOf(field("notiz")), "Notiz") << "a field without a label: its frame's title";
    QWidget *next = dialog->toolBar()->widgetForAction(dialog->commandAction(IdRecordNext));
    EXPECT_EQ(nameOf(next), "Nächster");
    EXPECT_EQ(next->toolTip(), "Nächster");
}

TEST_P(FormDialogEngineTest, PageKeysInsideANoteBelongToTheNote)
{
    openData();
    press(Qt::Key_PageDown);
    press(Qt::Key_PageDown);
    ASSERT_EQ(shown("name"), CustomerForm::nameOf(3));
    auto *note = qobject_cast<QPlainTextEdit *>(field("notiz"));
    ASSERT_NE(note, nullptr) << "the note is a multi-line field";
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("Zeile %1").arg(i);
    retype("notiz", lines.join('\n'));
    note->moveCursor(QTextCursor::Start);
    press(Qt::Key_PageDown);
    EXPECT_TRUE(messages.texts().isEmpty()) << "no question: the key paged through the note";
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(3));
    EXPECT_GT(note->textCursor().blockNumber(), 0);
    EXPECT_GT(note->verticalScrollBar()->value(), 0);
    press(Qt::Key_PageUp);
    EXPECT_EQ(note->textCursor().blockNumber(), 0);

    // Ctrl+Page Down still goes to the last record, and out of the note the
    // page keys page through the records again.
    messages.answer(Answer::No);
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(5));
    QTest::mouseClick(field("ort"), Qt::LeftButton);
    press(Qt::Key_PageUp);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(4));
    EXPECT_EQ(messages.questions().size(), 1);
}

TEST_P(FormDialogEngineTest, TabbingThroughTheFieldsKeepsTheFocusedOneInView)
{
    openData();
    dialog->resize(dialog->width(), 190);
    QCoreApplication::processEvents();
    CFormFrame *frame = dialog->GetFormHost();
    ASSERT_GT(frame->verticalScrollBar()->maximum(), 0) << "the form is larger than the dialog";

    // Round the form and back to the first field, each one in view.
    const auto inView = [frame](QWidget *focused) {
        const QRect rect(focused->mapTo(frame->viewport(), QPoint(0, 0)), focused->size());
        return frame->viewport()->rect().contains(rect);
    };
    QStringList visited;
    QTest::mouseClick(field("name"), Qt::LeftButton);
    do {
        QWidget *focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        ASSERT_TRUE(form()->isAncestorOf(focused)) << "the keys stay in the form";
        visited << focused->accessibleName();
        EXPECT_TRUE(inView(focused)) << focused->accessibleName().toStdString();
        press(Qt::Key_Tab);
    } while (QApplication::focusWidget() != field("name") && visited.size() < 10);
    EXPECT_EQ(visited, QStringList({"Name", "Ort", "Aktiver Kunde", "Termin", "Betrag", "Notiz"}));
    EXPECT_TRUE(inView(field("name")));
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), field("notiz"));
    EXPECT_GT(frame->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(inView(field("notiz")));
}

QRT_INSTANTIATE_FOR_ENGINES(FormDialogEngineTest);

// Enough rows that the keys are still being read when the form shows.
class ManyRecordsTest : public FormDialogTest
{
protected:
    int rows() const override { return 3000; }
};

TEST_P(ManyRecordsTest, TheCountNeverDelaysTheFirstRecord)
{
    // Made, but not yet shown: the first record is there, its count not.
    dialog = std::make_unique<CFormDlg>(CustomerForm::document(db, false, QString(), "id"), false);
    ASSERT_NE(records(), nullptr);
    Recordset *keys = records()->recordset();
    ASSERT_FALSE(keys->keysComplete()) << "the test wants keys still to be read";
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 (Anzahl wird ermittelt)");
    EXPECT_EQ(dialog->findChild<PositionField *>("position")->text(), dialog->positionText());
    // At the far end, uncounted, the number is not known either.
    keys->MoveLast();
    EXPECT_EQ(dialog->positionText(), "Position wird ermittelt");
    keys->MoveFirst();
    const qsizetype readBefore = keys->keysRead();

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 3000");
    EXPECT_EQ(keys->keysRead(), readBefore) << "counted by the engine, not by reading keys";
}

// F5 puts the user into the record number; a number and Enter go there,
// reading no more keys than that place needs; anything else shows the
// position again, without a box.
TEST_P(ManyRecordsTest, TheUserGoesToARecordByItsNumber)
{
    openData();
    ASSERT_EQ(dialog->positionText(), "Datensatz 1 von 3000");
    Recordset *keys = records()->recordset();
    const struct
    {
        const char *typed;
        int shown; // the record then shown
    } cases[] = {
        {"2990", 2990},  // among the last keys, read from the end
        {"12", 12},      // among the first
        {"abc", 12},     // no number: nothing happens
        {"0", 12},       // no record 0 either
        {"1.500", 1500}, // the middle, by the engine's offset; German digit groups
        {"99999", 3000}  // beyond the last: the last
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        press(Qt::Key_F5);
        auto *number = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_TRUE(number && number->objectName() == "positionNumber");
        QTest::keyClicks(number, QString::fromLatin1(c.typed));
        messages.clear();
        press(Qt::Key_Return);
        EXPECT_TRUE(messages.messages().isEmpty());
        EXPECT_EQ(shown("name"), CustomerForm::nameOf(c.shown));
        const QString position = QStringLiteral("Datensatz %1 von 3000").arg(c.shown);
        EXPECT_EQ(dialog->positionText(), position);
        EXPECT_EQ(number->text(), QString::number(c.shown));
        EXPECT_EQ(number->accessibleName(), position);
        EXPECT_FALSE(keys->keysComplete()) << "no place needs every key";
    }
    press(Qt::Key_PageDown); // on from the middle as from anywhere
    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
}

// A search reads in the database, not the records: a match 2,488 records
// on costs the key the engine found and the row then shown.
TEST_P(ManyRecordsTest, TheUserFindsARecordFarAheadReadingOnlyTheRowItShows)
{
    openData();
    press(Qt::Key_F5);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12"));
    press(Qt::Key_Return);
    field("name")->setFocus();
    press(Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget()->objectName(), "findText");
    QTest::keyClicks(QApplication::focusWidget(), CustomerForm::nameOf(2500));
    const qsizetype before = records()->recordset()->rowsFetched();
    press(Qt::Key_Return);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2500));
    EXPECT_LE(records()->recordset()->rowsFetched() - before, 2);
    EXPECT_FALSE(records()->recordset()->keysComplete());
    // Its number is counted once it is shown.
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return dialog->positionText() == "Datensatz 2500 von 3000";
    })) << dialog->positionText().toStdString();
}

// The datasheet reads the rows it shows: the first ones by the first keys,
// Strg+Ende's by the last, a scroll into the middle by the offset; rows
// already read are not read again.
TEST_P(ManyRecordsTest, TheDatasheetReadsOnlyTheRowsItShows)
{
    openData();
    Recordset *keys = records()->recordset();
    const qsizetype before = keys->rowsFetched();
    press(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    auto *sheet = dialog->findChild<Datasheet *>();
    ASSERT_TRUE(sheet && sheet->isVisible());
    DatasheetModel *model = sheet->records();
    const int name = model->columnOf("name");
    const auto shownRows = [&] {
        (void)sheet->grab();
        return keys->rowsFetched() - before;
    };
    EXPECT_EQ(model->rowCount(), 3001);
    EXPECT_EQ(shownRows(), DatasheetModel::kBlockRows);
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (3000 vorhanden)");
    EXPECT_EQ(model->shownText(model->index(2999, name)), CustomerForm::nameOf(3000));
    const qsizetype ends = DatasheetModel::kBlockRows + 3000 % DatasheetModel::kBlockRows;
    EXPECT_EQ(shownRows(), ends);
    press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(shownRows(), ends) << "the first rows are still held";
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 3000");
    EXPECT_FALSE(keys->keysComplete());
}

QRT_INSTANTIATE_FOR_ENGINES(ManyRecordsTest);

// The sessions a form holds on a server.
using FormSessionsTest = FormDialogTest;

TEST_P(FormSessionsTest, AFormOpensOneSessionForItsBuilderRecordsFilterAndCatalogs)
{
    // Every session costs the server a process and the form tens of
    // milliseconds to open; the builder, the records, their filter store
    // and the catalog readers of all three share one.
    openData();
    EXPECT_EQ(db.sessionsSettlingAt(1), 1);
    auto *filter = dynamic_cast<CFilterMgr *>(records()->filter());
    ASSERT_NE(filter, nullptr);
    auto *builder = dynamic_cast<CAdoFormBuilder *>(manager()->builder());
    ASSERT_NE(builder, nullptr);
    EXPECT_EQ(filter->connection()->sharedBackend(), records()->connection()->sharedBackend());
    EXPECT_EQ(builder->connection()->sharedBackend(), records()->connection()->sharedBackend());
}

INSTANTIATE_TEST_SUITE_P(Engines, FormSessionsTest, ::testing::Values(DatabaseKind::PostgreSql),
                         [](const auto &info) { return engineName(info.param); });

} // namespace
