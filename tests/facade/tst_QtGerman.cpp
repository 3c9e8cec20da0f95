#include "facade/CKeloForm.h"
#include "facade/CKeloFormWidget.h"
#include "platform/CalendarDateEdit.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

// Qt's own texts inside the library's windows speak German: the library
// installs qtbase_de once, when its first form is shown, unless the host
// translated Qt itself or said no.
namespace {

QString cancelText()
{
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
}

QStringList lineEditMenu()
{
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text().section(QLatin1Char('\t'), 0, 0); // without the shortcut
    return texts;
}

class QtGerman : public ::testing::Test
{
protected:
    // Each case starts with Qt in English, as a host that installed nothing.
    void SetUp() override
    {
        CKeloForm::setQtTranslationEnabled(false);
        CKeloForm::setQtTranslationEnabled(true);
        if (cancelText() != QLatin1String("Cancel"))
            GTEST_SKIP() << "the test program translates Qt's texts itself";
    }
    void TearDown() override { CKeloForm::setQtTranslationEnabled(true); }
};

TEST_F(QtGerman, AFormBringsQtsGermanOnceAndTheSwitchTakesItBack)
{
    QLineEdit openBefore; // an open field hears of the translation too
    {
        CKeloFormWidget first;
        CKeloFormWidget second; // the same translator, not a second one
    }
    EXPECT_EQ(cancelText(), "Abbrechen");
    const QStringList menu = lineEditMenu();
    EXPECT_TRUE(menu.contains("&Rückgängig")) << menu.join(" | ").toStdString();
    EXPECT_TRUE(menu.contains("Alles auswählen")) << menu.join(" | ").toStdString();

    // Off takes back the one translator the library installed.
    CKeloForm::setQtTranslationEnabled(false);
    EXPECT_FALSE(CKeloForm::isQtTranslationEnabled());
    EXPECT_EQ(cancelText(), "Cancel");
    CKeloFormWidget optedOut;
    EXPECT_EQ(cancelText(), "Cancel") << "a host that said no keeps Qt in English";
    EXPECT_TRUE(lineEditMenu().contains("&Undo"));
}

TEST_F(QtGerman, TheHostsOwnTranslationOfQtIsLeftAlone)
{
    QTranslator french;
    ASSERT_TRUE(french.load("qtbase_fr", QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    ASSERT_TRUE(QCoreApplication::installTranslator(&french));
    {
        CKeloFormWidget form;
        EXPECT_EQ(cancelText(), "Annuler");
    }
    QCoreApplication::removeTranslator(&french);
    EXPECT_EQ(cancelText(), "Cancel") << "the library installed nothing behind the host's";
}

TEST_F(QtGerman, DatePickersNameMonthsInGerman)
{
    // The machine's locale may be anything; the library's calendars are German.
    CalendarDateEdit edit(QDate(2026, 12, 6));
    edit.showCalendar();
    const auto *month = edit.calendarWidget()->findChild<QToolButton *>("qt_calendar_monthbutton");
    ASSERT_NE(month, nullptr);
    EXPECT_EQ(month->text(), "Dezember");
}

} // namespace
