#pragma once
// The Status flags page: one row per bit flag entry of the loaded macro, with the text of the
// flag's current state and, during a run or play back, the frame and time of its last change.
#include "shell/ViewInterfaces.h"
#include "views/ListPageCommon.h"

#include <memory>
#include <vector>

class TCartridge;
struct TFlags;
class TfInfoFlag;

// The rows of the flag list: for every item in order, every bit flag attribute of its request,
// its entries from the first to the last.
std::vector<TRowRef> FlagRows(const TCartridge& engine);

class TframeViewBitFlags : public TListPageFrame, public TFlagListView {
    Q_OBJECT
public:
    enum {
        colDescription,
        colModule,
        colTable,
        colStatus,
        colNote,
        colFrame,
        colTime,
        ColumnCount
    };

    explicit TframeViewBitFlags(TCartridge& engine, QWidget* parent = nullptr);
    ~TframeViewBitFlags() override;

    QWidget* Widget() override { return this; }
    void Populate() override;
    // Every row shows the bit's 0 state (icon, "Status" and caption); "Frame" and "Time" "-".
    void Clear() override;
    std::string ViewStyle() const override { return ViewStyleText(Style()); }
    void SetViewStyle(const std::string& style) override;
    const QTreeWidget* PrintList() const override { return &list(); }
    // Every row shows the state of the image's frame; live, a bit that changed since the page
    // last showed its attribute is stamped with the frame and time.
    void ShowValues(bool live, const std::string& frameText, const std::string& timeText) override;

    void StyleCommand(TViewStyle style);
    bool RowSet(int row) const;
    void MoreinfoClick();
    TfInfoFlag& infoDialog();

private:
    void setRowIcon(int row, bool set);
    void showRow(int row, const TFlags& flag, bool set);

    TCartridge& Engine;
    std::vector<TRowRef> Rows;
    std::vector<char> Shown; // the icon each row shows: 1 bit set, 0 not
    std::unique_ptr<TfInfoFlag> Info;
};
