#include "controls/CDynCheckbox.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"
#include "runtime/CForm.h"
#include "runtime/RectTracker.h"
#include "support/ScriptedMessages.h"
#include "support/TestFormHost.h"

#include <QAction>
#include <QImage>
#include <QToolBar>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A form window on a host, with controls the test owns (as the builder
// would) made on it.
class FormTest : public ::testing::Test
{
protected:
    explicit FormTest(bool design = false) : designMode(design)
    {
        host.show();
        window = host.CreateFormWindow(designMode);
        form = static_cast<CForm *>(window.get());
    }

    template <typename Control>
    Control *make(const QString &caption, QRect rect, std::optional<QString> name = {})
    {
        ControlDescription description;
        description.left = rect.left();
        description.top = rect.top();
        description.right = rect.left() + rect.width();
        description.bottom = rect.top() + rect.height();
        description.caption = caption;
        description.name = std::move(name);
        description.id = unsigned(1000 + pool.size());
        auto control = std::make_unique<Control>(designMode);
        control->Create(form, description);
        control->Hide();
        pool.push_back(std::move(control));
        return static_cast<Control *>(pool.back().get());
    }

    QStringList names() const
    {
        QStringList list;
        for (const CDynControl *control : form->controls())
            list << control->GetName();
        return list;
    }

    bool designMode;
    ScriptedMessages messages;
    TestFormHost host;
    std::unique_ptr<FormWindow> window;
    CForm *form = nullptr;
    std::vector<std::unique_ptr<CDynControl>> pool; // goes before the form window
};

class DesignFormTest : public FormTest
{
protected:
    DesignFormTest() : FormTest(true) {}
};

// Whether the pixel is the raster's grey.
bool isRaster(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(0x80, 0x80, 0x80);
}

} // namespace

TEST_F(FormTest, TheHostMakesTheFormWindowAsAChildAsLargeAsItself)
{
    EXPECT_EQ(form->parentWidget(), &host);
    EXPECT_EQ(form->geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->GetHost(), &host);
    EXPECT_FALSE(form->IsDesignMode());
    EXPECT_EQ(form->formWidget(), form);
    EXPECT_TRUE(form->controls().isEmpty());
    EXPECT_EQ(form->extent(), QRect());

    // A fresh host: enabled, data mode, no saved record yet.
    EXPECT_TRUE(host.IsEnabled());
    EXPECT_FALSE(host.GetDesignMode());
    EXPECT_EQ(host.GetFirstUpdateKey(), -1);
    EXPECT_EQ(host.GetFormRect(), QRect(0, 0, 640, 480));
    host.EnableForm(false);
    EXPECT_FALSE(host.IsEnabled());
}

TEST_F(FormTest, TheExtentEndsFifteenPixelsRightOfTheRightmostControlAndAtTheLowest)
{
    CDynEdit *name = make<CDynEdit>("NAME", QRect(95, 5, 200, 20));    // right 295
    CDynEdit *notes = make<CDynEdit>("NOTIZ", QRect(95, 30, 100, 80)); // bottom 110
    CDynStatic *label = make<CDynStatic>("Name", QRect(10, 5, 80, 20));

    form->addControl(*name);
    EXPECT_EQ(form->extent(), QRect(0, 0, 310, 25));
    EXPECT_TRUE(name->GetWindow()->isVisible()) << "added means shown";
    form->addControl(*notes);
    form->addControl(*label);
    EXPECT_EQ(form->extent(), QRect(0, 0, 310, 110));
    EXPECT_EQ(names(), QStringList({"NAME", "NOTIZ", "Name_TITEL"}));

    // A control within 15 pixels of the edge pushes it out; one further in
    // does not.
    name->MoveTo(95, 5, 300, 25);
    EXPECT_EQ(form->calcExtent(), QRect(0, 0, 315, 110));
    notes->MoveTo(95, 30, 195, 60);
    EXPECT_EQ(form->calcExtent(), QRect(0, 0, 315, 60));

    // Adding a control twice lists it once.
    form->addControl(*label);
    EXPECT_EQ(form->controls().size(), 3);
    form->clearControls();
    EXPECT_TRUE(form->controls().isEmpty());
    EXPECT_EQ(form->calcExtent(), QRect());
    EXPECT_TRUE(name->GetWindow()->isVisible()) << "emptying the list leaves the controls";
}

