#pragma once
// Small helpers of the windows: list-view style names, long pop-up menus, opening a document
// with the program associated with it, and the extra-information text of information dialogs.
#include <string>
#include <vector>

class QMenu;
class QPlainTextEdit;

// List-view styles as the ini file names them.
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
// "LARGEICONS", "SMALLICONS", "LIST" (any case); anything else is the report style.
TViewStyle ViewStyleFromText(const std::string& text);
// "LargeIcons", "SmallIcons", "List", "Report".
std::string ViewStyleText(TViewStyle style);

// Qt menus have no column breaks. A long menu is broken after every `rows` items instead: the
// rest moves into a last entry "More..." whose submenu holds the next `rows` items, and so on,
// so that item i starts a new column (submenu) exactly when i mod rows = 0. rows <= 0: as many
// rows as fit on the screen. Running it again first undoes an earlier break.
void SetMenuColumns(QMenu& menu, int rows);
// The items of the menu with every "More..." submenu of SetMenuColumns followed, in order.
int MenuItemCount(const QMenu& menu);
// Indices of the items that start a column: 0, rows, 2 x rows ... below count.
std::vector<int> MenuColumnStarts(int count, int rows);

// Opens the file with the program associated with it. Returns a value above 32 on success,
// 2 when the file does not exist and 31 when no program would open it.
int RunDocument(const std::string& path);

// Makes the program's icons (":/icons/<name>.png") available; the window classes that use them
// call it, so that a program or test linking the window library statically finds them.
void InitQuorvinResources();

// Fills an information dialog's text from an item's comments ("File=name" reads that file).
void ShowExtraInfo(QPlainTextEdit& memo, const std::string& comments);
