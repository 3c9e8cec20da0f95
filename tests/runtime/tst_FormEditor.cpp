#include "EditorTestSupport.h"

#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "resources/CommandTable.h"
#include "runtime/FormEditor.h"
#include "runtime/RectTracker.h"
#include "support/Pictures.h"

#include <QImage>
#include <QLineEdit>
#include <QToolBar>
#include <QUndoStack>

namespace {

// A design-mode form on a host, with controls the test owns as the builder
// would: a label and field "Name" on the first row, a check box below, a
// frame with the field "Ort" in it.
class FormEditorTest : public ::testing::Test, public FormOnHost
{
protected:
    FormEditorTest() : FormOnHost(true)
    {
        form->setRasterShown(false);
        editor = form->editor();
        label = make<CDynStatic>("Name", QRect(10, 10, 50, 20), true);
        name = make<CDynEdit>("Name", QRect(70, 10, 120, 20), true);
        active = make<CDynCheckbox>("Aktiv", QRect(10, 50, 80, 20), true);
        frame = make<CDynFrame>("Adresse", QRect(5, 90, 300, 100), true);
        town = make<CDynEdit>("Ort", QRect(20, 120, 100, 20), true);
        form->setFocus();
    }

    QUndoStack &history() const { return *form->undoStack(); }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(form, Qt::Key(key), modifiers);
    }

    FormEditor *editor = nullptr;
    FormMouse mouse{form};
    CDynStatic *label = nullptr;
    CDynEdit *name = nullptr;
    CDynCheckbox *active = nullptr;
    CDynFrame *frame = nullptr;
    CDynEdit *town = nullptr;
};

TEST_F(FormEditorTest, ClicksShiftClicksAndBandsSelect)
{
    // A click is a drag to where it began; the band is drawn from to.
    struct Gesture
    {
        QPoint from, to;
        Qt::KeyboardModifiers modifiers;
        QStringList selected;
    };
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    // clang-format off
    const Gesture gestures[] = {
        {{80, 15}, {80, 15}, shift, {"Name", "Aktiv"}},
        {{20, 55}, {20, 55}, shift, {"Name"}}, // Shift takes a selected one away
        // A frame is grabbed by its border; its inside belongs to the form,
        // unless the frame is selected.
        {{200, 160}, {200, 160}, {}, {}},
        {{7, 150}, {7, 150}, {}, {"Adresse_RAHMEN"}},
        {{200, 160}, {200, 160}, {}, {"Adresse_RAHMEN"}},
        // A band selects what it touches and drops the rest; with Shift it adds.
        {{400, 5}, {150, 60}, {}, {"Name"}},
        {{1, 1}, {60, 60}, {}, {"Name_TITEL", "Aktiv"}}, // (0, 0) is "the middle" to QTest
        {{400, 5}, {150, 130}, shift, {"Name_TITEL", "Name", "Aktiv", "Adresse_RAHMEN"}},
    };
    // clang-format on
    mouse.click(QPoint(80, 15));
    EXPECT_EQ(selectedOn(form), QStringList("Name"));
    EXPECT_EQ(name->GetWindow()->cursor().shape(), Qt::SizeAllCursor) << "a drag moves it";
    mouse.click(QPoint(20, 55));
    EXPECT_EQ(selectedOn(form), QStringList("Aktiv")) << "a click without Shift selects one";
    EXPECT_EQ(name->GetWindow()->cursor().shape(), Qt::ArrowCursor);
    for (const Gesture &gesture : gestures) {
        if (gesture.from == gesture.to)
            mouse.click(gesture.from, gesture.modifiers);
        else
            mouse.drag(gesture.from, gesture.to, gesture.modifiers);
        EXPECT_EQ(selectedOn(form), gesture.selected)
            << gesture.from.x() << "," << gesture.from.y();
    }
    EXPECT_FALSE(active->IsChecked()) << "no toggling in design mode";
    EXPECT_EQ(history().count(), 0) << "selecting changes nothing to undo";
}

