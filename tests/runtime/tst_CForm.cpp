#include "EditorTestSupport.h"

#include <QImage>

namespace {

class FormTest : public ::testing::TestWithParam<bool>, public FormOnHost
{
protected:
    FormTest() : FormOnHost(GetParam()) {}

    void add(std::initializer_list<CDynControl *> controls)
    {
        for (CDynControl *control : controls)
            form->addControl(*control);
    }
};

using DataFormTest = FormTest;
using DesignFormTest = FormTest;

bool isRaster(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(0x80, 0x80, 0x80);
}

TEST_P(DataFormTest, TheExtentEndsFifteenPixelsRightOfTheRightmostControlAndAtTheLowest)
{
    EXPECT_EQ(form->parentWidget(), &host);
    EXPECT_EQ(form->geometry(), host.rect()) << "made to fill its host";
    EXPECT_TRUE(form->isVisible());

    CDynEdit *name = make<CDynEdit>("NAME", QRect(95, 5, 200, 20));    // right 295
    CDynEdit *notes = make<CDynEdit>("NOTIZ", QRect(95, 30, 100, 80)); // bottom 110
    form->addControl(*name);
    EXPECT_EQ(form->extent(), QRect(0, 0, 310, 25));
    EXPECT_TRUE(name->GetWindow()->isVisible()) << "added means shown";
    add({notes, name});
    EXPECT_EQ(namesOn(form), QStringList({"NAME", "NOTIZ"})) << "added twice, listed once";
    EXPECT_EQ(form->extent(), QRect(0, 0, 310, 110));
    name->MoveTo(95, 5, 300, 25); // within 15 pixels of the edge: it moves out
    notes->MoveTo(95, 30, 195, 60);
    EXPECT_EQ(form->calcExtent(), QRect(0, 0, 315, 60));
    form->clearControls();
    EXPECT_EQ(form->calcExtent(), QRect());
    EXPECT_TRUE(name->GetWindow()->isVisible()) << "emptying the list leaves the controls";
}

TEST_P(DataFormTest, RemovingAFieldTakesItsLabelAlongAndKeepsBothForLater)
{
    CDynStatic *label = make<CDynStatic>("Ort", QRect(10, 5, 40, 20));
    CDynEdit *field = make<CDynEdit>("Ort", QRect(55, 5, 100, 20));
    CDynFrame *frame = make<CDynFrame>("Ort", QRect(0, 0, 300, 60));
    CDynCheckbox *active = make<CDynCheckbox>("Aktiv", QRect(10, 60, 80, 20));
    add({label, field, frame, active});
    field->Select(true);

    EXPECT_TRUE(form->removeControl(*field));
    EXPECT_EQ(namesOn(form), QStringList({"Ort_RAHMEN", "Aktiv"}));
    EXPECT_FALSE(field->GetWindow()->isVisible() || label->GetWindow()->isVisible());
    EXPECT_FALSE(field->IsSelected()) << "off the form is out of the selection";
    EXPECT_EQ(form->extent(), QRect(0, 0, 315, 80));

    // A frame named like a column takes no label along.
    form->addControl(*label);
    EXPECT_TRUE(form->removeControl(*frame));
    EXPECT_EQ(namesOn(form), QStringList({"Aktiv", "Ort_TITEL"}));
}

TEST_P(DataFormTest, OnlyControlsOnTheFormAreFoundCountAsChangedAndAreCleared)
{
    CDynEdit *name = make<CDynEdit>("NAME", QRect(95, 5, 200, 20));
    CDynCheckbox *active = make<CDynCheckbox>("AKTIV", QRect(95, 30, 200, 20));
    CDynEdit *hidden = make<CDynEdit>("PLZ", QRect(95, 55, 200, 20));
    add({name, active});
    EXPECT_EQ(form->findControl(QStringLiteral("AKTIV")), active);
    EXPECT_EQ(form->findControl(QStringLiteral("aktiv")), nullptr) << "names match exactly";
    EXPECT_EQ(form->findControl(QStringLiteral("PLZ")), nullptr);
    EXPECT_EQ(form->findControl(active->GetId()), active);
    EXPECT_EQ(form->findControl(hidden->GetId()), nullptr);
    EXPECT_EQ(form->controlAt(QPoint(294, 24)), name);
    EXPECT_EQ(form->controlAt(QPoint(295, 24)), nullptr);
    EXPECT_EQ(form->controlAt(QPoint(100, 60)), nullptr);

    name->SetValueText("Meier");
    active->SetChecked(true);
    hidden->SetModified(true);
    EXPECT_FALSE(form->isAnyControlModified());
    active->SetModified(true);
    EXPECT_TRUE(form->isAnyControlModified());
    form->clearAll();
    EXPECT_FALSE(form->isAnyControlModified());
    EXPECT_EQ(name->GetValueText(), "");
    EXPECT_FALSE(active->IsChecked());
}

TEST_P(DesignFormTest, TheRasterIsDrawnInItsStepsOfFiveToFiftyInDesignModeOnly)
{
    EXPECT_EQ(form->rasterX(), 10);
    EXPECT_TRUE(form->isRasterShown());
    form->setRasterX(4);
    form->setRasterY(51);
    EXPECT_EQ(QPoint(form->rasterX(), form->rasterY()), QPoint(10, 10));
    form->setRasterX(20);
    form->setRasterY(25);
    const QImage picture = form->grab(QRect(0, 0, 100, 100)).toImage();
    EXPECT_TRUE(isRaster(picture, 0, 7) && isRaster(picture, 40, 13) && isRaster(picture, 7, 50));
    EXPECT_FALSE(isRaster(picture, 7, 13) || isRaster(picture, 41, 51));
    form->setRasterShown(false);
    EXPECT_FALSE(isRaster(form->grab(QRect(0, 0, 100, 100)).toImage(), 40, 13));

    CForm data(&host, false);
    data.resize(100, 100);
    EXPECT_FALSE(isRaster(data.grab().toImage(), 40, 10));
}

INSTANTIATE_TEST_SUITE_P(Data, DataFormTest, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(Design, DesignFormTest, ::testing::Values(true));

} // namespace
