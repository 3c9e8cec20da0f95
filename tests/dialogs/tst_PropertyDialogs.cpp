#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "dialogs/DataExchange.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QLineEdit *field(const QDialog &dialog, const char *name)
{
    return dialog.findChild<QLineEdit *>(QLatin1String(name));
}

// A control's dialog as the editor fills it for an edit field.
void fillForField(CCtrlPropDlg &dialog)
{
    dialog.m_title = QStringLiteral("Kundennummer");
    dialog.m_xPos = 95;
    dialog.m_yPos = 5;
    dialog.m_width = 120;
    dialog.m_height = 21;
    dialog.m_fontName = QStringLiteral("MS Sans Serif");
    dialog.m_fontSize = 80;
    dialog.m_styleFlags = ControlFlags::Right | ControlFlags::MultiLine;
    dialog.m_titleEditable = false;
}

} // namespace

TEST(DataExchange, WholeNumbersWithSignAndBlanks)
{
    EXPECT_EQ(DataExchange::parseInt(" -12 "), -12);
    EXPECT_EQ(DataExchange::parseInt("+7"), 7);
    EXPECT_FALSE(DataExchange::parseInt("").has_value());
    EXPECT_FALSE(DataExchange::parseInt("1.5").has_value());
    EXPECT_FALSE(DataExchange::parseInt("99999999999").has_value()) << "beyond an int";
}

TEST(CCtrlPropDlg, ValuesOutsideTheirRangesAreRefusedAndTheDialogStaysOpen)
{
    ScriptedMessages messages;
    CCtrlPropDlg dialog;
    fillForField(dialog);
    // A column's name may be longer than a title: it is not the user's to shorten.
    dialog.m_title = QString(60, QLatin1Char('k'));
    dialog.show();
    EXPECT_FALSE(field(dialog, "title")->isEnabled()) << "a field's title is its column";
    EXPECT_TRUE(dialog.findChild<QRadioButton *>("right")->isChecked());
    EXPECT_TRUE(dialog.findChild<QCheckBox *>("multiLine")->isChecked());
    EXPECT_EQ(field(dialog, "font")->text(), "MS Sans Serif, 8 Punkte");

    // Each refusal names the range, puts the focus on the field and keeps
    // the values as they were.
    const auto refused = [&](const char *name, const QString &text, const QString &message) {
        SCOPED_TRACE(name);
        const QString before = field(dialog, name)->text();
        field(dialog, name)->setText(text);
        messages.clear();
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(messages.texts(), QStringList(message));
        EXPECT_EQ(dialog.focusWidget(), field(dialog, name));
        field(dialog, name)->setText(before);
    };
    refused("width", "9", "Geben Sie eine ganze Zahl zwischen 10 und 1000 ein.");
    refused("height", "4", "Geben Sie eine ganze Zahl zwischen 5 und 1000 ein.");
    refused("xPos", "1001", "Geben Sie eine ganze Zahl zwischen 0 und 1000 ein.");
    refused("xPos", "-1", "Geben Sie eine ganze Zahl zwischen 0 und 1000 ein.");
    refused("yPos", "", "Geben Sie eine ganze Zahl ein.");
    EXPECT_EQ(dialog.m_width, 120);
    EXPECT_EQ(dialog.m_xPos, 95);

    // Typing takes digits and a sign only.
    field(dialog, "width")->clear();
    QTest::keyClicks(field(dialog, "width"), QStringLiteral("1a5x0"));
    EXPECT_EQ(field(dialog, "width")->text(), "150");

    // Any y, even a negative one, and the limits themselves pass.
    field(dialog, "yPos")->setText("-40");
    field(dialog, "height")->setText("5");
    field(dialog, "xPos")->setText("1000");
    dialog.findChild<QRadioButton *>("center")->setChecked(true);
    dialog.findChild<QCheckBox *>("multiLine")->setChecked(false);
    messages.clear();
    dialog.accept();
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(QRect(dialog.m_xPos, dialog.m_yPos, dialog.m_width, dialog.m_height),
              QRect(1000, -40, 150, 5));
    EXPECT_EQ(dialog.m_styleFlags, ControlFlags::Center);
    EXPECT_EQ(dialog.m_title, QString(60, QLatin1Char('k')));
}