TEST_F(FormEditorTest, DraggingMovesResizesAndMovesGroupsAsOneStepEach)
{
    // A jitter below the drag distance only selects.
    mouse.drag(QPoint(80, 15), QPoint(82, 16));
    EXPECT_EQ(name->GetRect(), QRect(70, 10, 120, 20));
    EXPECT_EQ(history().count(), 0);

    mouse.drag(QPoint(80, 15), QPoint(120, 25));
    EXPECT_EQ(name->GetRect(), QRect(110, 20, 120, 20));
    EXPECT_EQ(name->GetTracker()->rect(), name->GetRect()) << "the outline follows";
    ASSERT_EQ(history().count(), 1);
    EXPECT_EQ(history().undoText(), "Verschieben");

    // The bottom-right handle lies just outside the control.
    const QPoint handle(name->Right() + 3, name->Bottom() + 3);
    ASSERT_EQ(mouse.widgetAt(handle)->objectName(), "trackerHandle");
    EXPECT_EQ(mouse.widgetAt(handle)->cursor().shape(), Qt::SizeFDiagCursor);
    mouse.drag(handle, handle + QPoint(30, 15));
    EXPECT_EQ(name->GetRect(), QRect(110, 20, 150, 35));
    EXPECT_EQ(history().undoText(), "Größe ändern");
    const QPoint left(name->Left() - 3, name->Top() + 17);
    mouse.drag(left, left + QPoint(400, 0));
    EXPECT_EQ(name->GetRect(), QRect(250, 20, 10, 35)) << "no narrower than 10 pixels";

    // Several selected: dragging one of them takes all along; never past
    // the form's origin.
    mouse.click(QPoint(20, 55), Qt::ShiftModifier);
    const QRect checkBefore = active->GetRect();
    mouse.drag(QPoint(20, 55), QPoint(0, 80));
    EXPECT_EQ(active->GetRect(), checkBefore.translated(-10, 25));
    EXPECT_EQ(name->GetRect(), QRect(240, 45, 10, 35));
    EXPECT_EQ(history().count(), 4);

    // Escape during a drag puts everything back and records nothing.
    mouse.press(QPoint(20, 80));
    mouse.moveTo(QPoint(90, 120));
    EXPECT_EQ(active->GetRect().topLeft(), QPoint(70, 115));
    key(Qt::Key_Escape);
    mouse.release(QPoint(90, 120));
    EXPECT_EQ(active->GetRect(), checkBefore.translated(-10, 25));
    EXPECT_EQ(history().count(), 4);

    // Each gesture undoes and redoes as a whole, selecting what it moved.
    history().undo();
    EXPECT_EQ(active->GetRect(), checkBefore);
    EXPECT_EQ(name->GetRect(), QRect(250, 20, 10, 35));
    EXPECT_EQ(selectedOn(form), QStringList({"Name", "Aktiv"}));
    history().undo();
    history().undo();
    history().undo();
    EXPECT_EQ(name->GetRect(), QRect(70, 10, 120, 20));
    EXPECT_EQ(selectedOn(form), QStringList("Name"));
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(name->GetRect(), QRect(110, 20, 120, 20));
}

