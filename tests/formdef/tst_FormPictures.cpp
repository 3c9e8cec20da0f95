#include "FormTestSupport.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynDateTime.h"
#include "controls/CDynEdit.h"
#include "controls/CDynFrame.h"
#include "controls/CDynStatic.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QSet>

#include <iostream>

namespace {

// How many distinct colours a picture has: a blank one has one or two.
int colourCount(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

// The form window's picture, as large as its controls, saved for a look.
QImage picture(FormWindow *form, const QString &name)
{
    const QRect extent = form->calcExtent();
    const QImage image =
        form->formWidget()->grab(QRect(0, 0, extent.width() + 10, extent.height() + 15)).toImage();
    const QString file = QDir::temp().filePath(name);
    EXPECT_TRUE(image.save(file)) << file.toStdString();
    std::cout << "picture: " << file.toStdString() << '\n';
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
    EXPECT_GT(colourCount(generated), 4);

    // Laid out as a person would: the address in a frame, two columns.
    const auto place = [this](const char *name, int left, int top, int right, int bottom) {
        CDynControl *placed = control(name);
        ASSERT_NE(placed, nullptr) << name;
        placed->MoveTo(left, top, right, bottom);
    };
    ASSERT_NE(builder->AddFrame(QStringLiteral("Anschrift")), nullptr);
    builder->PlaceControl(ControlKind::Frame, QStringLiteral("Anschrift"));
    place("Anschrift_RAHMEN", 5, 35, 400, 160);
    place("nr_TITEL", 10, 8, 90, 25);
    place("nr", 95, 5, 160, 25);
    place("aktiv", 300, 7, 390, 25);
    place("name_TITEL", 20, 57, 90, 74);
    place("name", 95, 55, 390, 75);
    place("strasse_TITEL", 20, 87, 90, 104);
    place("strasse", 95, 85, 390, 105);
    place("plz_TITEL", 20, 117, 90, 134);
    place("plz", 95, 115, 150, 135);
    place("ort", 155, 115, 390, 135);
    ASSERT_TRUE(form->removeControl(
        *control("ort_TITEL"))); // postcode and town side by side under one label
    place("umsatz_TITEL", 420, 57, 500, 74);
    place("umsatz", 505, 55, 620, 75);
    place("kunde_seit_TITEL", 420, 87, 500, 104);
    place("kunde_seit", 505, 85, 620, 105);
    place("notiz_TITEL", 10, 172, 90, 189);
    place("notiz", 95, 170, 620, 240);
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
    EXPECT_GT(colourCount(stored), 4);
}

QRT_INSTANTIATE_FOR_ENGINES(FormPictureTest);

} // namespace
