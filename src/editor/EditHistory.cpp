#include "editor/EditHistory.h"

#include "definitions/XMLData.h"

struct TEditHistory::TStep {
    TRecordList Records;  // the Vehicles table's records with everything nested in them
    TPath Where;          // where the change that led to this step was made
    std::string FileName; // deleting the vehicle clears it
};

namespace {

std::unique_ptr<TRecord> copyRecord(const TRecord& r) {
    auto copy = std::make_unique<TRecord>();
    copy->Values = r.Values;
    copy->Children.resize(r.Children.size());
    for (size_t slot = 0; slot < r.Children.size(); ++slot) {
        for (const auto& child : r.Children[slot]) {
            copy->Children[slot].push_back(copyRecord(*child));
        }
    }
    return copy;
}

// Appends copies of the records to a table of the same layout, IDs included; the records come
// in key order already, so appending keeps it.
void appendRecords(TTable& table, const TRecordList& records) {
    const TTableDef& def = table.Def();
    for (const auto& r : records) {
        table.Append();
        for (int f = 0; f < static_cast<int>(def.Fields.size()); ++f) {
            const TFieldDef& field = def.Fields[f];
            if (field.DataType == TFieldType::ftNested) {
                appendRecords(table.NestedAt(f), r->Children[field.NestedSlot]);
            } else {
                table.SetAt(f, r->Values[f]);
            }
        }
        table.Post();
    }
}

} // namespace

TEditHistory::TEditHistory(TVehicle& vehicle) : vehicle_(vehicle) {}

TEditHistory::~TEditHistory() = default;

void TEditHistory::Start() {
    steps_.clear();
    index_ = 0;
    fileName_ = vehicle_.FileName;
    dirty_ = vehicle_.Dirty;
    changed_ = vehicle_.Changed;
    unrecorded_ = true;
    Record();
}

void TEditHistory::NoteChange(const TPath& where) {
    if (!unrecorded_) {
        where_ = where;
    }
    unrecorded_ = true;
}

void TEditHistory::Record() {
    if (!unrecorded_) {
        return;
    }
    auto step = std::make_unique<TStep>();
    const TTable& vehicles = vehicle_.Vehicles;
    for (int i = 0; i < vehicles.RecordCount(); ++i) {
        step->Records.push_back(copyRecord(*vehicles.RecordAt(i)));
    }
    step->Where = steps_.empty() ? TPath() : where_;
    step->FileName = vehicle_.FileName;
    if (!steps_.empty()) {
        steps_.resize(index_ + 1);
    }
    steps_.push_back(std::move(step));
    index_ = steps_.size() - 1;
    unrecorded_ = false;
    where_.clear();
}

TEditHistory::TPath TEditHistory::Undo() {
    if (!CanUndo()) {
        return {};
    }
    const TPath where = steps_[index_]->Where;
    --index_;
    restore(*steps_[index_]);
    return where;
}

TEditHistory::TPath TEditHistory::Redo() {
    if (!CanRedo()) {
        return {};
    }
    ++index_;
    restore(*steps_[index_]);
    return steps_[index_]->Where;
}

void TEditHistory::Restore() {
    if (steps_.empty()) {
        return;
    }
    index_ = 0;
    unrecorded_ = false;
    restore(*steps_.front());
    vehicle_.FileName = fileName_;
    vehicle_.Dirty = dirty_;
    vehicle_.Changed = changed_;
    if (vehicle_.OnDirtyChanged) {
        vehicle_.OnDirtyChanged();
    }
}

void TEditHistory::restore(const TStep& step) {
    // Built aside, then exchanged as a whole: a failure leaves the definition as it was.
    TTable fresh(VehiclesLayout());
    appendRecords(fresh, step.Records);
    vehicle_.Vehicles->SwapData(fresh);
    vehicle_.FileName = step.FileName;
}