TEST_F(FormEditorTest, TheKeyboardSelectsMovesResizesAndDeletes)
{
    key(Qt::Key_A);
    EXPECT_EQ(selectedOn(form).size(), 5);
    key(Qt::Key_Escape);
    EXPECT_TRUE(selectedOn(form).isEmpty());

    // Tab goes through the controls in reading order, and round.
    key(Qt::Key_Tab);
    EXPECT_EQ(selectedOn(form), QStringList("Name_TITEL"));
    key(Qt::Key_Tab);
    EXPECT_EQ(selectedOn(form), QStringList("Name"));
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(selectedOn(form), QStringList("Ort"));
    EXPECT_EQ(host.lastVisiblePoint, QPoint(20, 120)) << "the host scrolls it into view";
    EXPECT_EQ(form->focusWidget(), form) << "Tab stays with the editor";

    // Arrows move by a pixel, with Ctrl by a raster step; Shift resizes.
    // Presses in quick succession on one selection are one step per kind
    // of change, named in the menu; moved there and back is none.
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(town->GetRect(), QRect(21, 130, 100, 20));
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(town->GetRect(), QRect(21, 130, 101, 30));
    key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(history().count(), 2);
    EXPECT_EQ(history().undoText(), "Größe ändern");
    // A held key repeats its change; the repeats are one step.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(form, &repeat);
    }
    EXPECT_EQ(town->GetRect(), QRect(18, 130, 101, 29));
    EXPECT_EQ(history().count(), 3);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(history().count(), 2) << "back where the step began: no step";
    key(Qt::Key_Right);
    QTest::qWait(int(LayoutCommand::kKeyMergeMs) + 100);
    key(Qt::Key_Down);
    EXPECT_EQ(history().count(), 4) << "a press after a pause is a step of its own";
    key(Qt::Key_Tab);
    key(Qt::Key_Right);
    EXPECT_EQ(history().count(), 5) << "so is one on another selection";
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(town->GetRect(), QRect(22, 130, 101, 29));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(town->GetRect(), QRect(21, 130, 101, 29));

    // Typing reaches no control; Delete asks, and takes a field's label along.
    QTest::keyClicks(form, QStringLiteral("xyz"));
    EXPECT_EQ(name->WindowText(), "Name");
    mouse.click(QPoint(80, 15));
    messages.answer(UserMessages::Answer::No);
    key(Qt::Key_Delete);
    EXPECT_EQ(namesOn(form).size(), 5);
    ASSERT_EQ(messages.messages().size(), 1);
    EXPECT_EQ(messages.messages().first().text,
              "Möchten Sie wirklich alle markierten Elemente aus dem Formular entfernen?");
    EXPECT_EQ(messages.messages().first().consequence, UserMessages::Consequence::Destructive);
    messages.answer(UserMessages::Answer::Yes);
    key(Qt::Key_Delete);
    EXPECT_EQ(namesOn(form), QStringList({"Aktiv", "Adresse_RAHMEN", "Ort"}));
    EXPECT_FALSE(label->GetWindow()->isVisible());
    EXPECT_EQ(history().undoText(), "Entfernen");
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(namesOn(form), QStringList({"Name_TITEL", "Name", "Aktiv", "Adresse_RAHMEN", "Ort"}));
    EXPECT_TRUE(label->GetWindow()->isVisible() && name->GetWindow()->isVisible());
    EXPECT_EQ(selectedOn(form), QStringList({"Name_TITEL", "Name"})) << "what came back";
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(namesOn(form).size(), 3);
}

TEST_F(FormEditorTest, AligningFromTheFormsMenuToTheRaster)
{
    // Right edges at 95 and 100; to a raster of 10 they go to 100 and 110.
    name->MoveTo(45, 10, 95, 30);
    active->MoveTo(20, 50, 100, 70);
    mouse.click(QPoint(80, 15));
    mouse.click(QPoint(25, 55), Qt::ShiftModifier);
    whenMenuOpens({"Selektierte Steuerelemente ausrichten", "Rechts am Raster"});
    mouse.rightClick(QPoint(250, 300));
    EXPECT_EQ(name->Right(), 100);
    EXPECT_EQ(active->Right(), 110);
    EXPECT_EQ(history().undoText(), "Ausrichten");

    // A right click on one of several selected controls brings the form's
    // menu too, as does one on a handle.
    whenMenuOpens({"Selektierte Steuerelemente ausrichten", "Links"});
    mouse.rightClick(QPoint(60, 15));
    EXPECT_EQ(name->Left(), 30);
    EXPECT_EQ(active->Left(), 30);
    whenMenuOpens({"Alle Markierungen aufheben"});
    mouse.rightClick(QPoint(active->Right() + 2, active->Bottom() + 2));
    EXPECT_TRUE(selectedOn(form).isEmpty());
    history().undo();
    history().undo();
    EXPECT_EQ(name->GetRect(), QRect(45, 10, 50, 20));
    EXPECT_EQ(active->GetRect(), QRect(20, 50, 80, 20));
}

