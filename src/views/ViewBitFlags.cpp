#include "views/ViewBitFlags.h"

#include "common/Format.h"
#include "engine/Cartridge.h"
#include "views/InfoFlag.h"

#include <QTreeWidget>

namespace {

const char* const EmptyPageText =
    "\r\nThe currently selected macro does\r\nnot return any bit flags.\r\nTo display bit flags "
    "here, first\r\nselect a macro that returns bit flags.\r\n";

const std::vector<TListColumn>& Columns() {
    static const std::vector<TListColumn> columns = {{"Description", 160, false},
                                                     {"Module", 90, false},
                                                     {"Table", 45, true},
                                                     {"Status", 100, false},
                                                     {"Note", 40, true},
                                                     {"Frame", 45, true, "0000"},
                                                     {"Time", 70, true, "00:00:00.000"}};
    return columns;
}

const QString Dash = QStringLiteral("-");

bool bitOf(int32_t raw, int bit) {
    return ((static_cast<uint32_t>(raw) >> (bit & 31)) & 1U) != 0;
}

} // namespace

std::vector<TRowRef> FlagRows(const TCartridge& engine) {
    std::vector<TRowRef> rows;
    for (int i = 0; i < ImageItemCount(engine); ++i) {
        for (int a = 0; a < ImageAttrCount(engine, i); ++a) {
            const TAttr& attr = engine.Items[i].Request.Attrs[a];
            if (attr.AType == 4) {
                for (int e = 0; e < static_cast<int>(attr.Flags.size()); ++e) {
                    rows.push_back({i, a, e});
                }
            }
        }
    }
    return rows;
}

TframeViewBitFlags::TframeViewBitFlags(TCartridge& engine, QWidget* parent)
    : TListPageFrame(Columns(), parent), Engine(engine) {
    setObjectName(QStringLiteral("frameViewBitFlags"));
    OnStyleCommand = [this](TViewStyle style) { StyleCommand(style); };
    OnMoreInfo = [this] { MoreinfoClick(); };
    ShowEmptyText(EmptyPageText);
}

TframeViewBitFlags::~TframeViewBitFlags() = default;

void TframeViewBitFlags::Populate() {
    RemoveRows();
    Rows = FlagRows(Engine);
    Shown.assign(Rows.size(), 0);
    for (const TRowRef& ref : Rows) {
        const TMacroItem& item = Engine.Items[ref.Item];
        const TFlags& flag = item.Request.Attrs[ref.Attr].Flags[ref.Entry];
        // The longer of the two states first, so that the columns fit either; Clear then shows
        // the 0 state.
        const std::string& longer = flag.B1.size() > flag.B0.size() ? flag.B1 : flag.B0;
        AddRow(FlagIcon(false),
               {QString::fromStdString(flag.Desc), QString::fromStdString(item.MCode),
                QString::number(item.Request.MessageNo), QString::fromStdString(longer),
                QString::fromStdString(Format("%d:%d", flag.Note0, flag.Note1)), Dash, Dash});
    }
    FitTextColumns();
    Clear();
    ShowEmptyText(EmptyPageText);
}

void TframeViewBitFlags::Clear() {
    // Every row back to the bit's 0 state, its text as well as its icon, so that a bit that
    // stays 0 in the next run is already shown right.
    const int count = std::min<int>(static_cast<int>(Rows.size()), list().topLevelItemCount());
    for (int r = 0; r < count; ++r) {
        const TAttr* attr = AttrOfRow(Engine, Rows[r]);
        if (attr && Rows[r].Entry >= 0 && Rows[r].Entry < static_cast<int>(attr->Flags.size())) {
            showRow(r, attr->Flags[Rows[r].Entry], false);
        } else {
            setRowIcon(r, false);
        }
        QTreeWidgetItem& row = *list().topLevelItem(r);
        SetCell(row, colFrame, Dash);
        SetCell(row, colTime, Dash);
    }
}

void TframeViewBitFlags::SetViewStyle(const std::string& style) {
    StyleCommand(ViewStyleFromText(style));
}

void TframeViewBitFlags::StyleCommand(TViewStyle style) {
    ApplyStyle(style);
    ShowValues(false, "", "");
}

bool TframeViewBitFlags::RowSet(int row) const {
    return row >= 0 && row < static_cast<int>(Shown.size()) && Shown[row] != 0;
}

void TframeViewBitFlags::setRowIcon(int row, bool set) {
    const char shown = set ? 1 : 0;
    if (Shown[row] != shown) {
        Shown[row] = shown;
        list().topLevelItem(row)->setIcon(0, FlagIcon(set));
    }
}

void TframeViewBitFlags::showRow(int r, const TFlags& flag, bool set) {
    QTreeWidgetItem& row = *list().topLevelItem(r);
    const QString desc = QString::fromStdString(flag.Desc);
    const QString state = QString::fromStdString(set ? flag.B1 : flag.B0);
    SetCell(row, colDescription, Style() == vsReport ? desc : desc + QStringLiteral(": ") + state);
    // Kept in every style, so that a printed list always has the state.
    SetCell(row, colStatus, state);
    setRowIcon(r, set);
}

void TframeViewBitFlags::ShowValues(bool live, const std::string& frameText,
                                    const std::string& timeText) {
    const QString frame = QString::fromStdString(frameText);
    const QString time = QString::fromStdString(timeText);
    const int count = std::min<int>(static_cast<int>(Rows.size()), list().topLevelItemCount());
    int r = 0;
    while (r < count) {
        TAttr* attr = AttrOfRow(Engine, Rows[r]);
        if (!attr) {
            ++r;
            continue;
        }
        // The rows of one attribute follow each other.
        const TRowRef first = Rows[r];
        for (; r < count && Rows[r].Item == first.Item && Rows[r].Attr == first.Attr; ++r) {
            if (Rows[r].Entry < 0 || Rows[r].Entry >= static_cast<int>(attr->Flags.size())) {
                continue;
            }
            const TFlags& flag = attr->Flags[Rows[r].Entry];
            const bool set = bitOf(attr->RawValue, flag.Bit);
            // Every row shows the frame's state (cells and icons change only when they differ);
            // only a change since the frame this page last showed is stamped. A row is never
            // left with the state of a frame shown before a run or play back began.
            showRow(r, flag, set);
            if (live && bitOf(attr->ShownRaw, flag.Bit) != set) {
                QTreeWidgetItem& row = *list().topLevelItem(r);
                SetCell(row, colFrame, frame);
                SetCell(row, colTime, time);
            }
        }
        attr->ShownRaw = attr->RawValue;
    }
}

TfInfoFlag& TframeViewBitFlags::infoDialog() {
    if (!Info) {
        Info = std::make_unique<TfInfoFlag>(Engine, window());
    }
    return *Info;
}

void TframeViewBitFlags::MoreinfoClick() {
    int row = SelectedRow();
    if (row < 0) {
        return;
    }
    infoDialog().RowIndex = row;
    infoDialog().IsSet = RowSet(row);
    infoDialog().exec();
}
