#pragma once
// The DTC page: one row per trouble code entry of every DTC attribute of the loaded macro, with
// the code's set state for the current frame and, during a run or play back, the frame and time
// at which the code last changed. A set code turns the page's tab icon to the alert icon.
#include "shell/ViewInterfaces.h"
#include "views/ListPageCommon.h"

#include <functional>
#include <memory>
#include <vector>

class TCartridge;
class TfInfoDTC;

// The rows of the DTC list: for every item in order, every DTC attribute of its request, its
// entries from the last to the first.
std::vector<TRowRef> DTCRows(const TCartridge& engine);

class TframeViewDTCs : public TListPageFrame, public TDTCListView {
    Q_OBJECT
public:
    enum {
        colDescription,
        colModule,
        colTable,
        colDTC,
        colCEL,
        colReference,
        colNote,
        colFrame,
        colTime,
        ColumnCount
    };

    explicit TframeViewDTCs(TCartridge& engine, QWidget* parent = nullptr);
    ~TframeViewDTCs() override;

    QWidget* Widget() override { return this; }
    void Populate() override;
    // Icons to "not set", "Frame" and "Time" to "-"; reports the tab icon change.
    void Clear() override;
    std::string ViewStyle() const override { return ViewStyleText(Style()); }
    void SetViewStyle(const std::string& style) override { ApplyStyle(ViewStyleFromText(style)); }
    const QTreeWidget* PrintList() const override { return &list(); }
    // Every row shows the state of the image's frame; live, a row whose bit changed since the
    // page last showed the attribute is stamped with the frame and time.
    void ShowValues(bool live, const std::string& frameText, const std::string& timeText) override;
    bool CodeSet() const override { return AnySet; }

    // The tab icon must follow CodeSet (after Clear, and when a shown frame changes it).
    std::function<void()> OnCodeSetChanged;

    // The row shows the set icon.
    bool RowSet(int row) const;
    void MoreinfoClick();
    TfInfoDTC& infoDialog();

private:
    void setRowIcon(int row, bool set);
    void reportCodeSet(bool set);

    TCartridge& Engine;
    std::vector<TRowRef> Rows;
    std::vector<char> Shown; // the icon each row shows: 1 set, 0 not
    bool AnySet = false;
    bool Reported = false; // the CodeSet last reported to the tab icon
    std::unique_ptr<TfInfoDTC> Info;
};