TEST_F(FormEditorTest, EachAlignCommandMovesTheEdgeOfItsAxisToItsRaster)
{
    // A raster that differs between the axes: an edge snapped on the wrong
    // axis lands elsewhere. Right and bottom lie one past the control.
    form->setRasterX(10);
    form->setRasterY(25);
    struct Case
    {
        int command;
        QRect name;
        QRect active;
    };
    // clang-format off
    const Case cases[] = {
        {CommandTable::IdAlignLeft, {12, 10, 83, 20}, {12, 40, 70, 25}},
        {CommandTable::IdAlignRight, {17, 10, 83, 20}, {30, 40, 70, 25}},
        {CommandTable::IdAlignTop, {12, 10, 83, 20}, {30, 10, 70, 25}},
        {CommandTable::IdAlignBottom, {12, 45, 83, 20}, {30, 40, 70, 25}},
        // Left and top down to the raster, right and bottom up to the next
        // line, one already on it a whole step.
        {CommandTable::IdAlignLeftRaster, {10, 10, 83, 20}, {30, 40, 70, 25}},
        {CommandTable::IdAlignRightRaster, {17, 10, 83, 20}, {40, 40, 70, 25}},
        {CommandTable::IdAlignTopRaster, {12, 0, 83, 20}, {30, 25, 70, 25}},
        {CommandTable::IdAlignBottomRaster, {12, 30, 83, 20}, {30, 50, 70, 25}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.command);
        name->MoveTo(12, 10, 95, 30);
        active->MoveTo(30, 40, 100, 65);
        editor->selectOnly({name, active});
        const int steps = history().count();
        EXPECT_TRUE(editor->runCommand(c.command));
        EXPECT_EQ(name->GetRect(), c.name);
        EXPECT_EQ(active->GetRect(), c.active);
        EXPECT_EQ(history().count(), steps + 1);
    }
}

TEST_F(FormEditorTest, EveryLayoutPropertyUndoesAndRedoesAndNoChangeIsNoStep)
{
    // Each change made as one gesture, read back as a text.
    struct Property
    {
        const char *what;
        std::function<void()> change;
        std::function<QString()> read;
    };
    const auto restyled = [](CDynControl *control, auto edit) {
        ControlProperties properties = control->GetProperties();
        edit(properties);
        control->ApplyProperties(properties);
    };
    host.SetTitle(QStringLiteral("Formular"));
    const auto number = [](int value) {
        return QString::number(value);
    };
    // clang-format off
    const Property properties[] = {
        {"caption", [&] { restyled(label, [](auto &p) { p.caption = "Kundenname"; }); }, [&] { return label->GetCaption(); }},
        {"geometry", [&] { name->MoveTo(70, 12, 200, 40); }, [&] { return number(name->Bottom() * 1000 + name->Right()); }},
        {"font", [&] { restyled(name, [](auto &p) { p.font.weight = 700; }); }, [&] { return number(name->GetProperties().font.weight); }},
        {"flags", [&] { restyled(name, [](auto &p) { p.flags = ControlFlags::Right; }); }, [&] { return number(name->GetProperties().flags); }},
        {"order", [&] { form->setControlOrder({label, active, name, frame, town}); }, [&] { return namesOn(form).join(','); }},
        {"on the form", [&] { form->removeControl(*town); }, [&] { return namesOn(form).join(','); }},
        {"raster x", [&] { form->setRasterX(20); }, [&] { return number(form->rasterX()); }},
        {"raster y", [&] { form->setRasterY(30); }, [&] { return number(form->rasterY()); }},
        {"raster shown", [&] { form->setRasterShown(true); }, [&] { return number(form->isRasterShown()); }},
        {"title", [&] { host.SetTitle(QStringLiteral("Kunden")); }, [&] { return host.GetTitle(); }},
    };
    // clang-format on
    for (const Property &property : properties) {
        SCOPED_TRACE(property.what);
        const QString before = property.read();
        const int steps = history().count();
        {
            FormChange change(*form, QStringLiteral("Ändern"), FormEditor::TabOrder::AsListed);
            property.change();
        }
        const QString after = property.read();
        ASSERT_NE(after, before);
        ASSERT_EQ(history().count(), steps + 1);
        history().undo();
        EXPECT_EQ(property.read(), before);
        history().redo();
        EXPECT_EQ(property.read(), after);
        // The same change once more changes nothing: no step.
        {
            FormChange change(*form, QStringLiteral("Ändern"), FormEditor::TabOrder::AsListed);
            property.change();
        }
        EXPECT_EQ(history().count(), steps + 1);
    }
}

