#include "FakeForm.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"
#include "resources/CommandTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace ControlFlags;

namespace {

template <typename Control>
std::unique_ptr<Control> make(FakeForm &form, bool design, const ControlDescription &description)
{
    auto control = std::make_unique<Control>(design);
    control->Create(&form, description);
    return control;
}

// Deletes what the controls retired when they made a new widget.
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

// Each kind is named after its caption with its suffix, unless given a
// name; is found by a screen reader by its caption (labels, check boxes) or
// its name (fields); and writes its record with its type number.
TEST(CDynControl, EachKindIsNamedFoundAndWrittenAsItsKind)
{
    FakeForm form;
    const QString caption = QStringLiteral("<Ort> & \"Land\"");
    const QString escaped = QStringLiteral("&lt;Ort&gt; &amp; &quot;Land&quot;");
    const auto at = [&caption](unsigned flags) {
        return describe(caption, 60, 5, 160, 25, flags);
    };
    const struct
    {
        std::unique_ptr<CDynControl> control;
        const char *suffix;
        int typ;
        bool foundByCaption;
        const char *align, *multiLine; // as written
    } kinds[] = {
        {make<CDynStatic>(form, false, at(Left)), "_TITEL", 0, true, "Left", "False"},
        {make<CDynEdit>(form, false, at(Right | MultiLine)), "", 1, false, "Right", "True"},
        {make<CDynCheckbox>(form, false, at(Center)), "", 2, true, "Center", "False"},
        {make<CDynDateTime>(form, false, at(Center)), "", 3, false, "Center", "False"},
        {make<CDynFrame>(form, false, at(Left)), "_RAHMEN", 4, true, "Left", "False"},
    };
    for (const auto &kind : kinds) {
        SCOPED_TRACE(kind.typ);
        const auto &control = kind.control;
        const QString name = caption + QLatin1String(kind.suffix);
        EXPECT_EQ(control->GetName(), name);
        EXPECT_EQ(control->GetWindow()->objectName(), name);
        if (kind.typ != 4) {
            EXPECT_EQ(control->GetWindow()->accessibleName(), kind.foundByCaption ? caption : name);
        }
        const QString info = control->GetControlInfo();
        EXPECT_TRUE(
            info.startsWith(QStringLiteral("<CONTROLINFO TYP=\"%1\"><NAME>%2%3</NAME><LEFT>60"
                                           "</LEFT><RIGHT>160</RIGHT><TOP>5</TOP><BOTTOM>25"
                                           "</BOTTOM><CAPTION>%2</CAPTION>")
                                .arg(kind.typ)
                                .arg(escaped, QLatin1String(kind.suffix))))
            << info.toStdString();
        EXPECT_TRUE(
            info.endsWith(QStringLiteral("<ALIGN>%1</ALIGN><MULTILINE>%2</MULTILINE></CONTROLINFO>")
                              .arg(QLatin1String(kind.align), QLatin1String(kind.multiLine))))
            << info.toStdString();
    }

    ControlDescription named = describe(caption, 60, 5, 160, 25);
    named.name = QStringLiteral("FELD_3");
    const auto given = make<CDynStatic>(form, true, named);
    EXPECT_EQ(given->GetName(), "FELD_3");
    EXPECT_EQ(given->GetWindow()->parentWidget(), &form.widget);
    given->MoveTo(70, 15, 200, 40);
    EXPECT_TRUE(given->GetControlInfo().contains(
        "<LEFT>70</LEFT><RIGHT>200</RIGHT><TOP>15</TOP><BOTTOM>40</BOTTOM>"));
}

TEST(CDynControl, FontsBelowOneTenthOfAPointAreTheDefaultFont)
{
    FakeForm form;
    ControlDescription description = describe("Kunde", 10, 10, 90, 30);
    description.font = FontDescription{QStringLiteral("Arial"), 0, 700, 1};
    const auto edit = make<CDynEdit>(form, true, description);
    EXPECT_EQ(edit->GetFontDescription(), (FontDescription{"MS Sans Serif", 80, 0, 0}));
    ASSERT_EQ(edit->GetWindow()->logicalDpiY(), 96);
    EXPECT_EQ(edit->GetWindow()->font().pixelSize(), 11); // 8 points at 96 dpi
    EXPECT_EQ(edit->GetWindow()->font().family(), "MS Sans Serif") << "stored as given";
    EXPECT_FALSE(edit->GetWindow()->font().bold());
    EXPECT_TRUE(edit->GetControlInfo().contains(
        "<FONT NAME=\"MS Sans Serif\" SIZE=\"80\" BOLD=\"0\" ITALIC=\"0\"></FONT>"));

    edit->SetFont(FontDescription{QStringLiteral("DejaVu Serif"), 125, 700, 1});
    const QFont font = edit->GetWindow()->font();
    EXPECT_EQ(font.pixelSize(), 16); // whole points: 12 at 96 dpi
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    EXPECT_EQ(edit->GetFontDescription(), (FontDescription{"DejaVu Serif", 125, 700, 1}));
}

// While designing the keyboard belongs to the editor, frames lie behind and
// captions in front; captions never take the keyboard. (That shown fields
// are tab stops, the form dialog's tests show.)
TEST(CDynControl, DesignedControlsLeaveTheKeysToTheFormFramesBehindCaptionsInFront)
{
    FakeForm form;
    // Made in this order, only raising the caption and lowering the frame
    // (the field is never shown) puts them in front and behind.
    const auto caption = make<CDynStatic>(form, true, describe("Ort", 10, 5, 55, 25));
    const auto box = make<CDynCheckbox>(form, true, describe("Aktiv", 10, 40, 90, 60));
    const auto frame = make<CDynFrame>(form, true, describe("Adresse", 0, 0, 200, 100));
    FakeForm data;
    const auto shown = make<CDynStatic>(data, false, describe("Ort", 10, 5, 55, 25));
    caption->Show();
    frame->Show();
    shown->Show();
    EXPECT_EQ(box->GetWindow()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(shown->GetWindow()->focusPolicy(), Qt::NoFocus);
    const QObjectList stack = form.widget.children(); // bottom first
    EXPECT_EQ(stack.first(), frame->GetWindow());
    EXPECT_EQ(stack.last(), caption->GetWindow());
    EXPECT_TRUE(frame->GetWindow()->testAttribute(Qt::WA_TransparentForMouseEvents))
        << "its inside lets presses through to the form";

    // A designed frame is outlined in the text colour, above the raster; in
    // data mode the style's own frame stays.
    const auto dataFrame = make<CDynFrame>(data, false, describe("Adresse", 0, 0, 200, 100));
    dataFrame->Show();
    for (const CDynFrame *each : {frame.get(), dataFrame.get()}) {
        const QImage picture = each->GetWindow()->grab().toImage();
        const QColor text = each->GetWindow()->palette().color(QPalette::WindowText);
        bool outlined = false; // along the bottom edge, where the style puts it
        for (int y = picture.height() - 3; y < picture.height(); ++y)
            outlined = outlined || picture.pixelColor(picture.width() / 2, y) == text;
        EXPECT_EQ(outlined, each->IsDesignMode());
    }
}

TEST(CDynControl, StylesReachTheWidgets)
{
    FakeForm form;
    const auto designed = make<CDynEdit>(form, true, describe("Ort", 0, 0, 100, 20, Right));
    auto *line = qobject_cast<QLineEdit *>(designed->GetWindow());
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->isReadOnly());
    EXPECT_EQ(line->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(designed->GetStyle(), 0x50000802u);

    const auto wrapped =
        make<CDynEdit>(form, false, describe("Notiz", 0, 0, 100, 60, Center | MultiLine));
    auto *text = qobject_cast<QPlainTextEdit *>(wrapped->GetWindow());
    ASSERT_NE(text, nullptr) << "a multi-line field takes several lines";
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(text->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
    EXPECT_TRUE(text->tabChangesFocus());

    const auto date = make<CDynDateTime>(form, false, describe("Datum", 0, 0, 100, 20, MultiLine));
    EXPECT_NE(qobject_cast<QLineEdit *>(date->GetWindow()), nullptr) << "dates keep one line";

    const auto caption = make<CDynStatic>(form, true, describe("Ort", 0, 0, 100, 20, Center));
    auto *label = qobject_cast<QLabel *>(caption->GetWindow());
    EXPECT_EQ(label->frameShape(), QFrame::Box) << "bordered while designing";
    EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    const auto plain = make<CDynStatic>(form, false, describe("<b>Ort</b>", 0, 0, 100, 20));
    EXPECT_EQ(qobject_cast<QLabel *>(plain->GetWindow())->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(plain->WindowText(), "<b>Ort</b>");
}

TEST(CDynControl, DesignModeHandsTheMouseToTheForm)
{
    FakeForm form;
    const auto edit = make<CDynEdit>(form, true, describe("Ort", 60, 40, 160, 60));
    const auto box = make<CDynCheckbox>(form, true, describe("Aktiv", 60, 80, 160, 100));
    QWidget *field = edit->GetWindow();

    QTest::mousePress(field, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
    QTest::mouseMove(field, QPoint(15, 8)); // with the button held
    QTest::mouseRelease(field, Qt::LeftButton, Qt::NoModifier, QPoint(15, 8));
    EXPECT_EQ(form.log,
              QStringList({"press Ort 65,46 shift", "drag Ort 75,48", "release Ort 75,48"}));
    EXPECT_FALSE(field->hasFocus());
    EXPECT_EQ(edit->WindowText(), "Ort") << "a designed field shows its column";

    form.log.clear();
    QTest::mouseClick(box->GetWindow(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(box->IsChecked()) << "a designed check box does not toggle";
    EXPECT_EQ(form.log, QStringList({"press Aktiv 63,83", "release Aktiv 63,83"}));
    EXPECT_FALSE(box->IsModified());

    // In data mode the widget has the mouse to itself.
    FakeForm data;
    const auto live = make<CDynCheckbox>(data, false, describe("Aktiv", 60, 80, 160, 100));
    QTest::mouseClick(live->GetWindow(), Qt::LeftButton, {}, QPoint(90, 10));
    EXPECT_TRUE(live->IsChecked()) << "the whole control takes the click";
    EXPECT_TRUE(live->IsModified());
    EXPECT_TRUE(data.log.isEmpty());
    live->SetChecked(false);
    EXPECT_FALSE(live->IsModified());
    live->Show();
    QTest::keyClick(live->GetWindow(), Qt::Key_Space);
    EXPECT_TRUE(live->IsChecked() && live->IsModified()) << "the space bar toggles too";
    live->ClearValue();
    EXPECT_FALSE(live->IsChecked() || live->IsModified());
}

TEST(CDynControl, RightClickSelectsAndOpensTheControlsOrTheSelectionsMenu)
{
    FakeForm form;
    const auto caption = make<CDynStatic>(form, true, describe("Ort", 10, 40, 55, 60));
    // The control's own menu; the remove command goes to the form.
    QTimer::singleShot(0, [] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << action->text() + '#' + action->data().toString();
        EXPECT_EQ(texts,
                  QStringList({"&Eigenschaften des Steuerelements#40008", "#",
                               "Steuerelement ent&fernen#40038", "#", "&Menü schließen#40009"}));
        QTest::keyClick(menu, Qt::Key_F);
    });
    QTest::mouseClick(caption->GetWindow(), Qt::RightButton, {}, QPoint(4, 4));
    EXPECT_TRUE(caption->IsSelected());
    EXPECT_EQ(form.log, QStringList("remove Ort_TITEL"));
    EXPECT_GE(form.repaints, 2);

    // A double click opens the control's properties.
    QTest::mouseDClick(caption->GetWindow(), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(form.shownProperties.caption, "Ort");

    // With another control selected too, the form's menu comes instead.
    form.log.clear();
    form.selectedOverride = 2;
    QTest::mouseClick(caption->GetWindow(), Qt::RightButton, {}, QPoint(4, 4));
    EXPECT_EQ(form.log, QStringList("selection menu"));

    // Data mode: nothing of the editor.
    FakeForm data;
    const auto field = make<CDynCheckbox>(data, false, describe("Aktiv", 10, 40, 55, 60));
    QTest::mouseClick(field->GetWindow(), Qt::RightButton, {}, QPoint(4, 4));
    QTest::mouseDClick(field->GetWindow(), Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_FALSE(field->IsSelected());
    EXPECT_TRUE(data.shownProperties.caption.isEmpty());
    EXPECT_TRUE(data.log.isEmpty());
    EXPECT_FALSE(field->OnCommand(4711));
}

TEST(CDynControl, PropertiesMakeTheWidgetAnewKeepingIdPlaceFontAndLimit)
{
    FakeForm form;
    ControlDescription description = describe("Notiz", 60, 40, 160, 60);
    description.id = 1007;
    description.maxLength = 12;
    description.font = FontDescription{QStringLiteral("Arial"), 100, 0, 0};
    const auto edit = make<CDynEdit>(form, true, description);
    edit->Show();
    edit->Select(true);

    // Cancelled: nothing changes.
    QWidget *before = edit->GetWindow();
    edit->OnCommand(CommandTable::IdControlProperties);
    EXPECT_EQ(edit->GetWindow(), before);
    EXPECT_EQ(form.shownProperties.caption, "Notiz");
    EXPECT_EQ(form.shownProperties.geometry, QRect(60, 40, 100, 20));
    EXPECT_FALSE(form.shownProperties.captionEditable) << "a field shows its column's name";
    EXPECT_TRUE(form.shownProperties.multiLineEnabled);
    EXPECT_TRUE(form.shownProperties.alignmentEnabled);

    form.propertiesAnswer = [](ControlProperties &properties) {
        properties.caption.clear(); // an empty caption keeps the old one
        properties.flags = Right | MultiLine;
        properties.font.weight = 700;
        properties.geometry = QRect(70, 45, 120, 50);
        return true;
    };
    edit->EditProperties();
    flushDeletes();
    auto *text = qobject_cast<QPlainTextEdit *>(edit->GetWindow());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(form.widget.findChildren<QWidget *>("Notiz", Qt::FindDirectChildrenOnly).size(), 1)
        << "the old widget is gone";
    EXPECT_EQ(edit->GetId(), 1007u);
    EXPECT_EQ(edit->GetMaxLength(), 12);
    EXPECT_EQ(edit->GetCaption(), "Notiz");
    EXPECT_EQ(edit->WindowText(), "Notiz");
    EXPECT_EQ(edit->GetFontDescription(), (FontDescription{"Arial", 100, 700, 0}));
    EXPECT_TRUE(text->font().bold());
    EXPECT_EQ(edit->GetRect(), QRect(70, 45, 120, 50));
    EXPECT_EQ(edit->GetTracker()->rect(), QRect(70, 45, 120, 50)) << "the outline follows";
    EXPECT_TRUE(text->isVisible() && text->isReadOnly());
    EXPECT_EQ(edit->GetStyle(), 0x50000846u);

    // A frame's options: caption yes, multi-line and alignment no.
    const auto frame = make<CDynFrame>(form, true, describe("Adresse", 0, 0, 200, 100));
    form.propertiesAnswer = [](ControlProperties &properties) {
        properties.caption = QStringLiteral("Anschrift");
        return true;
    };
    frame->EditProperties();
    EXPECT_TRUE(form.shownProperties.captionEditable);
    EXPECT_FALSE(form.shownProperties.multiLineEnabled || form.shownProperties.alignmentEnabled);
    EXPECT_EQ(frame->GetCaption(), "Anschrift");
    EXPECT_EQ(qobject_cast<QGroupBox *>(frame->GetWindow())->title(), "Anschrift");
    EXPECT_EQ(frame->GetName(), "Adresse_RAHMEN") << "the name stays";
}
