#include "resources/CommandTable.h"

#include <QAction>
#include <QIcon>
#include <QMenu>

namespace CommandTable {

namespace {

struct Row
{
    int id;
    const char *menuText;
    const char *strings; // the string table: long text, separator, short text
    QKeyCombination key; // QKeyCombination() for none
};

constexpr QKeyCombination kNone;

// In the order of the product's command table. Every menu text has a
// mnemonic, unique within its menu, so that Alt and a letter choose it
// rather than typing the letter into a field. The string table separates
// the status text from the tip text with "\n"; a few of its entries use
// "\r" instead, and the delete command carries a mangled "ßn": each is read
// as the separator it stands for.
const Row kRows[] = {
    {IdDateiNeu, "Formular &neu aufbauen", "Neues Formular aufbauen\nNeu", kNone},
    {IdDateiResize, "Formular&größe anpassen",
     "Größe des Formulars an die Steuerelemente anpassen\nGröße anpassen", kNone},
    {IdDateiSpeichern, "Formular &speichern", "Formular speichern\nSpeichern", kNone},
    {IdDateiTabOrder, "&Anzahl und Reihenfolge der Felder ändern",
     "Anzahl und Reihenfolge der Eingabefelder ändern\nReihenfolge ändern", kNone},
    {IdDateiAddStatic, "&Überschrift einfügen",
     "Fügt ein neues Feld mit einer Überschrift ein\nNeue Überschrift", kNone},
    {IdDateiAddFrame, "Rahmen &einfügen", "Fügt einen neuen Rahmen ein\nNeuer Rahmen", kNone},
    {IdDateiAddSubform, "Unter&formular einfügen…",
     "Fügt die Datensätze einer Tabelle ein, die auf diese verweist\nNeues Unterformular", kNone},
    {IdAlignLeft, "&Links", "Alle markierten Steuerelemente links ausrichten\rLinks ausrichten",
     kNone},
    {IdAlignRight, "&Rechts", "Alle markierten Steuerelemente rechts ausrichten\rRechts ausrichten",
     kNone},
    {IdAlignTop, "&Oben", "Alle markierten Steuerelemente oben ausrichten\rOben ausrichten", kNone},
    {IdAlignBottom, "&Unten", "Alle markierten Steuerelemente unten ausrichten\rUnten ausrichten",
     kNone},
    {IdAlignLeftRaster, "L&inks am Raster",
     "Alle markierten Steuerelemente links am Raster ausrichten\nLinks am Raster", kNone},
    {IdAlignRightRaster, "Re&chts am Raster",
     "Alle markierten Steuerelemente rechts am Raster ausrichten\nRechts am Raster", kNone},
    {IdAlignTopRaster, "O&ben am Raster",
     "Alle markierten Steuerelemente oben am Raster ausrichten\nOben am Raster", kNone},
    {IdAlignBottomRaster, "U&nten am Raster",
     "Alle markierten Steuerelemente unten am Raster ausrichten\nUnten am Raster", kNone},
    {IdAppExit, "&Beenden", "", kNone},
    {IdRecordNew, "&Neuen Datensatz anlegen\t<Strg>+<n>", "Neuen Datensatz anlegen\nNeu",
     Qt::CTRL | Qt::Key_N},
    {IdRecordSave, "Datensatz &speichern\t<Strg>+<s>", "Datensatz speichern\nSpeichern",
     Qt::CTRL | Qt::Key_S},
    // Delete and "Filter entfernen" have keys beyond the original table, shown
    // in their menu texts: Strg+Entf as German desktop programs delete a
    // record or row, Strg+Umschalt+F as the undoing partner of Strg+F.
    {IdRecordDelete, "Datensatz &löschen\t<Strg>+<Entf>", "Datensatz löschenßnLöschen",
     Qt::CTRL | Qt::Key_Delete},
    // The menu names Ctrl+Y, which the accelerator table lacks; it is given here.
    {IdRecordUndo, "Änderung &rückgängig machen\t<Strg>+<y>", "", Qt::CTRL | Qt::Key_Y},
    {IdRecordFilter, "Datensätze &filtern\t<Strg>+<f>", "Datensätze filtern\nFilter",
     Qt::CTRL | Qt::Key_F},
    {IdRecordRemoveFilter, "F&ilter entfernen\t<Strg>+<Umschalt>+<f>",
     "Datensätze ungefiltert anzeigen\nFilter entfernen", Qt::CTRL | Qt::SHIFT | Qt::Key_F},
    {IdRecordFirst, "&Erster Datensatz\t<Strg>+<Bild auf>", "Ersten Datensatz anzeigen\nErster",
     Qt::CTRL | Qt::Key_PageUp},
    {IdRecordLast, "Le&tzter Datensatz\t<Strg>+<Bild ab>", "Letzten Datensatz anzeigen\nLetzter",
     Qt::CTRL | Qt::Key_PageDown},
    {IdRecordPrevious, "&Vorheriger Datensatz\t<Bild auf>",
     "Vorherigen Datensatz anzeigen\nVorheriger", QKeyCombination(Qt::Key_PageUp)},
    {IdRecordNext, "Nä&chster Datensatz\t<Bild ab>", "Nächsten Datensatz anzeigen\nNächster",
     QKeyCombination(Qt::Key_PageDown)},
    // Sorting by the field the cursor is in: Strg+Umschalt with the arrow
    // that points the way the values grow, and S for "Sortierung".
    {IdRecordSortAscending, "&Aufsteigend sortieren\t<Strg>+<Umschalt>+<Pfeil auf>",
     "Datensätze nach dem Feld mit dem Cursor aufsteigend sortieren\nAufsteigend sortieren",
     Qt::CTRL | Qt::SHIFT | Qt::Key_Up},
    {IdRecordSortDescending, "Absteigen&d sortieren\t<Strg>+<Umschalt>+<Pfeil ab>",
     "Datensätze nach dem Feld mit dem Cursor absteigend sortieren\nAbsteigend sortieren",
     Qt::CTRL | Qt::SHIFT | Qt::Key_Down},
    {IdRecordRemoveSort, "S&ortierung entfernen\t<Strg>+<Umschalt>+<s>",
     "Datensätze wieder in der ursprünglichen Reihenfolge anzeigen\nSortierung entfernen",
     Qt::CTRL | Qt::SHIFT | Qt::Key_S},
    // Filtering by the value of the field the cursor is in: Strg+Umschalt
    // with A for "Auswahl", and X, which crosses it out.
    {IdRecordFilterBySelection, "Filter nach Aus&wahl\t<Strg>+<Umschalt>+<a>",
     "Nur Datensätze mit dem Wert des Felds anzeigen, in dem der Cursor steht\nFilter nach Auswahl",
     Qt::CTRL | Qt::SHIFT | Qt::Key_A},
    {IdRecordFilterExcludingSelection, "Auswahl ausschlie&ßen\t<Strg>+<Umschalt>+<x>",
     "Datensätze mit dem Wert des Felds ausblenden, in dem der Cursor steht\nAuswahl ausschließen",
     Qt::CTRL | Qt::SHIFT | Qt::Key_X},
    // Strg+F filters, as it always did; Strg+H is where users of desktop
    // databases find their "Suchen und Ersetzen". F3 goes on as everywhere.
    {IdRecordFind, "Suc&hen…\t<Strg>+<h>", "Datensätze nach einem Text durchsuchen\nSuchen",
     Qt::CTRL | Qt::Key_H},
    {IdRecordFindNext, "Weitersuchen\t<F3>", "Nächsten passenden Datensatz anzeigen\nWeitersuchen",
     QKeyCombination(Qt::Key_F3)},
    {IdRecordFindPrevious, "Rückwärts suchen\t<Umschalt>+<F3>",
     "Vorherigen passenden Datensatz anzeigen\nRückwärts suchen", Qt::SHIFT | Qt::Key_F3},
    // The two views of the records; Strg+Umschalt with D for "Datenblatt"
    // and M for the form, the "Maske" of German data entry.
    {IdViewForm, "&Formularansicht\t<Strg>+<Umschalt>+<m>",
     "Einen Datensatz im Formular anzeigen\nFormularansicht", Qt::CTRL | Qt::SHIFT | Qt::Key_M},
    {IdViewDatasheet, "Daten&blattansicht\t<Strg>+<Umschalt>+<d>",
     "Die Datensätze als Tabelle anzeigen\nDatenblattansicht", Qt::CTRL | Qt::SHIFT | Qt::Key_D},
    // F5 as in the desktop databases our users know: into the record number.
    {IdRecordGoTo, "&Gehe zu Datensatz…\t<F5>",
     "Zu dem Datensatz mit der eingegebenen Nummer gehen\nGehe zu", QKeyCombination(Qt::Key_F5)},
    {IdRecordExport, "E&xportieren…",
     "Alle Datensätze des Filters in eine CSV-Datei schreiben\nExportieren", kNone},
    {IdRecordPrint, "Druc&ken…\t<Strg>+<p>", "Den angezeigten Datensatz drucken\nDrucken",
     Qt::CTRL | Qt::Key_P},
    {IdRecordPrintPreview, "&Seitenansicht",
     "Den angezeigten Datensatz so zeigen, wie er gedruckt wird\nSeitenansicht", kNone},
    {IdRecordPdf, "Als &PDF speichern…",
     "Den angezeigten Datensatz oder alle Datensätze des Filters als PDF-Datei speichern\n"
     "Als PDF speichern",
     kNone},
    {IdRecordSaveAndClose, "Beenden &und speichern\t<Strg>+<q>",
     "Datensatz speichern und Fenster schließen\nBeenden und speichern", Qt::CTRL | Qt::Key_Q},
    {IdFormProperties, "&Eigenschaften des Formulars",
     "Eigenschaften des Formulars bearbeiten\nEigenschaften", kNone},
    {IdSelectAll, "&Alle Elemente markieren", "Alle Steuerelemente markieren\nAlle markieren",
     kNone},
    {IdDeselectAll, "Alle Markierungen a&ufheben",
     "Alle Markierungen aufheben\nMarkierung aufheben", kNone},
    {IdDeleteSelected, "Selektierte Steuerelemente ent&fernen",
     "Selektierte Steuerelemente entfernen\nEntfernen", kNone},
    {IdControlProperties, "&Eigenschaften des Steuerelements", "", kNone},
    {IdControlRemove, "Steuerelement ent&fernen", "Steuerelement vom Formular entfernen\nEntfernen",
     kNone},
    {IdCloseMenu, "&Menü schließen", "", kNone},
    // Beyond the product's table: undo and redo of the layout's changes.
    {IdDesignUndo, "&Rückgängig\t<Strg>+<z>",
     "Letzte Änderung am Formular rückgängig machen\nRückgängig", kNone},
    {IdDesignRedo, "&Wiederholen\t<Strg>+<y>",
     "Rückgängig gemachte Änderung am Formular wiederholen\nWiederholen", kNone},
    {IdTickCount, "TickCount", "", kNone},
};

const Row *rowOf(int id)
{
    for (const Row &row : kRows) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

MenuEntry item(int id)
{
    MenuEntry entry;
    entry.id = id;
    return entry;
}

MenuEntry popup(const char *title, std::initializer_list<int> ids)
{
    MenuEntry entry;
    entry.popupTitle = QString::fromUtf8(title);
    for (int id : ids)
        entry.entries << item(id);
    return entry;
}

MenuEntry alignmentPopup()
{
    return popup("Selek&tierte Steuerelemente ausrichten",
                 {IdAlignLeft, IdAlignRight, IdAlignTop, IdAlignBottom, IdSeparator,
                  IdAlignLeftRaster, IdAlignRightRaster, IdAlignTopRaster, IdAlignBottomRaster});
}

} // namespace

Command command(int id)
{
    Command result{id, QString(), QString(), QString(), QKeySequence()};
    const Row *row = rowOf(id);
    if (!row)
        return result;
    result.menuText = QString::fromUtf8(row->menuText);
    const QString strings = QString::fromUtf8(row->strings);
    qsizetype separator = strings.indexOf(QLatin1Char('\n'));
    qsizetype width = 1;
    if (separator < 0)
        separator = strings.indexOf(QLatin1Char('\r'));
    if (separator < 0) {
        separator = strings.indexOf(QStringLiteral("ßn"));
        width = 2;
    }
    result.statusText = separator < 0 ? strings : strings.left(separator);
    result.toolTip = separator < 0 ? QString() : strings.mid(separator + width);
    if (row->key != kNone)
        result.shortcut = QKeySequence(row->key);
    return result;
}

QVector<int> commandIds()
{
    QVector<int> ids;
    for (const Row &row : kRows)
        ids << row.id;
    return ids;
}

MenuEntry menu(int menuId)
{
    switch (menuId) {
    case MenuDesign: {
        MenuEntry entry =
            popup("&Datei", {IdDateiNeu, IdDateiResize, IdDateiSpeichern, IdSeparator, IdDesignUndo,
                             IdDesignRedo, IdSeparator, IdDateiTabOrder});
        entry.entries << alignmentPopup() << item(IdSeparator) << item(IdDateiAddStatic)
                      << item(IdDateiAddFrame) << item(IdDateiAddSubform) << item(IdSeparator)
                      << item(IdAppExit);
        return entry;
    }
    case MenuData: {
        MenuEntry entry = popup("&Datensatz", {IdRecordNew,
                                               IdRecordSave,
                                               IdRecordDelete,
                                               IdSeparator,
                                               IdRecordUndo,
                                               IdSeparator,
                                               IdRecordFilter,
                                               IdRecordFilterBySelection,
                                               IdRecordFilterExcludingSelection,
                                               IdRecordRemoveFilter,
                                               IdSeparator,
                                               IdRecordSortAscending,
                                               IdRecordSortDescending,
                                               IdRecordRemoveSort,
                                               IdSeparator,
                                               IdRecordFirst,
                                               IdRecordLast,
                                               IdRecordPrevious,
                                               IdRecordNext,
                                               IdRecordGoTo,
                                               IdRecordFind,
                                               IdSeparator,
                                               IdRecordPrint,
                                               IdRecordPdf,
                                               IdRecordExport,
                                               IdSeparator,
                                               IdRecordSaveAndClose,
                                               IdAppExit});
        // Beside it, "Ansicht": the Datensatz menu has no letter left for
        // the two views.
        MenuEntry bar;
        bar.entries << entry
                    << popup("&Ansicht",
                             {IdViewForm, IdViewDatasheet, IdSeparator, IdRecordPrintPreview});
        return bar;
    }
    case MenuFormContext: {
        MenuEntry entry =
            popup(" ", {IdFormProperties, IdSeparator, IdSelectAll, IdDeselectAll, IdSeparator});
        entry.entries << alignmentPopup() << item(IdDeleteSelected) << item(IdSeparator)
                      << item(IdCloseMenu);
        return entry;
    }
    case MenuControlContext:
        return popup(" ",
                     {IdControlProperties, IdSeparator, IdControlRemove, IdSeparator, IdCloseMenu});
    default:
        return MenuEntry();
    }
}

QVector<int> toolBar(int toolBarId)
{
    switch (toolBarId) {
    case ToolBarDesign:
        return {IdDateiNeu, IdDateiSpeichern, 0, IdDateiAddStatic, IdDateiAddFrame,
                0,          IdDateiTabOrder};
    case ToolBarData:
        // The sorting commands stay in the menu and on their keys: two more
        // buttons would push "Datensatz n von m" behind the tool bar's "»"
        // at the dialog's width. The datasheet's button switches both ways.
        return {IdRecordNew,
                IdRecordSave,
                0,
                IdRecordDelete,
                0,
                IdRecordUndo,
                0,
                IdRecordFilter,
                IdRecordRemoveFilter,
                0,
                IdRecordFirst,
                IdRecordPrevious,
                IdRecordNext,
                IdRecordLast,
                IdViewDatasheet};
    default:
        return {};
    }
}

QAction *createAction(int id, QObject *parent)
{
    const Command cmd = command(id);
    auto *action = new QAction(cmd.menuText, parent);
    action->setData(id);
    action->setStatusTip(cmd.statusText);
    // A command without a tip of its own is named by its menu text.
    QString tip = cmd.toolTip;
    if (tip.isEmpty())
        tip = cmd.menuText.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    action->setToolTip(tip);
    // A button says what its tip says: that is the name a screen reader
    // announces, not the menu text with its "\t<Bild ab>".
    action->setIconText(tip);
    if (!cmd.shortcut.isEmpty())
        action->setShortcut(cmd.shortcut);
    const QIcon commandIcon = icon(id);
    if (!commandIcon.isNull())
        action->setIcon(commandIcon);
    return action;
}

void fillMenu(QMenu *menu, const MenuEntry &entry,
              const std::function<QAction *(int id)> &actionFor)
{
    for (const MenuEntry &child : entry.entries) {
        if (!child.popupTitle.isNull()) {
            fillMenu(menu->addMenu(child.popupTitle), child, actionFor);
        } else if (child.id == IdSeparator) {
            menu->addSeparator();
        } else if (QAction *action = actionFor(child.id)) {
            if (!child.text.isEmpty())
                action->setText(child.text);
            menu->addAction(action);
        }
    }
}

} // namespace CommandTable