TEST_F(FormEditorTest, PropertiesOfAControlAndOfTheFormAreOneStepEach)
{
    mouse.click(QPoint(80, 15));
    onNextModal<CCtrlPropDlg>([](CCtrlPropDlg *dialog) {
        EXPECT_FALSE(dialog->findChild<QLineEdit *>("title")->isEnabled())
            << "a field shows its column";
        dialog->findChild<QLineEdit *>("width")->setText("150");
        dialog->findChild<QLineEdit *>("yPos")->setText("-4");
        dialog->accept();
    });
    key(Qt::Key_Return);
    EXPECT_EQ(name->GetRect(), QRect(70, -4, 150, 20));
    EXPECT_TRUE(name->IsSelected()) << "the new widget is outlined too";
    EXPECT_EQ(name->GetTracker()->rect(), name->GetRect());
    EXPECT_EQ(history().undoText(), "Eigenschaften des Steuerelements");
    mouse.click(QPoint(20, 15));
    onNextModal<CCtrlPropDlg>([](CCtrlPropDlg *dialog) {
        QLineEdit *title = dialog->findChild<QLineEdit *>("title");
        EXPECT_TRUE(title->isEnabled()) << "a caption's title is the user's";
        title->setText(QStringLiteral("Kundenname"));
        dialog->accept();
    });
    key(Qt::Key_Return);
    EXPECT_EQ(label->GetCaption(), "Kundenname");

    key(Qt::Key_Escape);
    host.setWindowTitle(QStringLiteral("Formular"));
    onNextModal<CFormPropDlg>([](CFormPropDlg *dialog) {
        dialog->findChild<QLineEdit *>("rasterX")->setText("20");
        dialog->findChild<QLineEdit *>("title")->setText("Kunden");
        dialog->accept();
    });
    key(Qt::Key_Enter);
    EXPECT_EQ(form->rasterX(), 20);
    EXPECT_EQ(host.windowTitle(), "Kunden");
    // Cancelled: nothing to undo.
    onNextModal<CFormPropDlg>([](CFormPropDlg *dialog) { dialog->reject(); });
    editor->editFormProperties();
    EXPECT_EQ(history().count(), 3);
    history().undo();
    EXPECT_EQ(QPoint(form->rasterX(), name->Top()), QPoint(10, -4)) << "both as one step";
}