TEST_F(FormTest, RemovingAFieldTakesItsLabelAlongAndKeepsBothForLater)
{
    CDynStatic *label = make<CDynStatic>("Ort", QRect(10, 5, 40, 20));
    CDynEdit *field = make<CDynEdit>("Ort", QRect(55, 5, 100, 20));
    CDynCheckbox *active = make<CDynCheckbox>("Aktiv", QRect(10, 30, 80, 20));
    CDynFrame *frame = make<CDynFrame>("Ort", QRect(0, 0, 300, 60));
    CDynStatic *caption = make<CDynStatic>("Hinweis", QRect(10, 60, 60, 20));
    for (CDynControl *control :
         std::initializer_list<CDynControl *>{label, field, active, frame, caption})
        form->addControl(*control);
    field->Select(true);
    ASSERT_EQ(form->selectedCount(), 1);

    EXPECT_TRUE(form->removeControl(*field));
    EXPECT_EQ(names(), QStringList({"Aktiv", "Ort_RAHMEN", "Hinweis_TITEL"}));
    EXPECT_FALSE(field->GetWindow()->isVisible());
    EXPECT_FALSE(label->GetWindow()->isVisible());
    EXPECT_FALSE(field->IsSelected()) << "off the form is out of the selection";
    EXPECT_EQ(form->extent(), QRect(0, 0, 315, 80));

    // A frame or caption named like a column's label takes nothing along.
    form->addControl(*label);
    EXPECT_TRUE(form->removeControl(*frame));
    EXPECT_TRUE(form->removeControl(*caption));
    EXPECT_EQ(names(), QStringList({"Aktiv", "Ort_TITEL"}));
    EXPECT_TRUE(messages.texts().isEmpty());

    // Not on the form: said so, nothing changes (its label stays).
    EXPECT_FALSE(form->removeControl(*field));
    EXPECT_EQ(messages.texts(), QStringList("Eingabefeld konnte nicht entfernt werden!"));
    EXPECT_EQ(names(), QStringList({"Aktiv", "Ort_TITEL"}));
}

TEST_F(FormTest, ControlsAreFoundByNameIdAndPointAmongThoseOnTheForm)
{
    CDynEdit *name = make<CDynEdit>("NAME", QRect(95, 5, 200, 20));
    CDynEdit *city = make<CDynEdit>("ORT", QRect(95, 30, 200, 20));
    CDynEdit *hidden = make<CDynEdit>("PLZ", QRect(95, 55, 200, 20));
    form->addControl(*name);
    form->addControl(*city);

    EXPECT_EQ(form->findControl(QStringLiteral("ORT")), city);
    EXPECT_EQ(form->findControl(QStringLiteral("ort")), nullptr) << "names match exactly";
    EXPECT_EQ(form->findControl(QStringLiteral("PLZ")), nullptr) << "not on the form";
    EXPECT_EQ(form->findControl(city->GetId()), city);
    EXPECT_EQ(form->findControl(hidden->GetId()), nullptr);
    EXPECT_EQ(form->controlAt(QPoint(100, 35)), city);
    EXPECT_EQ(form->controlAt(QPoint(95, 5)), name);
    EXPECT_EQ(form->controlAt(QPoint(294, 24)), name);
    EXPECT_EQ(form->controlAt(QPoint(295, 24)), nullptr);
    EXPECT_EQ(form->controlAt(QPoint(100, 60)), nullptr);
}

TEST_F(FormTest, AnyChangedFieldMarksTheFormAndClearingEmptiesEveryField)
{
    CDynEdit *name = make<CDynEdit>("NAME", QRect(95, 5, 200, 20));
    CDynCheckbox *active = make<CDynCheckbox>("AKTIV", QRect(95, 30, 200, 20));
    CDynEdit *hidden = make<CDynEdit>("PLZ", QRect(95, 55, 200, 20));
    form->addControl(*name);
    form->addControl(*active);
    name->SetValueText("Meier");
    active->SetChecked(true);
    EXPECT_FALSE(form->isAnyControlModified());

    hidden->SetModified(true);
    EXPECT_FALSE(form->isAnyControlModified()) << "only the controls on the form count";
    active->SetModified(true);
    EXPECT_TRUE(form->isAnyControlModified());

    form->clearAll();
    EXPECT_FALSE(form->isAnyControlModified());
    EXPECT_EQ(name->GetValueText(), "");
    EXPECT_FALSE(active->IsChecked());
}

