// The form dialog beyond the record cycle: values that must survive a save
// untouched, the keyboard, many records, and the sessions a form holds.

#include "FormDialogTestSupport.h"

#include "data/component/Recordset.h"
#include "filter/CFilterMgr.h"
#include "formdef/CAdoFormBuilder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

using namespace CommandTable;
using Answer = UserMessages::Answer;

namespace {

using FormDialogEngineTest = FormDialogTest;

TEST_P(FormDialogEngineTest, UnchangedValuesSurviveASaveOfAnotherField)
{
    // Values the form shows otherwise than stored: line breaks and a tab, the
    // five characters XML escapes, more digits than the field shows, a date
    // with a time of day, and a 0 (which a whole-number field reads as Null)
    // in a column that is not on the form.
    const QString note = QStringLiteral("Erste Zeile\r\nZweite Zeile\n\n\tEingerückt ");
    db.exec(QStringLiteral("UPDATE kunden SET notiz = '%1', ort = '<A & B> \"C\" ''D''', "
                           "betrag = CAST(2 AS DOUBLE PRECISION) / 3, termin = '2021-03-08 "
                           "23:59:58', besuche = 0 WHERE id = 1")
                .arg(note));
    const auto row = [this] {
        return db.scalar("SELECT ort || '|' || notiz || '|' || CAST(termin AS VARCHAR(40)) || "
                         "'|' || CAST(besuche AS VARCHAR(10)) FROM kunden WHERE id = 1");
    };
    const QString before = row();
    ASSERT_TRUE(before.contains("23:59:58")) << before.toStdString();

    openData();
    EXPECT_EQ(shown("ort"), "<A & B> \"C\" 'D'");
    EXPECT_EQ(shown("betrag"), "0,66666667");
    EXPECT_EQ(shown("termin"), "08.03.2021 23:59:58");
    EXPECT_EQ(shown("notiz"), "Erste Zeile\r\nZweite Zeile\r\n\r\n\tEingerückt ");
    retype("name", "Neu benannt");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();

    EXPECT_EQ(stored("name", 1), "Neu benannt");
    EXPECT_EQ(row(), before);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 1 AND betrag = CAST(2 AS DOUBLE "
                        "PRECISION) / 3"),
              "1");

    // The same after moving away and back, and with a second save.
    press(Qt::Key_PageDown);
    press(Qt::Key_PageUp);
    QTest::mouseClick(field("aktiv"), Qt::LeftButton);
    click(IdRecordSave);
    EXPECT_EQ(row(), before);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM kunden WHERE id = 1 AND NOT aktiv AND betrag = "
                        "CAST(2 AS DOUBLE PRECISION) / 3"),
              "1");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

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
    EXPECT_EQ(dialog->findChild<QLabel *>("position")->text(), dialog->positionText());
    // At the far end, uncounted, the number is not known either.
    keys->MoveLast();
    EXPECT_EQ(dialog->positionText(), "Position wird ermittelt");
    keys->MoveFirst();
    const qsizetype readBefore = keys->keysRead();

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 3000");
    EXPECT_EQ(keys->keysRead(), readBefore) << "counted by the engine, not by reading keys";
    press(Qt::Key_PageDown);
    EXPECT_EQ(dialog->positionText(), "Datensatz 2 von 3000");
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dialog->positionText(), "Datensatz 3000 von 3000");
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(dialog->positionText(), "Neuer Datensatz (3000 vorhanden)");
    QTest::keyClicks(field("name"), "Nummer 3001");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialog->positionText(), "Datensatz 3001 von 3001");
    EXPECT_EQ(stored("name", 3001), "Nummer 3001");
}

TEST_P(ManyRecordsTest, AnExpressionSortShowsBothEndsBeforeEveryKeyIsRead)
{
    // The host sorts by an expression that ties half the rows with each
    // other (odd visit counts first); the key orders the ties. Positions
    // 1..1500 are the odd rows 1, 3, …, 2999, positions 1501..3000 the even
    // rows 2, 4, …, 3000.
    open(CustomerForm::document(db, false, QString(), "besuche % 2 DESC"));
    Recordset *keys = records()->recordset();
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(1));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1 von 3000");

    // The last record comes from the end of the query, numbered from the
    // count, while the keys between the two ends are still unread.
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(3000));
    EXPECT_EQ(dialog->positionText(), "Datensatz 3000 von 3000");
    EXPECT_FALSE(keys->keysComplete());
    EXPECT_LT(keys->keysRead(), 3000);

    // Back across the seam between the last rows and the rest: the same
    // order, the same numbers.
    for (int i = 0; i < 1100; ++i)
        press(Qt::Key_PageUp);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(800));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1900 von 3000");
    EXPECT_TRUE(keys->keysComplete());
    for (int i = 0; i < 400; ++i)
        press(Qt::Key_PageUp);
    EXPECT_EQ(shown("name"), CustomerForm::nameOf(2999));
    EXPECT_EQ(dialog->positionText(), "Datensatz 1500 von 3000");
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
