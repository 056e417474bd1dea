#pragma once
// What the three list pages (values, trouble codes, status flags) share: the list with its four
// view styles, the empty-page text that covers a page without rows, the popup menu, and the
// in-place cell updates that keep live frames cheap.
//
// The rows live in one QTreeWidget, which shows them in the report style and is what gets
// printed; the icon and list styles show the same model (its first column) in a QListView that
// shares the tree's selection, so a row is selected in every style at once.
#include "shell/MenuHelpers.h"

#include <QIcon>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QBoxLayout;
class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QListView;
class QMenu;
class QStackedLayout;
class QTreeWidget;
class QTreeWidgetItem;
struct TAttr;
class TCartridge;

// One column of a list page: caption, initial width in pixels, right aligned or not, and the
// widest text the column usually holds. The column starts at least as wide as its caption and
// that text need in the font in use, so that fonts wider than the one the widths were chosen
// for do not cut times and captions short.
struct TListColumn {
    const char* Caption;
    int Width;
    bool Right;
    const char* Sample = nullptr;
};

// The image entries of one row: item, attribute and (DTC and flag rows) the entry in the
// attribute's DTCs or Flags.
struct TRowRef {
    int Item = 0;
    int Attr = 0;
    int Entry = -1;
};

// The attribute a row refers to; null when the image no longer holds it.
TAttr* AttrOfRow(TCartridge& engine, const TRowRef& ref);
const TAttr* AttrOfRow(const TCartridge& engine, const TRowRef& ref);
// Items and attributes of the image in order, as far as both counts and arrays reach.
int ImageItemCount(const TCartridge& engine);
int ImageAttrCount(const TCartridge& engine, int item);

// The row icons: the attribute type's icon (0..5), the trouble code icons (set or not) and the
// status flag icons (bit 1 or 0). Each holds the 16 x 16 and 32 x 32 forms.
const QIcon& AttrTypeIcon(int atype);
const QIcon& DTCIcon(bool set);
const QIcon& FlagIcon(bool set);

// Places a dialog in the middle of the screen it is on (before its saved placement applies).
void CentreOnScreen(QWidget& window);

// Parts the three information dialogs share: the large description label, the read-only
// comments text with its hint, and the "Ok" button at the bottom right.
QLabel* InfoTitleLabel(QWidget* parent);
QPlainTextEdit* InfoMemo(QWidget* parent, const char* hint);
void AddOkButton(QDialog& dialog, QBoxLayout& layout);
// A read-only field with its hint.
QLineEdit* InfoField(QWidget* parent, const char* name, const char* hint);

// Turns the "\r\n" line breaks of the system's texts into the ones the widgets show.
QString DisplayText(const char* text);

class TListPageFrame : public QWidget {
    Q_OBJECT
public:
    TListPageFrame(const std::vector<TListColumn>& columns, QWidget* parent = nullptr);
    ~TListPageFrame() override;

    QTreeWidget& list() const { return *Tree; }
    QListView& iconView() const { return *Icons; }
    QLabel& emptyText() const { return *EmptyText; }
    // The empty-page text covers the page.
    bool ShowsEmptyText() const;
    // The view that shows the rows in the current style.
    QWidget& shownView() const;

    TViewStyle Style() const { return CurrentStyle; }
    // Shows the rows in the style; the pages add what else a style change does.
    void ApplyStyle(TViewStyle style);

    // Removes every row.
    void RemoveRows();
    // Adds a row with its icon and its cells (column 0 is the caption).
    QTreeWidgetItem* AddRow(const QIcon& icon, const QStringList& cells);
    // Covers the page with text when there are no rows, else shows the list.
    void ShowEmptyText(const char* text);
    // Widens each left-aligned column to its longest text, up to a limit, so descriptions read
    // whole; a column is never made narrower.
    void FitTextColumns();

    // Index of the selected row, -1 when none is.
    int SelectedRow() const;
    void SelectRow(int row);

    // The popup menu as it is when it opens: the current style checked, "More info..." enabled
    // only with a selected row. The caller owns the menu.
    QMenu* CreatePopupMenu();

    // A style entry of the popup menu was chosen; "More info..." was chosen (or a row double
    // clicked).
    std::function<void(TViewStyle style)> OnStyleCommand;
    std::function<void()> OnMoreInfo;

    // Sets a cell's text only when it differs, so an unchanged value costs no repaint.
    static void SetCell(QTreeWidgetItem& row, int column, const QString& text);
    static void SetCell(QTreeWidgetItem& row, int column, const std::string& text);

private:
    void popup(const QPoint& pos, QWidget* from);

    QStackedLayout* Stack = nullptr;
    QLabel* EmptyText = nullptr;
    QTreeWidget* Tree = nullptr;
    QListView* Icons = nullptr;
    std::vector<bool> RightAligned;
    TViewStyle CurrentStyle = vsReport;
    bool Empty = true;
};

// The popup menu entries in order; tests and the pages name them through these.
extern const char* const StyleCaptions[4]; // "Large Icons", "Small Icons", "List", "Details"
extern const char* const MoreInfoCaption;  // "More info..."