TEST_F(DesignFormTest, TheRasterIsDrawnInItsStepsAndRefusesStepsOutsideFiveToFifty)
{
    EXPECT_EQ(form->rasterX(), 10);
    EXPECT_EQ(form->rasterY(), 10);
    EXPECT_TRUE(form->isRasterShown());
    form->setRasterX(4);
    form->setRasterY(51);
    EXPECT_EQ(form->rasterX(), 10);
    EXPECT_EQ(form->rasterY(), 10);
    form->setRasterX(5);
    form->setRasterY(50);
    EXPECT_EQ(form->rasterX(), 5);
    EXPECT_EQ(form->rasterY(), 50);

    form->setRasterX(20);
    form->setRasterY(25);
    const QImage picture = form->grab(QRect(0, 0, 200, 200)).toImage();
    EXPECT_TRUE(isRaster(picture, 0, 7));
    EXPECT_TRUE(isRaster(picture, 40, 13));
    EXPECT_TRUE(isRaster(picture, 7, 50));
    EXPECT_FALSE(isRaster(picture, 7, 13));
    EXPECT_FALSE(isRaster(picture, 41, 51));

    form->setRasterShown(false);
    const QImage plain = form->grab(QRect(0, 0, 200, 200)).toImage();
    EXPECT_FALSE(isRaster(plain, 0, 7));
    EXPECT_FALSE(isRaster(plain, 40, 13));
}

TEST_F(FormTest, DataModeDrawsNoRaster)
{
    ASSERT_TRUE(form->isRasterShown());
    const QImage picture = form->grab(QRect(0, 0, 100, 100)).toImage();
    EXPECT_FALSE(isRaster(picture, 0, 7));
    EXPECT_FALSE(isRaster(picture, 10, 13));
}

TEST_F(DesignFormTest, ASelectedControlShowsItsOutlineAndHandles)
{
    CDynEdit *name = make<CDynEdit>("NAME", QRect(100, 100, 80, 20));
    form->addControl(*name);
    name->Select(true);
    const auto *tracker = dynamic_cast<const RectTracker *>(name->GetTracker());
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->style(), 18);
    const QVector<QRect> handles = tracker->handleRects();
    ASSERT_EQ(handles.size(), 8);
    EXPECT_EQ(handles.first(), QRect(94, 94, 6, 6)) << "outside the control";
    EXPECT_EQ(handles.at(2), QRect(180, 120, 6, 6));
    EXPECT_EQ(handles.at(5), QRect(180, 107, 6, 6));

    form->setRasterShown(false);
    const QImage picture = form->grab().toImage();
    EXPECT_EQ(picture.pixelColor(96, 96), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(183, 123), QColor(Qt::black));
    name->Select(false);
    EXPECT_NE(form->grab().toImage().pixelColor(96, 96), QColor(Qt::black));
}

TEST(CFormParent, TheDrawingButtonsArePressedAndReleasedAlone)
{
    TestFormHost host;
    host.CheckAddStatic(true); // no tool bar: nothing to do

    QToolBar bar;
    QAction *caption = bar.addAction(QStringLiteral("Beschriftung"));
    caption->setData(int(CFormParent::CommandAddStatic));
    caption->setCheckable(true);
    QAction *frame = bar.addAction(QStringLiteral("Rahmen"));
    frame->setData(int(CFormParent::CommandAddFrame));
    frame->setCheckable(true);
    frame->setEnabled(false);
    host.SetToolBar(&bar);

    host.CheckAddStatic(true);
    EXPECT_TRUE(caption->isChecked());
    EXPECT_FALSE(frame->isChecked());
    host.CheckAddStatic(false);
    EXPECT_FALSE(caption->isChecked());
    EXPECT_TRUE(caption->isEnabled());

    host.CheckAddFrame(true);
    EXPECT_TRUE(frame->isChecked());
    EXPECT_FALSE(frame->isEnabled()) << "its other states stay";
    EXPECT_FALSE(caption->isChecked());
}
