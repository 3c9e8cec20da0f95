#include "FakeForm.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"

#include "support/Pictures.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ControlFlags;

namespace {

// A small address form in the mode given, filled in data mode.
std::vector<std::unique_ptr<CDynControl>> addressForm(FakeForm &form, bool design)
{
    std::vector<std::unique_ptr<CDynControl>> controls;
    const auto add = [&](std::unique_ptr<CDynControl> control, ControlDescription description) {
        control->Create(&form, description);
        control->Show();
        controls.push_back(std::move(control));
        return controls.back().get();
    };
    add(std::make_unique<CDynFrame>(design), describe("Anschrift", 5, 5, 410, 150));
    add(std::make_unique<CDynStatic>(design), describe("Name", 15, 25, 90, 42));
    auto *name = static_cast<CDynEdit *>(
        add(std::make_unique<CDynEdit>(design), describe("NAME", 95, 23, 300, 43)));
    add(std::make_unique<CDynStatic>(design), describe("Betrag", 15, 50, 90, 67, Right));
    auto *amount = static_cast<CDynEdit *>(
        add(std::make_unique<CDynEdit>(design), describe("BETRAG", 95, 48, 200, 68, Right)));
    add(std::make_unique<CDynStatic>(design), describe("Seit", 15, 75, 90, 92));
    auto *since = static_cast<CDynDateTime *>(
        add(std::make_unique<CDynDateTime>(design), describe("SEIT", 95, 73, 200, 93)));
    auto *active = static_cast<CDynCheckbox *>(
        add(std::make_unique<CDynCheckbox>(design), describe("Aktiv", 95, 100, 200, 120, Center)));
    add(std::make_unique<CDynEdit>(design), describe("NOTIZ", 220, 50, 400, 140, MultiLine));
    if (!design) {
        name->SetValueText(QStringLiteral("Müller & Söhne"));
        amount->SetInputKind(InputKind::DecimalNumber);
        amount->SetFieldFormat(FieldFormat::decimal(10, 2));
        amount->SetValueText(QStringLiteral("1234.5"));
        since->SetDate(QDate(2021, 3, 5));
        active->SetChecked(true);
        static_cast<CDynEdit *>(controls.back().get())
            ->SetValueText(QStringLiteral("Zweite Zeile folgt\nhier"));
    }
    return controls;
}

} // namespace

TEST(ControlPictures, BothModesRenderTheirControls)
{
    for (const bool design : {false, true}) {
        FakeForm form;
        const auto controls = addressForm(form, design);
        const QImage picture = form.widget.grab().toImage();
        EXPECT_TRUE(Pictures::save(picture, design ? QStringLiteral("qrt-controls-design.png")
                                                   : QStringLiteral("qrt-controls-data.png")));
        EXPECT_GT(Pictures::colourCount(picture), 4) << "texts, frames and boxes are drawn";

        // Every control lies inside the form and none is clipped to nothing.
        for (const auto &control : controls) {
            EXPECT_TRUE(form.widget.rect().contains(control->GetRect()));
            EXPECT_TRUE(control->GetWindow()->isVisible());
        }
    }
}
