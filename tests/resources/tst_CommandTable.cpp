#include "resources/CommandTable.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QSet>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace CommandTable;

// The form window takes undo and redo's keys while designing, so they leave
// Ctrl+Y to the record.
TEST(CommandTable, DesignUndoAndRedoLeaveTheirKeysToTheFormWindow)
{
    EXPECT_TRUE(command(IdDesignUndo).shortcut.isEmpty());
    EXPECT_TRUE(command(IdDesignRedo).shortcut.isEmpty());
}

TEST(CommandTable, EveryToolBarButtonHasAnIconATipAndItsCommand)
{
    for (int bar : {ToolBarDesign, ToolBarData}) {
        for (int id : toolBar(bar)) {
            if (id == IdSeparator)
                continue;
            SCOPED_TRACE(id);
            std::unique_ptr<QAction> action(createAction(id, nullptr));
            EXPECT_FALSE(action->icon().pixmap(16, 16).isNull());
            EXPECT_FALSE(action->toolTip().isEmpty());
            EXPECT_EQ(action->data().toInt(), id);
        }
    }
    // The eight alignment commands of the form's menu: eight pictures.
    QSet<QByteArray> pictures;
    for (int id : {IdAlignLeft, IdAlignRight, IdAlignTop, IdAlignBottom, IdAlignLeftRaster,
                   IdAlignRightRaster, IdAlignTopRaster, IdAlignBottomRaster}) {
        const QImage picture = icon(id).pixmap(16, 16).toImage();
        pictures.insert(
            QByteArray(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes()));
    }
    EXPECT_EQ(pictures.size(), 8);
}

// Alt and a letter choose an entry of every menu, and no letter stands for
// two entries of one menu: a chord that chose nothing would otherwise type
// its letter into the field that has the focus.
TEST(CommandTable, EveryMenuEntryHasAnActionAndItsOwnMnemonic)
{
    const std::function<void(const QMenu &)> checkMenu = [&checkMenu](const QMenu &menu) {
        QSet<QChar> letters;
        for (QAction *action : menu.actions()) {
            if (action->isSeparator())
                continue;
            const QString text = action->text().section(QLatin1Char('\t'), 0, 0);
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            ASSERT_TRUE(amp >= 0 && amp + 1 < text.size()) << text.toStdString();
            EXPECT_FALSE(letters.contains(text.at(amp + 1).toLower())) << text.toStdString();
            letters.insert(text.at(amp + 1).toLower());
            if (action->menu())
                checkMenu(*action->menu());
            else
                EXPECT_NE(action->data().toInt(), 0) << text.toStdString();
        }
    };
    for (int id : {MenuData, MenuDesign, MenuFormContext, MenuControlContext}) {
        QMenu menu;
        fillMenu(&menu, CommandTable::menu(id),
                 [&menu](int id) { return createAction(id, &menu); });
        SCOPED_TRACE(id);
        EXPECT_FALSE(menu.actions().isEmpty());
        checkMenu(menu);
    }
}