TEST_F(FormEditorTest, TheFieldsOrderFollowsTheLayoutUnlessTheUserFixedIt)
{
    // The check box dragged above the name field comes first among the
    // fields; captions and frames keep their places in the list.
    mouse.drag(QPoint(20, 55), QPoint(220, 10));
    EXPECT_EQ(active->GetRect().topLeft(), QPoint(210, 5));
    EXPECT_EQ(namesOn(form), QStringList({"Name_TITEL", "Name", "Aktiv", "Adresse_RAHMEN", "Ort"}))
        << "same row, right of Name";
    mouse.drag(QPoint(220, 10), QPoint(20, 5));
    EXPECT_EQ(namesOn(form), QStringList({"Name_TITEL", "Aktiv", "Name", "Adresse_RAHMEN", "Ort"}));
    history().undo();
    EXPECT_EQ(namesOn(form), QStringList({"Name_TITEL", "Name", "Aktiv", "Adresse_RAHMEN", "Ort"}));

    // An order that is not the reading order was fixed by the user: it stays.
    form->setControlOrder({town, label, name, active, frame});
    mouse.drag(QPoint(30, 125), QPoint(30, 285));
    EXPECT_EQ(namesOn(form), QStringList({"Ort", "Name_TITEL", "Name", "Aktiv", "Adresse_RAHMEN"}));
}

TEST_F(FormEditorTest, DrawingTheRectangleOfANewElement)
{
    QToolBar bar;
    QAction *caption = bar.addAction(QStringLiteral("Überschrift"));
    caption->setData(int(CFormParent::CommandAddStatic));
    caption->setCheckable(true);
    caption->setChecked(true);
    host.SetToolBar(&bar);

    // Drawn over a control, it is still a band, not a move.
    QRect second(1, 1, 1, 1);
    QTimer::singleShot(0, [this, &second] {
        EXPECT_TRUE(editor->isDrawing());
        second = form->TakeDrawnRect();
        mouse.drag(QPoint(80, 15), QPoint(150, 60));
    });
    EXPECT_EQ(form->TakeDrawnRect(), QRect(80, 15, 70, 45));
    EXPECT_EQ(second, QRect()) << "a second request while one is pending";
    EXPECT_EQ(name->GetRect(), QRect(70, 10, 120, 20));
    EXPECT_TRUE(selectedOn(form).isEmpty());
    EXPECT_FALSE(caption->isChecked()) << "the button comes up with the mouse";
    EXPECT_FALSE(editor->isDrawing());

    // Escape draws nothing.
    QTimer::singleShot(0, [this] {
        mouse.press(QPoint(150, 60));
        mouse.moveTo(QPoint(200, 80));
        key(Qt::Key_Escape);
        mouse.release(QPoint(200, 80));
    });
    EXPECT_EQ(form->TakeDrawnRect(), QRect());
    EXPECT_FALSE(editor->isDrawing() || editor->isBusy());
    EXPECT_EQ(history().count(), 0);
}

TEST_F(FormEditorTest, ABandAndASelectedGroupAsTheUserSeesThem)
{
    form->setRasterShown(true);
    mouse.click(QPoint(80, 15));
    mouse.click(QPoint(20, 55), Qt::ShiftModifier);
    mouse.press(QPoint(100, 250));
    mouse.moveTo(QPoint(240, 130));
    const QImage picture = form->grab().toImage();
    mouse.release(QPoint(240, 130));

    EXPECT_TRUE(Pictures::save(picture, QStringLiteral("editor.png")));
    // Handles outside each selected control, black.
    for (const CDynControl *control :
         {static_cast<CDynControl *>(name), static_cast<CDynControl *>(active)}) {
        const QRect corner = FormGeometry::handleRects(control->GetRect(), true).at(2);
        EXPECT_EQ(picture.pixelColor(corner.center()), QColor(Qt::black));
    }
    // The dotted outline one pixel outside the control, the band's red line.
    int outline = 0;
    for (int x = name->Left(); x < name->Right(); ++x)
        outline += picture.pixelColor(x, name->Top() - 1) == QColor(Qt::black);
    EXPECT_GT(outline, 20);
    EXPECT_LT(outline, name->GetRect().width()) << "dotted, not solid";
    int red = 0;
    for (int y = 131; y < 250; ++y)
        red += picture.pixelColor(100, y) == QColor(255, 0, 0);
    EXPECT_GT(red, 30);
    EXPECT_EQ(selectedOn(form), QStringList({"Adresse_RAHMEN", "Ort"})) << "what the band touched";
}

} // namespace
