#include "FormTestSupport.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"

#include "support/Pictures.h"

#include <QCoreApplication>

namespace {

// The form window's picture, as large as its controls, saved for a look.
QImage picture(FormWindow *form, const QString &name)
{
    const QRect extent = form->calcExtent();
    const QImage image =
        form->formWidget()->grab(QRect(0, 0, extent.width() + 10, extent.height() + 15)).toImage();
    EXPECT_TRUE(Pictures::save(image, name)) << Pictures::path(name).toStdString();
    return image;
}

class FormPictureTest : public FormBuilderTest
{
protected:
    void SetUp() override
    {
        FormBuilderTest::SetUp();
        if (IsSkipped())
            return;
        db.exec(QStringLiteral(
            "CREATE TABLE kunden (nr INT PRIMARY KEY, name VARCHAR(30), strasse VARCHAR(30), "
            "plz VARCHAR(5), ort VARCHAR(25), umsatz NUMERIC(12, 2), kunde_seit DATE, aktiv "
            "BOOLEAN, notiz VARCHAR(200))"));
        host.resize(700, 420);
    }

    // Every shown control lies on the form and has a size.
    static void expectAllVisible(const FormWindow *form)
    {
        for (const CDynControl *shown : form->controls()) {
            EXPECT_TRUE(shown->GetWindow()->isVisible()) << shown->GetName().toStdString();
            EXPECT_FALSE(shown->GetRect().isEmpty()) << shown->GetName().toStdString();
            EXPECT_TRUE(form->formWidget()->rect().contains(shown->GetRect()))
                << shown->GetName().toStdString();
        }
    }
};

TEST_P(FormPictureTest, AGeneratedAndAStoredFormAsTheUserSeesThem)
{
    // The generated form, in design mode, on its raster.
    FormWindow *form = build(true);
    ASSERT_NE(form, nullptr);
    expectAllVisible(form);
    const QImage generated =
        picture(form, QStringLiteral("qrt-form-generated-%1.png")
                          .arg(QString::fromStdString(engineName(GetParam()))));
    EXPECT_GT(Pictures::colourCount(generated), 4);

    // Laid out as a person would: the address in a frame, two columns,
    // postcode and town side by side under one label.
    ASSERT_NE(builder->AddFrame(QStringLiteral("Anschrift")), nullptr);
    builder->PlaceControl(ControlKind::Frame, QStringLiteral("Anschrift"));
    ASSERT_TRUE(form->removeControl(*control("ort_TITEL")));
    const std::pair<const char *, QRect> layout[] = {
        {"Anschrift_RAHMEN", {5, 35, 395, 125}},
        {"nr_TITEL", {10, 8, 80, 17}},
        {"nr", {95, 5, 65, 20}},
        {"aktiv", {300, 7, 90, 18}},
        {"name_TITEL", {20, 57, 70, 17}},
        {"name", {95, 55, 295, 20}},
        {"strasse_TITEL", {20, 87, 70, 17}},
        {"strasse", {95, 85, 295, 20}},
        {"plz_TITEL", {20, 117, 70, 17}},
        {"plz", {95, 115, 55, 20}},
        {"ort", {155, 115, 235, 20}},
        {"umsatz_TITEL", {420, 57, 80, 17}},
        {"umsatz", {505, 55, 115, 20}},
        {"kunde_seit_TITEL", {420, 87, 80, 17}},
        {"kunde_seit", {505, 85, 115, 20}},
        {"notiz_TITEL", {10, 172, 80, 17}},
        {"notiz", {95, 170, 525, 70}},
    };
    for (const auto &[name, place] : layout) {
        ASSERT_NE(control(name), nullptr) << name;
        control(name)->MoveTo(place.left(), place.top(), place.left() + place.width(),
                              place.top() + place.height());
    }
    const unsigned right = ControlFlags::Right;
    control("umsatz")->SetFlags(right, true);
    control("notiz")->SetFlags(ControlFlags::Left | ControlFlags::MultiLine, true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    host.SetTitle(QStringLiteral("Kunden"));
    ASSERT_TRUE(builder->SaveForm());

    // The stored form in data mode, holding a record.
    form = build(false);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    expectAllVisible(form);
    qobject_cast<CDynEdit *>(control("nr"))->SetValueText(QStringLiteral("4711"));
    qobject_cast<CDynEdit *>(control("name"))->SetValueText(QStringLiteral("Müller & Söhne GmbH"));
    qobject_cast<CDynEdit *>(control("strasse"))->SetValueText(QStringLiteral("Hauptstraße 12"));
    qobject_cast<CDynEdit *>(control("plz"))->SetValueText(QStringLiteral("50667"));
    qobject_cast<CDynEdit *>(control("ort"))->SetValueText(QStringLiteral("Köln"));
    qobject_cast<CDynEdit *>(control("umsatz"))->SetValueText(QStringLiteral("12345.5"));
    qobject_cast<CDynDateTime *>(control("kunde_seit"))->SetDate(QDate(2019, 3, 7));
    qobject_cast<CDynCheckbox *>(control("aktiv"))->SetChecked(true);
    qobject_cast<CDynEdit *>(control("notiz"))
        ->SetValueText(QStringLiteral("Liefert nur dienstags.\nRechnung an die Zentrale."));
    EXPECT_EQ(qobject_cast<CDynEdit *>(control("umsatz"))->GetValueText(), "12345,50");
    const QImage stored = picture(form, QStringLiteral("qrt-form-stored-%1.png")
                                            .arg(QString::fromStdString(engineName(GetParam()))));
    EXPECT_GT(Pictures::colourCount(stored), 4);
}

QRT_INSTANTIATE_FOR_ENGINES(FormPictureTest);

} // namespace