TEST(CCtrlPropDlg, TheFontLineAndTheOptionsOfEachKind)
{
    EXPECT_EQ(CCtrlPropDlg::FontText("Arial", 95, 600, 0), "Arial, 9 Punkte");
    EXPECT_EQ(CCtrlPropDlg::FontText("Arial", 100, 700, 1), "Arial, 10 Punkte Fett Kursiv");
    EXPECT_EQ(CCtrlPropDlg::FontText(QString(300, QLatin1Char('A')), 80, 0, 0).size(), 255);

    ScriptedMessages messages;
    // A frame: no alignment shown, yet its flags follow the radio button
    // the flags checked; no multi-line either.
    CCtrlPropDlg frame;
    fillForField(frame);
    frame.m_titleEditable = true;
    frame.m_alignmentOffered = false;
    frame.m_multiLineOffered = false;
    frame.m_styleFlags = ControlFlags::Center;
    QStringList asked;
    frame.setFontChooser([&asked](FontDescription &font, QWidget *) {
        asked << font.faceName + QString::number(font.size);
        font = FontDescription{QStringLiteral("Arial"), 120, 700, 1};
        return true;
    });
    frame.show();
    EXPECT_FALSE(frame.findChild<QRadioButton *>("left")->isVisible());
    EXPECT_FALSE(frame.findChild<QCheckBox *>("multiLine")->isVisible());
    EXPECT_TRUE(field(frame, "title")->isEnabled());
    EXPECT_EQ(frame.focusWidget(), field(frame, "title"));
    // F4 on the font line opens the chooser, as "..." does.
    QTest::keyClick(field(frame, "font"), Qt::Key_F4);
    EXPECT_EQ(asked, QStringList("MS Sans Serif80"));
    EXPECT_EQ(field(frame, "font")->text(), "Arial, 12 Punkte Fett Kursiv");
    field(frame, "title")->setText(QString(51, QLatin1Char('x')));
    frame.accept();
    EXPECT_EQ(messages.texts(), QStringList("Geben Sie nicht mehr als 50 Zeichen ein."));
    EXPECT_EQ(frame.result(), 0);
    field(frame, "title")->setText("Anschrift");
    frame.accept();
    EXPECT_EQ(frame.result(), int(QDialog::Accepted));
    EXPECT_EQ(frame.m_styleFlags, ControlFlags::Center);
    EXPECT_EQ(FontDescription(
                  {frame.m_fontName, frame.m_fontSize, frame.m_fontWeight, quint8(frame.m_italic)}),
              (FontDescription{"Arial", 120, 700, 1}));
    EXPECT_EQ(frame.m_title, "Anschrift");

    // Cancelled, the chooser changes nothing but the line shown.
    CCtrlPropDlg cancelled;
    fillForField(cancelled);
    cancelled.setFontChooser([](FontDescription &, QWidget *) { return false; });
    cancelled.show();
    cancelled.findChild<QPushButton *>("fontButton")->click();
    EXPECT_EQ(cancelled.m_fontName, "MS Sans Serif");
    field(cancelled, "width")->setText("500");
    cancelled.reject();
    EXPECT_EQ(cancelled.m_width, 120) << "cancelling takes nothing back";
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST(CCtrlPropDlg, AFieldWithAListChoosesWhatItShowsOrNoList)
{
    using Mode = LookupSetting::Mode;
    const LookupSetting automatic;
    const LookupSetting byPlace{Mode::Column, QStringLiteral("ort")};
    const LookupSetting gone{Mode::Column, QStringLiteral("alt")};
    const LookupSetting off{Mode::Off, {}};
    const struct
    {
        LookupSetting before;
        QStringList listed;
        int chosen; // -1: as shown
        LookupSetting after;
    } cases[] = {
        {automatic,
         {"Automatisch (name)", "name", "ort", "Keine Liste, den Schlüssel"},
         2,
         byPlace},
        {byPlace, {"Automatisch (name)", "name", "ort", "Keine Liste, den Schlüssel"}, -1, byPlace},
        {byPlace, {}, 3, off},
        {off, {}, 0, automatic},
        // A column the table lost since stays the form's until changed.
        {gone,
         {"Automatisch (name)", "alt", "name", "ort", "Keine Liste, den Schlüssel"},
         -1,
         gone},
    };
    for (const auto &c : cases) {
        CCtrlPropDlg dialog;
        fillForField(dialog);
        dialog.m_lookup = c.before;
        dialog.m_lookupColumns = {"name", "ort"};
        dialog.m_automaticLookupColumn = QStringLiteral("name");
        dialog.show();
        auto *box = dialog.findChild<QComboBox *>("lookup");
        ASSERT_TRUE(box && box->isVisible());
        if (!c.listed.isEmpty()) {
            QStringList listed;
            for (int i = 0; i < box->count(); ++i)
                listed << box->itemText(i);
            EXPECT_EQ(listed, c.listed);
        }
        if (c.chosen >= 0)
            box->setCurrentIndex(c.chosen);
        dialog.accept();
        EXPECT_EQ(dialog.m_lookup, c.after) << box->currentText().toStdString();
    }
    CCtrlPropDlg plain;
    fillForField(plain);
    plain.show();
    EXPECT_FALSE(plain.findChild<QComboBox *>("lookup")->isVisible()) << "nothing to choose";
}

TEST(CFormPropDlg, RasterStepsFromFiveToFiftyAndATitleOfFiftyCharacters)
{
    ScriptedMessages messages;
    CFormPropDlg dialog;
    dialog.m_rasterX = 10;
    dialog.m_rasterY = 10;
    dialog.m_showRaster = 1;
    dialog.m_title = QStringLiteral("Kunden");
    dialog.show();
    EXPECT_TRUE(dialog.findChild<QCheckBox *>("showRaster")->isChecked());
    for (const char *text : {"4", "51"}) {
        field(dialog, "rasterY")->setText(QLatin1String(text));
        dialog.accept();
        EXPECT_EQ(dialog.result(), 0) << text;
    }
    EXPECT_EQ(messages.texts(), QStringList({"Geben Sie eine ganze Zahl zwischen 5 und 50 ein.",
                                             "Geben Sie eine ganze Zahl zwischen 5 und 50 ein."}));
    field(dialog, "rasterY")->setText("50");
    field(dialog, "rasterX")->setText("5");
    field(dialog, "title")->setText(QString(51, QLatin1Char('T')));
    dialog.accept();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(messages.texts().last(), "Geben Sie nicht mehr als 50 Zeichen ein.");
    field(dialog, "title")->setText(QString(50, QLatin1Char('T')));
    dialog.findChild<QCheckBox *>("showRaster")->setChecked(false);
    dialog.accept();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(QPoint(dialog.m_rasterX, dialog.m_rasterY), QPoint(5, 50));
    EXPECT_EQ(dialog.m_showRaster, 0);
    EXPECT_EQ(dialog.m_title.size(), 50);
}
