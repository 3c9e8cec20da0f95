#include "dialogs/CTabOrderDlg.h"
#include "support/ScriptedMessages.h"
#include "support/TestFormHost.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A form as a generated one stands, in design mode: "kunde" and "ort" with
// labels, the check box "aktiv", a caption and a frame between them; "plz"
// (with its label) and "notiz" made but not on the form.
class TabOrderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.show();
        form = builder.CreateForm(&host, true, QString());
        ASSERT_NE(form, nullptr);
        builder.AddEdit(QStringLiteral("kunde"), 10, 10, InputKind::FreeText);
        builder.PlaceControl(ControlKind::Edit, QStringLiteral("kunde"));
        builder.AddStatic(QStringLiteral("Anschrift"));
        builder.PlaceControl(ControlKind::Static, QStringLiteral("Anschrift"));
        builder.AddEdit(QStringLiteral("ort"), 20, 20, InputKind::FreeText);
        builder.PlaceControl(ControlKind::Edit, QStringLiteral("ort"));
        builder.AddFrame(QStringLiteral("Adresse"));
        builder.PlaceControl(ControlKind::Frame, QStringLiteral("Adresse"));
        builder.AddCheckbox(QStringLiteral("aktiv"));
        builder.PlaceControl(ControlKind::Checkbox, QStringLiteral("aktiv"));
        builder.AddEdit(QStringLiteral("plz"), 5, 5, InputKind::WholeNumber);
        builder.AddEdit(QStringLiteral("notiz"), -1, -1, InputKind::FreeText);
    }

    static QStringList texts(const QListWidget *list)
    {
        QStringList result;
        for (int row = 0; row < list->count(); ++row)
            result << list->item(row)->text();
        return result;
    }
    CDynControl *control(const char *name) const
    {
        return builder.FindControl(QString::fromLatin1(name));
    }

    ScriptedMessages messages;
    TestFormHost host;
    PoolBuilder builder; // goes before the host
    FormWindow *form = nullptr;
};

TEST_F(TabOrderTest, FieldsOnTheFormLeftTheBuildersOthersRightAndHidingAllAsks)
{
    CTabOrderDlg dialog(form, &builder);
    auto *shown = dialog.findChild<QListWidget *>("shown");
    auto *hidden = dialog.findChild<QListWidget *>("hidden");
    EXPECT_EQ(texts(shown), QStringList({"kunde", "ort", "aktiv"})) << "no captions, no frames";
    EXPECT_EQ(texts(hidden), QStringList({"plz", "notiz"}));
    EXPECT_EQ(dialog.shownFields().first(), control("kunde"));

    EXPECT_FALSE(dialog.findChild<QPushButton *>("hideAll")->accessibleName().isEmpty())
        << "\"<<\" is read out by what it does";
    messages.answer(UserMessages::Answer::No);
    dialog.findChild<QPushButton *>("hideAll")->click();
    EXPECT_EQ(messages.texts(), QStringList("Möchten Sie wirklich alle Eingabefelder entfernen?"));
    EXPECT_EQ(messages.messages().first().consequence, UserMessages::Consequence::Destructive);
    EXPECT_EQ(texts(shown).size(), 3);

    messages.answer(UserMessages::Answer::Yes);
    dialog.findChild<QPushButton *>("hideAll")->click();
    EXPECT_TRUE(texts(shown).isEmpty());
    EXPECT_EQ(texts(hidden), QStringList({"kunde", "ort", "aktiv", "plz", "notiz"}))
        << "in their former order, before the others";
    EXPECT_EQ(namesOn(form), QStringList({"Anschrift_TITEL", "Adresse_RAHMEN"}))
        << "the labels went with their fields";
    EXPECT_FALSE(control("kunde_TITEL")->GetWindow()->isVisible());

    // Nothing selected: the buttons say so and change nothing.
    messages.clear();
    hidden->setCurrentRow(-1);
    hidden->clearSelection();
    dialog.findChild<QPushButton *>("showSelected")->click();
    dialog.findChild<QPushButton *>("hideSelected")->click();
    EXPECT_EQ(messages.texts(),
              QStringList({"Bitte eine Zeile in der Liste der nicht angezeigten Felder markieren.",
                           "Bitte eine Zeile in der Liste der sichtbaren Felder markieren."}));
    dialog.findChild<QPushButton *>("showAll")->click();
    EXPECT_EQ(texts(shown), QStringList({"kunde", "ort", "aktiv", "plz", "notiz"}));
    EXPECT_TRUE(texts(hidden).isEmpty());
}

