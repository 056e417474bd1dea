#include "views/ViewDTCs.h"

#include "engine/Cartridge.h"
#include "views/InfoDTC.h"

#include <QTreeWidget>

namespace {

const char* const EmptyPageText =
    "\r\nThe currently selected macro does\r\nnot return any DTCs.\r\nTo display DTCs here, "
    "first\r\nselect a macro that returns DTCs.\r\n";

const std::vector<TListColumn>& Columns() {
    static const std::vector<TListColumn> columns = {{"Description", 160, false},
                                                     {"Module", 90, false},
                                                     {"Table", 45, true},
                                                     {"DTC", 40, true},
                                                     {"CEL", 40, false},
                                                     {"Reference", 80, false},
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

std::vector<TRowRef> DTCRows(const TCartridge& engine) {
    std::vector<TRowRef> rows;
    for (int i = 0; i < ImageItemCount(engine); ++i) {
        for (int a = 0; a < ImageAttrCount(engine, i); ++a) {
            const TAttr& attr = engine.Items[i].Request.Attrs[a];
            if (attr.AType == 3) {
                for (int e = static_cast<int>(attr.DTCs.size()) - 1; e >= 0; --e) {
                    rows.push_back({i, a, e});
                }
            }
        }
    }
    return rows;
}

TframeViewDTCs::TframeViewDTCs(TCartridge& engine, QWidget* parent)
    : TListPageFrame(Columns(), parent), Engine(engine) {
    setObjectName(QStringLiteral("frameViewDTCs"));
    OnStyleCommand = [this](TViewStyle style) { ApplyStyle(style); };
    OnMoreInfo = [this] { MoreinfoClick(); };
    ShowEmptyText(EmptyPageText);
}

TframeViewDTCs::~TframeViewDTCs() = default;

void TframeViewDTCs::Populate() {
    RemoveRows();
    AnySet = false;
    Rows = DTCRows(Engine);
    Shown.assign(Rows.size(), 0);
    for (const TRowRef& ref : Rows) {
        const TMacroItem& item = Engine.Items[ref.Item];
        const TDTCs& dtc = item.Request.Attrs[ref.Attr].DTCs[ref.Entry];
        AddRow(DTCIcon(false),
               {QString::fromStdString(dtc.Desc), QString::fromStdString(item.MCode),
                QString::number(item.Request.MessageNo), QString::fromStdString(dtc.DTC),
                dtc.CEL ? QStringLiteral("True") : QStringLiteral("False"),
                QString::fromStdString(dtc.Reference), QString::number(dtc.Note), Dash, Dash});
    }
    Clear();
    FitTextColumns();
    ShowEmptyText(EmptyPageText);
}

void TframeViewDTCs::Clear() {
    for (int r = 0; r < std::min<int>(list().topLevelItemCount(), Shown.size()); ++r) {
        setRowIcon(r, false);
        QTreeWidgetItem& row = *list().topLevelItem(r);
        SetCell(row, colFrame, Dash);
        SetCell(row, colTime, Dash);
    }
    AnySet = false;
    Reported = false;
    if (OnCodeSetChanged) {
        OnCodeSetChanged();
    }
}

bool TframeViewDTCs::RowSet(int row) const {
    return row >= 0 && row < static_cast<int>(Shown.size()) && Shown[row] != 0;
}

void TframeViewDTCs::setRowIcon(int row, bool set) {
    const char shown = set ? 1 : 0;
    if (Shown[row] != shown) {
        Shown[row] = shown;
        list().topLevelItem(row)->setIcon(0, DTCIcon(set));
    }
}

void TframeViewDTCs::ShowValues(bool live, const std::string& frameText,
                                const std::string& timeText) {
    AnySet = false;
    bool anyAttribute = false;
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
        anyAttribute = true;
        if (attr->RawValue > 0) {
            AnySet = true;
        }
        // The rows of one attribute follow each other.
        const TRowRef first = Rows[r];
        for (; r < count && Rows[r].Item == first.Item && Rows[r].Attr == first.Attr; ++r) {
            if (Rows[r].Entry < 0 || Rows[r].Entry >= static_cast<int>(attr->DTCs.size())) {
                continue;
            }
            const int bit = attr->DTCs[Rows[r].Entry].Bit;
            const bool set = bitOf(attr->RawValue, bit);
            // Every icon shows the frame's state (it changes only when it differs); only a
            // change since the frame this page last showed is stamped. A row is never left with
            // the state of a frame shown before a run or play back began.
            setRowIcon(r, set);
            if (live && bitOf(attr->ShownRaw, bit) != set) {
                QTreeWidgetItem& row = *list().topLevelItem(r);
                SetCell(row, colFrame, frame);
                SetCell(row, colTime, time);
            }
        }
        // The raw value the rows now show, zero included, so that a code that clears is stamped
        // once, at the frame where it cleared.
        attr->ShownRaw = attr->RawValue;
    }
    if (anyAttribute) {
        reportCodeSet(AnySet);
    }
}

void TframeViewDTCs::reportCodeSet(bool set) {
    if (set != Reported) {
        Reported = set;
        if (OnCodeSetChanged) {
            OnCodeSetChanged();
        }
    }
}

TfInfoDTC& TframeViewDTCs::infoDialog() {
    if (!Info) {
        Info = std::make_unique<TfInfoDTC>(Engine, window());
    }
    return *Info;
}

void TframeViewDTCs::MoreinfoClick() {
    int row = SelectedRow();
    if (row < 0) {
        return;
    }
    infoDialog().RowIndex = row;
    infoDialog().IsSet = RowSet(row);
    infoDialog().exec();
}
