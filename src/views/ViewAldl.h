#pragma once
// The Aldl page: one row per value attribute of the loaded macro (every type but DTC tables and
// bit flags) with its raw and engineering value for the current frame, its alarm limits and,
// during a run or play back, the share of frames below and above them.
#include "shell/ViewInterfaces.h"
#include "views/ListPageCommon.h"

#include <memory>
#include <vector>

class TCartridge;
class TfInfoAldl;

// The rows of the value list for the image, in row order: the attributes of every item whose
// AType is neither 3 (DTC) nor 4 (bit flags).
std::vector<TRowRef> AldlRows(const TCartridge& engine);

class TframeViewAldl : public TListPageFrame, public TValueListView {
    Q_OBJECT
public:
    // Columns of the list: caption (ACode), then the sub-items.
    enum {
        colAttribute,
        colDescription,
        colModule,
        colTable,
        colRaw,
        colScaled,
        colUnits,
        colMinimum,
        colMaximum,
        colLow,
        colHigh,
        ColumnCount
    };

    explicit TframeViewAldl(TCartridge& engine, QWidget* parent = nullptr);
    ~TframeViewAldl() override;

    QWidget* Widget() override { return this; }
    void Populate() override;
    void Clear() override;
    std::string ViewStyle() const override { return ViewStyleText(Style()); }
    void SetViewStyle(const std::string& style) override;
    const QTreeWidget* PrintList() const override { return &list(); }
    // Shows the decoded values of the image; live (a run or play back feeds the page) also
    // counts the frame into the alarm statistics.
    void ShowValues(bool live) override;

    // The style commands of the popup menu: the style, then the captions to match it.
    void StyleCommand(TViewStyle style);
    // "More info...": the attribute dialog for the selected row.
    void MoreinfoClick();
    TfInfoAldl& infoDialog();

private:
    TCartridge& Engine;
    std::vector<TRowRef> Rows;
    std::unique_ptr<TfInfoAldl> Info;
};