// A field shown again starts a new row below everything, keeping its size:
// its label first at the left margin and the field beside it, as tall as
// the label; a field without a label at the margin itself.
TEST_F(TabOrderTest, AFieldShownAgainLandsOnANewRowBesideItsLabel)
{
    CTabOrderDlg dialog(form, &builder);
    const struct
    {
        const char *field;
        const char *label; // nullptr: none
    } cases[] = {{"ort", "ort_TITEL"}, {"aktiv", nullptr}, {"plz", "plz_TITEL"}};
    for (const auto &shownAgain : cases) {
        SCOPED_TRACE(shownAgain.field);
        CDynControl *field = control(shownAgain.field);
        if (form->findControl(field->GetName())) {
            ASSERT_TRUE(dialog.HideField(int(dialog.shownFields().indexOf(field))));
        }
        CDynControl *first = shownAgain.label ? control(shownAgain.label) : field;
        const QSize size = field->GetRect().size();
        const QRect rowStart(QPoint(10, form->calcExtent().height() + 5), first->GetRect().size());
        dialog.ShowField(int(dialog.hiddenFields().indexOf(field)));
        EXPECT_EQ(first->GetRect(), rowStart);
        EXPECT_EQ(field->GetRect().topLeft(),
                  shownAgain.label ? QPoint(first->Right() + 5, first->Top()) : rowStart.topLeft());
        EXPECT_EQ(field->GetRect().size(), QSize(size.width(), first->GetRect().height()));
        const QStringList placed = namesOn(form);
        EXPECT_EQ(placed.last(), field->GetName());
        EXPECT_EQ(placed.indexOf(first->GetName()), placed.size() - (first == field ? 1 : 2));
        EXPECT_TRUE(field->GetWindow()->isVisible() && first->GetWindow()->isVisible());
        EXPECT_EQ(form->extent().height(), field->Bottom()) << "the form grew";
    }
}

TEST_F(TabOrderTest, KeysMoveFieldsAcrossAndAFieldIsNeverListedTwice)
{
    CTabOrderDlg dialog(form, &builder);
    auto *hidden = dialog.findChild<QListWidget *>("hidden");
    hidden->setCurrentRow(0);
    dialog.findChild<QPushButton *>("showSelected")->click();
    // A field on the form is never offered, even when its pool twin is.
    EXPECT_EQ(dialog.hiddenFields(), QVector<CDynControl *>({control("notiz")}));

    // Keys: Enter shows from the right list, Delete hides from the left one.
    QTest::keyClick(hidden, Qt::Key_Return);
    EXPECT_TRUE(dialog.hiddenFields().isEmpty());
    auto *shown = dialog.findChild<QListWidget *>("shown");
    shown->setCurrentRow(1);
    QTest::keyClick(shown, Qt::Key_Delete);
    EXPECT_EQ(texts(shown), QStringList({"kunde", "aktiv", "plz", "notiz"}));
    EXPECT_EQ(shown->currentRow(), 1) << "ready for the next Delete";
    EXPECT_EQ(dialog.hiddenFields(), QVector<CDynControl *>({control("ort")}));
    EXPECT_EQ(shown->dragDropMode(), QAbstractItemView::InternalMove) << "reordered by dragging";

    // A field the form will not give up stays where it is listed.
    ASSERT_TRUE(form->removeControl(*control("aktiv")));
    EXPECT_FALSE(dialog.HideField(1));
    EXPECT_EQ(messages.texts(), QStringList("Eingabefeld konnte nicht entfernt werden!"));
    EXPECT_EQ(texts(shown), QStringList({"kunde", "aktiv", "plz", "notiz"}));
}

TEST_F(TabOrderTest, OkOrdersTheFieldsFirstAsListedThenCaptionsAndFrames)
{
    {
        // Reordered by the keyboard, then closed without OK: adds and
        // removals stay, the order does not change.
        CTabOrderDlg dialog(form, &builder);
        auto *shown = dialog.findChild<QListWidget *>("shown");
        shown->setCurrentRow(0);
        QTest::keyClick(shown, Qt::Key_Down, Qt::ControlModifier);
        EXPECT_EQ(texts(shown), QStringList({"ort", "kunde", "aktiv"}));
        dialog.ShowField(1); // notiz
        dialog.reject();
    }
    EXPECT_EQ(namesOn(form),
              QStringList({"kunde_TITEL", "kunde", "Anschrift_TITEL", "ort_TITEL", "ort",
                           "Adresse_RAHMEN", "aktiv", "notiz_TITEL", "notiz"}));

    CTabOrderDlg dialog(form, &builder);
    auto *shown = dialog.findChild<QListWidget *>("shown");
    EXPECT_EQ(texts(shown), QStringList({"kunde", "ort", "aktiv", "notiz"}));
    shown->setCurrentRow(2);
    QTest::keyClick(shown, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(shown, Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(shown, Qt::Key_Up, Qt::ControlModifier); // at the top already
    EXPECT_EQ(texts(shown), QStringList({"aktiv", "kunde", "ort", "notiz"}));
    dialog.findChild<QPushButton *>("ok")->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(namesOn(form),
              QStringList({"aktiv", "kunde", "ort", "notiz", "kunde_TITEL", "Anschrift_TITEL",
                           "ort_TITEL", "Adresse_RAHMEN", "notiz_TITEL"}));
    EXPECT_TRUE(messages.texts().isEmpty());
}

} // namespace
