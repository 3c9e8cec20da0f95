#include "resources/CommandTable.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>

using namespace CommandTable;

TEST(CommandTable, TextsAndShortcutsOfTheRecordCommands)
{
    const Command next = command(IdRecordNext);
    EXPECT_EQ(next.menuText, "Nä&chster Datensatz\t<Bild ab>");
    EXPECT_EQ(next.statusText, "Nächsten Datensatz anzeigen");
    EXPECT_EQ(next.toolTip, "Nächster");
    EXPECT_EQ(next.shortcut, QKeySequence(Qt::Key_PageDown));
    EXPECT_EQ(command(IdRecordFirst).shortcut, QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    EXPECT_EQ(command(IdRecordSaveAndClose).shortcut, QKeySequence(Qt::CTRL | Qt::Key_Q));
    // The string table's other separators are read as the separator.
    EXPECT_EQ(command(IdAlignLeft).statusText, "Alle markierten Steuerelemente links ausrichten");
    EXPECT_EQ(command(IdAlignLeft).toolTip, "Links ausrichten");
    EXPECT_EQ(command(IdRecordDelete).statusText, "Datensatz löschen");
    EXPECT_EQ(command(IdRecordDelete).toolTip, "Löschen");
    EXPECT_TRUE(command(IdRecordUndo).statusText.isEmpty());
    EXPECT_TRUE(command(12345).menuText.isEmpty());

    // Every accelerator belongs to exactly one command.
    QSet<QString> shortcuts;
    for (int id : commandIds()) {
        const QKeySequence key = command(id).shortcut;
        if (key.isEmpty())
            continue;
        EXPECT_FALSE(shortcuts.contains(key.toString())) << key.toString().toStdString();
        shortcuts.insert(key.toString());
    }
    EXPECT_EQ(shortcuts.size(), 9);
}

TEST(CommandTable, EveryToolBarButtonHasAnIconATipAndAStatusText)
{
    for (int bar : {ToolBarDesign, ToolBarData}) {
        for (int id : toolBar(bar)) {
            if (id == IdSeparator)
                continue;
            SCOPED_TRACE(id);
            QAction *action = createAction(id, nullptr);
            EXPECT_FALSE(action->icon().isNull());
            EXPECT_FALSE(action->icon().pixmap(16, 16).isNull());
            EXPECT_FALSE(action->toolTip().isEmpty());
            EXPECT_EQ(action->data().toInt(), id);
            delete action;
        }
    }
    EXPECT_EQ(toolBar(ToolBarData),
              QVector<int>({IdRecordNew, IdRecordSave, 0, IdRecordDelete, 0, IdRecordUndo, 0,
                            IdRecordFilter, IdRecordRemoveFilter, 0, IdRecordFirst,
                            IdRecordPrevious, IdRecordNext, IdRecordLast}));
}

// Alt and a letter choose an entry of every menu, and no letter stands for
// two entries of one menu: a chord that chose nothing would otherwise type
// its letter into the field that has the focus. The texts read as the
// product's when the mnemonic is taken away.
TEST(CommandTable, EveryMenuEntryHasItsOwnMnemonic)
{
    const std::function<void(const QMenu &)> checkMenu = [&checkMenu](const QMenu &menu) {
        QSet<QChar> letters;
        for (QAction *action : menu.actions()) {
            if (action->isSeparator())
                continue;
            const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            ASSERT_TRUE(amp >= 0 && amp + 1 < text.size()) << text.toStdString();
            const QChar letter = text.at(amp + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << text.toStdString();
            letters.insert(letter);
            if (action->menu())
                checkMenu(*action->menu());
        }
    };
    for (int id : {MenuData, MenuDesign, MenuFormContext, MenuControlContext}) {
        QMenu menu;
        fillMenu(&menu, CommandTable::menu(id),
                 [&menu](int id) { return createAction(id, &menu); });
        SCOPED_TRACE(id);
        checkMenu(menu);
        if (id == MenuData)
            EXPECT_EQ(menu.actions().at(1)->text().remove(QLatin1Char('&')),
                      "Datensatz speichern\t<Strg>+<s>");
    }
    EXPECT_EQ(menu(MenuData).popupTitle, "&Datensatz");
    EXPECT_EQ(menu(MenuDesign).popupTitle, "&Datei");
    // The form window takes the keys of undo and redo: Ctrl+Y stays the
    // record's accelerator alone.
    EXPECT_TRUE(command(IdDesignUndo).shortcut.isEmpty() &&
                command(IdDesignRedo).shortcut.isEmpty());
}
