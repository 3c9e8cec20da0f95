#include "resources/CommandTable.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QSet>

#include <gtest/gtest.h>

using namespace CommandTable;

namespace {

QStringList texts(const QMenu &menu)
{
    QStringList result;
    for (QAction *action : menu.actions()) {
        if (action->isSeparator())
            result << QStringLiteral("-");
        else if (action->menu())
            result << QStringLiteral("[") + action->text() + QStringLiteral("]");
        else
            result << action->text();
    }
    return result;
}

} // namespace

TEST(CommandTable, TextsAndShortcutsOfTheRecordCommands)
{
    const Command next = command(IdRecordNext);
    EXPECT_EQ(next.menuText, "Nächster Datensatz\t<Bild ab>");
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

TEST(CommandTable, MenusAreBuiltFromTheTable)
{
    QMenu data;
    fillMenu(&data, menu(MenuData), [&data](int id) { return createAction(id, &data); });
    EXPECT_EQ(menu(MenuData).popupTitle, "Datensatz");
    EXPECT_EQ(
        texts(data),
        QStringList({"Neuen Datensatz anlegen\t<Strg>+<n>", "Datensatz speichern\t<Strg>+<s>",
                     "Datensatz löschen", "-", "Änderung rückgängig machen\t<Strg>+<y>", "-",
                     "Datensätze filtern\t<Strg>+<f>", "Filter entfernen", "-",
                     "Erster Datensatz\t<Strg>+<Bild auf>", "Letzter Datensatz\t<Strg>+<Bild ab>",
                     "Vorheriger Datensatz\t<Bild auf>", "Nächster Datensatz\t<Bild ab>", "-",
                     "Beenden und speichern\t<Strg>+<q>", "Beenden"}));

    QMenu design;
    fillMenu(&design, menu(MenuDesign), [&design](int id) { return createAction(id, &design); });
    EXPECT_EQ(menu(MenuDesign).popupTitle, "&Datei");
    EXPECT_EQ(
        texts(design),
        QStringList({"Formular &neu aufbauen", "Formulargröße anpassen", "Formular &speichern", "-",
                     "&Rückgängig\t<Strg>+<z>", "&Wiederholen\t<Strg>+<y>", "-",
                     "Anzahl und Reihenfolge der Felder ändern",
                     "[Selektierte Steuerelemente ausrichten]", "-", "Überschrift einfügen",
                     "Rahmen einfügen", "-", "&Beenden"}));
    // The form window takes the keys of undo and redo: Ctrl+Y stays the
    // record's accelerator alone.
    EXPECT_TRUE(command(IdDesignUndo).shortcut.isEmpty() &&
                command(IdDesignRedo).shortcut.isEmpty());
    QMenu *alignment = design.actions().at(8)->menu();
    ASSERT_NE(alignment, nullptr);
    EXPECT_EQ(texts(*alignment),
              QStringList({"Links", "Rechts", "Oben", "Unten", "-", "Links am Raster",
                           "Rechts am Raster", "Oben am Raster", "Unten am Raster"}));

    QMenu control;
    fillMenu(&control, menu(MenuControlContext),
             [&control](int id) { return createAction(id, &control); });
    EXPECT_EQ(texts(control), QStringList({"Eigenschaften des Steuerelements", "-",
                                           "Steuerelement entfernen", "-", "Menü schließen"}));
}
