#ifndef QRT_RESOURCES_COMMANDTABLE_H
#define QRT_RESOURCES_COMMANDTABLE_H

#include "qrt_export.h"

#include <QKeySequence>
#include <QString>
#include <QVector>

#include <functional>

class QAction;
class QIcon;
class QMenu;
class QObject;
class QWidget;

// The commands of the form windows, as one table: id, menu text, the status
// and tool-tip texts of the string table, accelerator and icon. Menus and
// tool bars are lists of ids into it, so that a command reads the same in
// the menu, on its button, in its tip and in the status bar.
//
// The texts are the product's own and stay as they are; an action shows the
// menu text (with its "\t<Strg>+<n>" hint), its tip and its status text, and
// answers to its accelerator.
namespace CommandTable {

enum CommandId : int {
    IdSeparator = 0,
    // design
    IdDateiSpeichern = 40004,
    IdDateiNeu = 40005,
    IdDateiTabOrder = 40006,
    IdAlignBottom = 40028,
    IdAlignLeft = 40029,
    IdAlignRight = 40030,
    IdAlignTop = 40031,
    IdAlignLeftRaster = 40032,
    IdAlignRightRaster = 40033,
    IdAlignTopRaster = 40034,
    IdAlignBottomRaster = 40035,
    IdSelectAll = 40036,
    IdDeselectAll = 40037,
    IdControlRemove = 40038,
    IdDateiAddStatic = 40039,
    IdDateiAddFrame = 40041,
    IdFormProperties = 40043,
    IdDeleteSelected = 40044,
    IdDateiResize = 40049,
    IdControlProperties = 40008,
    IdCloseMenu = 40009,
    // The history of the layout's changes; the form window takes their keys
    // (Ctrl+Z, Ctrl+Y), so they carry no accelerator of their own.
    IdDesignUndo = 40060,
    IdDesignRedo = 40061,
    // records
    IdRecordSave = 40002,
    IdRecordNext = 40011,
    IdRecordPrevious = 40012,
    IdRecordFirst = 40013,
    IdRecordLast = 40014,
    IdRecordNew = 40019,
    IdRecordDelete = 40021,
    IdRecordFilter = 40045,
    IdRecordRemoveFilter = 40047,
    IdRecordUndo = 40050,
    IdRecordSaveAndClose = 40052,
    IdRecordGoTo = 40070,
    IdRecordSortAscending = 40072,
    IdRecordSortDescending = 40073,
    IdRecordRemoveSort = 40074,
    IdRecordFilterBySelection = 40075,
    IdRecordFilterExcludingSelection = 40076,
    IdRecordFind = 40077,
    IdRecordFindNext = 40078,
    IdRecordFindPrevious = 40079,
    IdViewForm = 40080,
    IdViewDatasheet = 40081,
    IdDateiAddSubform = 40082,
    IdRecordExport = 40083,
    IdRecordPrint = 40084,
    IdRecordPrintPreview = 40085,
    IdRecordPdf = 40086,
    IdTickCount = 40054,
    // both
    IdAppExit = 57665,
};

// Menus and tool bars by their resource ids.
enum ResourceId : int {
    MenuDesign = 6016,      // "&Datei"
    MenuData = 6017,        // "Datensatz"
    MenuFormContext = 6018, // the form's context menu in design mode
    MenuControlContext = 6010,
    ToolBarDesign = 6012,
    ToolBarData = 6013,
};

struct Command
{
    int id;
    QString menuText;   // as the menu shows it, "\t" and the shortcut hint included
    QString statusText; // the long text of the string table; empty when it has none
    QString toolTip;    // the short text of the string table; empty when it has none
    QKeySequence shortcut;
};

// The command of that id; a command without texts for an unknown id.
QRT_EXPORT Command command(int id);
// Every command id the table knows.
QRT_EXPORT QVector<int> commandIds();

// An entry of a menu: a command, a separator, or a pop-up with its entries.
struct MenuEntry
{
    int id = IdSeparator;
    QString text; // where this menu words the command otherwise

    QString popupTitle; // set for a pop-up
    QVector<MenuEntry> entries;
};
// The top-level pop-up of a menu resource (its title and entries), or,
// without a title, the pop-ups of a menu bar.
QRT_EXPORT MenuEntry menu(int menuId);
// The buttons of a tool bar resource; 0 stands for a separator.
QRT_EXPORT QVector<int> toolBar(int toolBarId);

// The icon of a command: the desktop theme's where one is installed, else
// one of the style's standard icons or one drawn here, so that no button is
// ever empty. A null icon only for commands that never sit on a tool bar.
QRT_EXPORT QIcon icon(int id, const QWidget *widget = nullptr);

// An action for the command, with text, tip, status text, shortcut and icon;
// its data() is the id.
QRT_EXPORT QAction *createAction(int id, QObject *parent);

// Builds a menu resource into menu, taking each command's action from
// actionFor (which may create it or hand out a shared one).
QRT_EXPORT void fillMenu(QMenu *menu, const MenuEntry &entry,
                         const std::function<QAction *(int id)> &actionFor);

} // namespace CommandTable

#endif // QRT_RESOURCES_COMMANDTABLE_H
