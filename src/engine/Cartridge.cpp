#include "engine/Cartridge.h"

#include "common/Format.h"
#include "definitions/XMLData.h"

TCartridge::TCartridge(TVehicle& vehicle, TRS232& link, TRtime& timer, TConsoleWriter consoleWriter)
    : ConsoleWriter(std::move(consoleWriter)), Vehicle(vehicle), Link(link), Timer(timer) {}

void TCartridge::console(const std::string& text, int level) const {
    if (ConsoleWriter) {
        ConsoleWriter(text, level);
    }
}

void TCartridge::detail(const std::string& text, int level) const {
    if (ConsoleDetail) {
        console(text, level);
    }
}

void TCartridge::ResetValues() {
    ItemIndex = 0;
    IterCount = 0;
    for (TMacroItem& item : Items) {
        for (TAttr& attr : item.Request.Attrs) {
            attr.RawValue = attr.PrevRaw = attr.ShownRaw = 0;
            attr.Value = attr.AboveMaxCount = attr.BelowMinCount = attr.SampleCount = 0;
        }
    }
}

float TCartridge::GetAttrValue(int item, int attr, int bit) const {
    // Indices beyond the image are a caller's slip; answering "no value" keeps a gauge harmless.
    if (item < 0 || attr < 0 || item >= ItemCount || attr >= Items[item].Request.AttrCount) {
        return MissingValue;
    }
    const TAttr& a = Items[item].Request.Attrs[attr];
    if (bit < 0) {
        return a.Value;
    }
    if (bit > 31) {
        return 0;
    }
    return (static_cast<uint32_t>(a.RawValue) >> bit & 1u) ? 1.0f : 0.0f;
}

std::string TCartridge::GetNoteName(int k) const {
    if (k < 0 || k >= NoteCount) {
        return Format("?%d?", k);
    }
    return NoteNames[k];
}

void TCartridge::SetNoteName(int k, const std::string& text) {
    if (k >= 0 && k < NoteCount) {
        NoteNames[k] = text;
    }
}

TPickListItem TCartridge::GetPickListItem(int k) const {
    if (k < 0 || k >= PickListSize) {
        return {};
    }
    return PickList[k];
}

void TCartridge::SetPickListItem(int k, const TPickListItem& item) {
    if (k >= 0 && k < PickListSize) {
        PickList[k] = item;
    }
}

void TCartridge::ClearPickList() {
    PickList.fill(TPickListItem{});
}

namespace {

// Takes a gauge off every image attribute, DTC and flag that shows it.
void clearGauge(std::vector<TMacroItem>& items, int count, int dash) {
    for (int i = 0; i < count; ++i) {
        for (TAttr& a : items[i].Request.Attrs) {
            if (a.AType == 3) {
                for (TDTCs& d : a.DTCs) {
                    if (d.Dash == dash) {
                        d.Dash = 0;
                    }
                }
            } else if (a.AType == 4) {
                for (TFlags& f : a.Flags) {
                    if (f.Dash == dash) {
                        f.Dash = 0;
                    }
                }
            } else if (a.Dash == dash) {
                a.Dash = 0;
            }
        }
    }
}

} // namespace

void TCartridge::AssignDisplay(int chart, int series, int bit, int entry, int item, int attr,
                               int dash) {
    if (item < 0 || item >= ItemCount || attr < 0 || attr >= Items[item].Request.AttrCount) {
        return;
    }
    TAttr& target = Items[item].Request.Attrs[attr];
    if (!Vehicle.Modules->Locate("MCode", TValue(Items[item].MCode)) ||
        !Vehicle.Requests->Locate("RCode", TValue(Items[item].RCode)) ||
        !Vehicle.Attrs->Locate("AID", TValue(int32_t{target.AID}))) {
        return;
    }
    if (chart >= 0 && series >= 0) {
        Vehicle.ClearAssignments(chart, series, -1);
        Vehicle.Attrs->Edit();
        Vehicle.Attrs->SetAsInteger("Chart", chart);
        Vehicle.Attrs->SetAsInteger("Series", series);
        Vehicle.Attrs->Post();
        // The tables lost this series everywhere, so the image does too (not only this item).
        for (int i = 0; i < ItemCount; ++i) {
            for (TAttr& a : Items[i].Request.Attrs) {
                if (a.Chart == chart && a.Series == series) {
                    a.Chart = a.Series = 0;
                }
            }
        }
        target.Chart = chart;
        target.Series = series;
    }
    if (dash < 0) {
        return;
    }
    Vehicle.ClearAssignments(-1, -1, dash);
    clearGauge(Items, ItemCount, dash);
    if (bit < 0) {
        Vehicle.Attrs->Edit();
        Vehicle.Attrs->SetAsInteger("Dash", dash);
        Vehicle.Attrs->Post();
        target.Dash = dash;
        return;
    }
    const bool dtc = Vehicle.Attrs->AsInteger("AType") == 3;
    TTable& rows = dtc ? *Vehicle.DTCs : *Vehicle.Flags;
    if (rows.Locate("Bit", TValue(int32_t{bit}))) {
        rows.Edit();
        rows.SetAsInteger("Dash", dash);
        rows.Post();
    }
    if (dtc && entry >= 0 && entry < target.DTCCount) {
        target.DTCs[entry].Dash = dash;
    } else if (!dtc && entry >= 0 && entry < target.FlagCount) {
        target.Flags[entry].Dash = dash;
    }
}
