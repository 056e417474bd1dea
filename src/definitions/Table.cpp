#include "definitions/Table.h"

#include "common/Errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_set>

namespace {

const TValue emptyValue;

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

int compareText(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = lowerAscii(a[i]);
        char y = lowerAscii(b[i]);
        if (x != y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    int exact = a.compare(b);
    return exact < 0 ? -1 : (exact > 0 ? 1 : 0);
}

template <typename T> int compareNumbers(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int compareValues(const TValue& a, const TValue& b) {
    if (a.index() != b.index()) {
        return a.index() < b.index() ? -1 : 1; // empty (index 0) first
    }
    switch (a.index()) {
    case 1:
        return compareNumbers(std::get<int32_t>(a), std::get<int32_t>(b));
    case 2:
        return compareNumbers(std::get<double>(a), std::get<double>(b));
    case 3:
        return compareNumbers(std::get<bool>(a), std::get<bool>(b));
    case 4:
        return compareText(std::get<std::string>(a), std::get<std::string>(b));
    default:
        return 0;
    }
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) {
        return {};
    }
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool parseInteger(const std::string& text, int32_t& out) {
    std::string t = trimmed(text);
    const char* b = t.data();
    const char* e = b + t.size();
    if (b != e && *b == '+') {
        ++b;
    }
    long long v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || b == e) {
        return false;
    }
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    out = static_cast<int32_t>(v);
    return true;
}

// Floats are written with a point; a comma is accepted as the decimal separator too, for files
// written under a locale that uses one.
bool parseFloat(const std::string& text, double& out) {
    std::string t = trimmed(text);
    if (t.find('.') == std::string::npos) {
        std::replace(t.begin(), t.end(), ',', '.');
    }
    const char* b = t.data();
    const char* e = b + t.size();
    if (b != e && *b == '+') {
        ++b;
    }
    double v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || b == e || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

bool parseBool(const std::string& text, bool& out) {
    std::string t = trimmed(text);
    if (equalNoCase(t, "TRUE") || t == "1" || equalNoCase(t, "YES")) {
        out = true;
        return true;
    }
    if (equalNoCase(t, "FALSE") || t == "0" || equalNoCase(t, "NO")) {
        out = false;
        return true;
    }
    return false;
}

bool validDate(int32_t ymd) {
    int y = ymd / 10000;
    int m = ymd / 100 % 100;
    int d = ymd % 100;
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) {
        return false;
    }
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= days[m - 1] + (m == 2 && leap ? 1 : 0);
}

bool parseDate(const std::string& text, int32_t& out) {
    std::string t = trimmed(text);
    if (t.size() == 10 && (t[4] == '-' || t[4] == '/') && t[7] == t[4]) {
        t = t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2);
    }
    if (t.size() != 8 ||
        !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    int32_t v = std::stoi(t);
    if (!validDate(v)) {
        return false;
    }
    out = v;
    return true;
}

// Cuts a text to at most n characters without splitting a UTF-8 sequence.
std::string cutText(const std::string& s, int n) {
    if (n <= 0 || static_cast<int>(s.size()) <= n) {
        return s;
    }
    int count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) {
                return s.substr(0, i);
            }
            ++count;
        }
    }
    return s;
}

std::string doubleText(double v) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

std::string dateText(int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08d", static_cast<int>(v));
    return buf;
}

bool isText(TFieldType t) {
    return t == TFieldType::ftString || t == TFieldType::ftMemo;
}
bool isInteger(TFieldType t) {
    return t == TFieldType::ftAutoInc || t == TFieldType::ftInteger;
}

} // namespace

// ---- TTableDef ----

int TTableDef::FieldIndex(const std::string& name) const {
    for (size_t i = 0; i < Fields.size(); ++i) {
        if (Fields[i].Name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TTableDef::FieldIndexNoCase(const std::string& name) const {
    for (size_t i = 0; i < Fields.size(); ++i) {
        if (equalNoCase(Fields[i].Name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// ---- TField ----

const std::string& TField::FieldName() const {
    return table_->def_->Fields[index_].Name;
}
TFieldType TField::DataType() const {
    return table_->def_->Fields[index_].DataType;
}
int TField::Size() const {
    return table_->def_->Fields[index_].Size;
}
bool TField::IsNull() const {
    return table_->IsNullAt(index_);
}
std::string TField::AsString() const {
    return table_->AsStringAt(index_);
}
int32_t TField::AsInteger() const {
    return table_->AsIntegerAt(index_);
}
double TField::AsFloat() const {
    return table_->AsFloatAt(index_);
}
bool TField::AsBool() const {
    return table_->AsBoolAt(index_);
}
const TValue& TField::Value() const {
    return table_->ValueAt(index_);
}
void TField::SetAsString(const std::string& v) const {
    table_->SetAt(index_, TValue(v));
}
void TField::SetAsInteger(int32_t v) const {
    table_->SetAt(index_, TValue(v));
}
void TField::SetAsFloat(double v) const {
    table_->SetAt(index_, TValue(v));
}
void TField::SetAsBool(bool v) const {
    table_->SetAt(index_, TValue(v));
}
void TField::SetValue(const TValue& v) const {
    table_->SetAt(index_, v);
}
void TField::Clear() const {
    table_->SetAt(index_, TValue());
}
TTable& TField::Nested() const {
    return table_->NestedAt(index_);
}

// ---- TTable ----

struct TTable::IdState {
    int field = -1; // the autoinc field, -1 when the table has none
    int32_t next = 1;
    std::unordered_set<int32_t> used;
};

TTable::TTable(std::shared_ptr<const TTableDef> def) : TTable(std::move(def), nullptr, -1) {
    list_ = &own_;
}

TTable::TTable(std::shared_ptr<const TTableDef> def, TTable* parent, int slot)
    : def_(std::move(def)), parent_(parent), slot_(slot), ids_(std::make_unique<IdState>()) {
    keys_ = def_->KeyFields;
    if (!keys_.empty()) {
        indexName_ = "Sorted";
    }
    nested_.resize(def_->NestedCount);
    for (size_t i = 0; i < def_->Fields.size(); ++i) {
        const TFieldDef& f = def_->Fields[i];
        if (f.DataType == TFieldType::ftNested) {
            nested_[f.NestedSlot].reset(new TTable(f.Child, this, f.NestedSlot));
        } else if (f.DataType == TFieldType::ftAutoInc && ids_->field < 0) {
            ids_->field = static_cast<int>(i);
        }
    }
}

TTable::~TTable() = default;

TTable& TTable::Nested(const std::string& fieldName) {
    return NestedAt(FieldIndex(fieldName));
}

TTable& TTable::NestedAt(int fieldIndex) {
    if (fieldIndex < 0 || fieldIndex >= FieldCount() ||
        def_->Fields[fieldIndex].DataType != TFieldType::ftNested) {
        throw EQuorvinError("Field is not a nested table in " + TableName());
    }
    return *nested_[def_->Fields[fieldIndex].NestedSlot];
}

int TTable::FieldIndex(const std::string& name) const {
    int i = def_->FieldIndex(name);
    if (i < 0) {
        i = def_->FieldIndexNoCase(name);
    }
    if (i < 0) {
        throw EQuorvinError("Field '" + name + "' not found in " + TableName());
    }
    return i;
}

void TTable::AddIndex(const std::string& name, const std::string& fields) {
    std::vector<int> keys;
    size_t pos = 0;
    while (pos <= fields.size()) {
        size_t end = fields.find(';', pos);
        if (end == std::string::npos) {
            end = fields.size();
        }
        std::string f = trimmed(fields.substr(pos, end - pos));
        if (!f.empty()) {
            keys.push_back(FieldIndex(f));
        }
        pos = end + 1;
    }
    CheckBrowseMode();
    keys_ = keys;
    indexName_ = name;
    if (list_) {
        sortList(*list_);
        setCursor(list_->empty() ? -1 : 0);
    }
}

void TTable::sortList(TRecordList& l) {
    std::stable_sort(l.begin(), l.end(),
                     [this](const auto& a, const auto& b) { return compareKeys(*a, *b) < 0; });
    for (size_t i = 1; i < l.size(); ++i) {
        if (compareKeys(*l[i - 1], *l[i]) == 0) {
            throw EQuorvinError("Key violation in " + TableName() + ": " + keyText(*l[i]));
        }
    }
}

int TTable::compareKeys(const TRecord& a, const TRecord& b) const {
    for (int k : keys_) {
        int c = compareValues(a.Values[k], b.Values[k]);
        if (c != 0) {
            return c;
        }
    }
    return 0;
}

std::string TTable::keyText(const TRecord& rec) const {
    std::string text;
    for (int k : keys_) {
        if (!text.empty()) {
            text += ", ";
        }
        const TFieldDef& f = def_->Fields[k];
        std::string v = ValueText(rec.Values[k], f.DataType);
        text += f.Name + " " + (v.empty() ? "(empty)" : v);
    }
    return text;
}

int TTable::insertPosition(const TRecord& rec, const TRecord* skip, bool& duplicate) const {
    duplicate = false;
    const TRecordList& l = *list_;
    if (keys_.empty()) {
        return static_cast<int>(l.size());
    }
    auto it = std::lower_bound(l.begin(), l.end(), &rec, [&](const auto& a, const TRecord* r) {
        return compareKeys(*a, *r) < 0;
    });
    for (auto j = it; j != l.end() && compareKeys(**j, rec) == 0; ++j) {
        if (j->get() != skip) {
            duplicate = true;
        }
    }
    return static_cast<int>(it - l.begin());
}

int TTable::RecordCount() const {
    return list_ ? static_cast<int>(list_->size()) : 0;
}

int TTable::RecNo() const {
    return state_ == TTableState::dsInsert ? -1 : cursor_;
}

TRecord* TTable::current() const {
    if (state_ == TTableState::dsInsert) {
        return pending_.get();
    }
    if (list_ && cursor_ >= 0 && cursor_ < static_cast<int>(list_->size())) {
        return (*list_)[cursor_].get();
    }
    return nullptr;
}

const TRecord* TTable::CurrentRecord() const {
    return current();
}

const TRecord* TTable::RecordAt(int index) const {
    if (!list_ || index < 0 || index >= static_cast<int>(list_->size())) {
        return nullptr;
    }
    return (*list_)[index].get();
}

void TTable::notify(TTableEvent event) {
    if (disabled_ > 0) {
        return;
    }
    auto observers = observers_; // an observer may remove itself
    for (auto& o : observers) {
        o.second(*this, event);
    }
}

void TTable::syncChildren() {
    TRecord* r = current();
    for (size_t s = 0; s < nested_.size(); ++s) {
        nested_[s]->attach(r ? &r->Children[s] : nullptr);
    }
}

void TTable::attach(TRecordList* l) {
    if (state_ == TTableState::dsInsert) {
        releaseIds(*pending_);
        pending_.reset();
    }
    state_ = TTableState::dsBrowse;
    saved_.clear();
    list_ = l;
    cursor_ = (l && !l->empty()) ? 0 : -1;
    bof_ = true;
    eof_ = cursor_ < 0;
    syncChildren();
    notify(TTableEvent::teDataChanged); // another parent record: another set of records
}

// Bof and Eof are set only by the moves that run into an end (First, Last, Next, Prior), as
// loops over a table expect; any other move clears both unless the table is empty.
void TTable::setCursor(int index) {
    int n = RecordCount();
    cursor_ = n == 0 ? -1 : std::clamp(index, 0, n - 1);
    bof_ = n == 0;
    eof_ = n == 0;
    syncChildren();
    notify(TTableEvent::teScrolled);
}

void TTable::CheckBrowseMode() {
    for (auto& n : nested_) {
        n->CheckBrowseMode();
    }
    if (Editing()) {
        Post();
    }
}

void TTable::First() {
    CheckBrowseMode();
    setCursor(0);
    bof_ = true;
}

void TTable::Last() {
    CheckBrowseMode();
    setCursor(RecordCount() - 1);
    eof_ = true;
}

void TTable::Next() {
    CheckBrowseMode();
    if (cursor_ + 1 < RecordCount()) {
        setCursor(cursor_ + 1);
    } else {
        eof_ = true;
    }
}

void TTable::Prior() {
    CheckBrowseMode();
    if (cursor_ > 0) {
        setCursor(cursor_ - 1);
    } else {
        bof_ = true;
    }
}

void TTable::MoveTo(int index) {
    CheckBrowseMode();
    setCursor(index);
}

bool TTable::Locate(const std::string& fieldName, const TValue& value) {
    int f = FieldIndex(fieldName);
    CheckBrowseMode();
    TValue wanted;
    if (!ConvertValue(value, def_->Fields[f], wanted)) {
        return false;
    }
    for (int i = 0; i < RecordCount(); ++i) {
        const TValue& v = (*list_)[i]->Values[f];
        if (v == wanted) {
            setCursor(i);
            return true;
        }
    }
    return false;
}

TBookmark TTable::Bookmark() const {
    return TBookmark{state_ == TTableState::dsInsert ? nullptr : current()};
}

bool TTable::BookmarkValid(const TBookmark& mark) const {
    if (!mark.Record || !list_) {
        return false;
    }
    return std::any_of(list_->begin(), list_->end(),
                       [&](const auto& r) { return r.get() == mark.Record; });
}

bool TTable::GotoBookmark(const TBookmark& mark) {
    if (!mark.Record || !list_) {
        return false;
    }
    CheckBrowseMode();
    for (int i = 0; i < RecordCount(); ++i) {
        if ((*list_)[i].get() == mark.Record) {
            setCursor(i);
            return true;
        }
    }
    return false;
}

void TTable::newId(TRecord& rec) {
    if (ids_->field < 0) {
        return;
    }
    while (ids_->used.count(ids_->next)) {
        ++ids_->next;
    }
    rec.Values[ids_->field] = ids_->next;
    ids_->used.insert(ids_->next);
    ++ids_->next;
}

void TTable::releaseIds(const TRecord& rec) {
    if (ids_->field >= 0) {
        if (auto* id = std::get_if<int32_t>(&rec.Values[ids_->field])) {
            ids_->used.erase(*id);
        }
    }
    for (size_t s = 0; s < nested_.size(); ++s) {
        for (const auto& child : rec.Children[s]) {
            nested_[s]->releaseIds(*child);
        }
    }
}

void TTable::Insert() {
    CheckBrowseMode();
    if (!list_) {
        throw EQuorvinError("Cannot insert into " + TableName() + ": the " +
                            (parent_ ? parent_->TableName() : std::string("parent")) +
                            " table has no current record");
    }
    insertAt_ = cursor_ < 0 ? 0 : cursor_;
    auto rec = std::make_unique<TRecord>();
    rec->Values.resize(def_->Fields.size());
    rec->Children.resize(def_->NestedCount);
    newId(*rec);
    pending_ = std::move(rec);
    state_ = TTableState::dsInsert;
    syncChildren();
    notify(TTableEvent::teStateChanged);
}

void TTable::Append() {
    Insert();
    insertAt_ = -1;
}

void TTable::Edit() {
    if (Editing()) {
        return;
    }
    TRecord* r = current();
    if (!r) {
        throw EQuorvinError("Cannot edit " + TableName() + ": there is no current record");
    }
    saved_ = r->Values;
    state_ = TTableState::dsEdit;
    notify(TTableEvent::teStateChanged);
}

void TTable::Post() {
    if (!Editing()) {
        return;
    }
    for (auto& n : nested_) {
        n->CheckBrowseMode();
    }
    TRecordList& l = *list_;
    if (state_ == TTableState::dsInsert) {
        bool duplicate = false;
        int pos = insertPosition(*pending_, nullptr, duplicate);
        if (duplicate) {
            throw EQuorvinError("Key violation in " + TableName() + ": " + keyText(*pending_));
        }
        if (keys_.empty()) {
            pos = insertAt_ < 0 ? static_cast<int>(l.size())
                                : std::min(insertAt_, static_cast<int>(l.size()));
        }
        l.insert(l.begin() + pos, std::move(pending_));
        cursor_ = pos;
    } else {
        TRecord* r = (*list_)[cursor_].get();
        bool duplicate = false;
        insertPosition(*r, r, duplicate);
        if (duplicate) {
            throw EQuorvinError("Key violation in " + TableName() + ": " + keyText(*r));
        }
        if (!keys_.empty()) {
            auto held = std::move(l[cursor_]);
            l.erase(l.begin() + cursor_);
            int pos = insertPosition(*held, nullptr, duplicate);
            l.insert(l.begin() + pos, std::move(held));
            cursor_ = pos;
        }
    }
    state_ = TTableState::dsBrowse;
    saved_.clear();
    bof_ = false;
    eof_ = false;
    notify(TTableEvent::teDataChanged);
    if (afterPost_) {
        afterPost_(*this);
    }
}

void TTable::Cancel() {
    for (auto& n : nested_) {
        n->Cancel();
    }
    if (state_ == TTableState::dsInsert) {
        releaseIds(*pending_);
        pending_.reset();
        state_ = TTableState::dsBrowse;
        setCursor(cursor_);
    } else if (state_ == TTableState::dsEdit) {
        (*list_)[cursor_]->Values = saved_;
        saved_.clear();
        state_ = TTableState::dsBrowse;
        notify(TTableEvent::teDataChanged);
    }
}

void TTable::Delete() {
    if (state_ == TTableState::dsInsert) {
        Cancel();
        return;
    }
    Cancel(); // an edit of this record or of its children is dropped with it
    if (!current()) {
        throw EQuorvinError("Cannot delete from " + TableName() + ": there is no current record");
    }
    if (beforeDelete_) {
        beforeDelete_(*this);
    }
    if (!current()) {
        return;
    }
    releaseIds(*(*list_)[cursor_]);
    list_->erase(list_->begin() + cursor_);
    setCursor(cursor_);
    notify(TTableEvent::teDataChanged);
}

void TTable::EmptyTable() {
    if (Editing()) {
        Cancel();
    }
    while (RecordCount() > 0) {
        setCursor(RecordCount() - 1);
        Delete();
    }
}

bool TTable::IsNullAt(int index) const {
    return ValueAt(index).index() == 0;
}

const TValue& TTable::ValueAt(int index) const {
    TRecord* r = current();
    if (!r || index < 0 || index >= FieldCount()) {
        return emptyValue;
    }
    return r->Values[index];
}

std::string TTable::AsStringAt(int index) const {
    const TValue& v = ValueAt(index);
    TFieldType t = def_->Fields[index].DataType;
    if (t == TFieldType::ftBoolean && v.index() == 3) {
        return std::get<bool>(v) ? "True" : "False";
    }
    if (t == TFieldType::ftDate && v.index() == 1) {
        std::string d = dateText(std::get<int32_t>(v));
        return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
    }
    return ValueText(v, t);
}

int32_t TTable::AsIntegerAt(int index) const {
    const TValue& v = ValueAt(index);
    switch (v.index()) {
    case 1:
        return std::get<int32_t>(v);
    case 2: {
        double d = std::round(std::get<double>(v));
        return static_cast<int32_t>(std::clamp(d, -2147483648.0, 2147483647.0));
    }
    case 3:
        return std::get<bool>(v) ? 1 : 0;
    case 4: {
        int32_t i = 0;
        return parseInteger(std::get<std::string>(v), i) ? i : 0;
    }
    default:
        return 0;
    }
}

double TTable::AsFloatAt(int index) const {
    const TValue& v = ValueAt(index);
    switch (v.index()) {
    case 1:
        return std::get<int32_t>(v);
    case 2:
        return std::get<double>(v);
    case 3:
        return std::get<bool>(v) ? 1 : 0;
    case 4: {
        double d = 0;
        return parseFloat(std::get<std::string>(v), d) ? d : 0;
    }
    default:
        return 0;
    }
}

bool TTable::AsBoolAt(int index) const {
    const TValue& v = ValueAt(index);
    switch (v.index()) {
    case 1:
        return std::get<int32_t>(v) != 0;
    case 2:
        return std::get<double>(v) != 0;
    case 3:
        return std::get<bool>(v);
    case 4: {
        bool b = false;
        return parseBool(std::get<std::string>(v), b) && b;
    }
    default:
        return false;
    }
}

void TTable::SetAt(int index, const TValue& v) {
    if (index < 0 || index >= FieldCount()) {
        throw EQuorvinError("Field index out of range in " + TableName());
    }
    const TFieldDef& f = def_->Fields[index];
    if (!Editing()) {
        throw EQuorvinError(TableName() + " is not in edit or insert mode (field " + f.Name + ")");
    }
    TValue value;
    if (!ConvertValue(v, f, value)) {
        throw EQuorvinError("'" + ValueText(v, TFieldType::ftString) +
                            "' is not a valid value for " + f.Name);
    }
    TRecord* r = current();
    if (f.DataType == TFieldType::ftAutoInc && index == ids_->field) {
        // The table assigns IDs; a stored one (from a file) is kept while it is still free.
        auto* id = std::get_if<int32_t>(&value);
        const TValue& old = r->Values[index];
        if (!id || *id <= 0 || state_ != TTableState::dsInsert) {
            if (value == old) {
                return;
            }
            throw EQuorvinError(f.Name + " is assigned by the table");
        }
        if (value == old) {
            return;
        }
        if (ids_->used.count(*id)) {
            throw EQuorvinError(f.Name + " " + std::to_string(*id) + " is already used");
        }
        if (auto* oldId = std::get_if<int32_t>(&old)) {
            ids_->used.erase(*oldId);
        }
        ids_->used.insert(*id);
        if (*id >= ids_->next && *id < std::numeric_limits<int32_t>::max()) {
            ids_->next = *id + 1;
        }
    }
    r->Values[index] = std::move(value);
}

bool TTable::ConvertValue(const TValue& in, const TFieldDef& field, TValue& out) {
    if (in.index() == 0) {
        out = TValue();
        return true;
    }
    const std::string* text = std::get_if<std::string>(&in);
    TFieldType t = field.DataType;
    if (isText(t)) {
        std::string s = text ? *text : ValueText(in, TFieldType::ftString);
        if (t == TFieldType::ftString) {
            s = cutText(s, field.Size);
        }
        out = s.empty() ? TValue() : TValue(std::move(s));
        return true;
    }
    if (text && trimmed(*text).empty()) {
        out = TValue();
        return true;
    }
    if (isInteger(t) || t == TFieldType::ftDate) {
        int32_t i = 0;
        if (text) {
            if (t == TFieldType::ftDate ? !parseDate(*text, i) : !parseInteger(*text, i)) {
                return false;
            }
        } else if (auto* d = std::get_if<double>(&in)) {
            if (*d != std::floor(*d) || *d < -2147483648.0 || *d > 2147483647.0) {
                return false;
            }
            i = static_cast<int32_t>(*d);
        } else if (auto* b = std::get_if<bool>(&in)) {
            i = *b ? 1 : 0;
        } else {
            i = std::get<int32_t>(in);
        }
        if (t == TFieldType::ftDate && !validDate(i)) {
            return false;
        }
        out = i;
        return true;
    }
    if (t == TFieldType::ftFloat) {
        double d = 0;
        if (text) {
            if (!parseFloat(*text, d)) {
                return false;
            }
        } else if (auto* i = std::get_if<int32_t>(&in)) {
            d = *i;
        } else if (auto* b = std::get_if<bool>(&in)) {
            d = *b ? 1 : 0;
        } else {
            d = std::get<double>(in);
            if (!std::isfinite(d)) {
                return false;
            }
        }
        out = d;
        return true;
    }
    if (t == TFieldType::ftBoolean) {
        bool b = false;
        if (text) {
            if (!parseBool(*text, b)) {
                return false;
            }
        } else if (auto* i = std::get_if<int32_t>(&in)) {
            b = *i != 0;
        } else if (auto* d = std::get_if<double>(&in)) {
            b = *d != 0;
        } else {
            b = std::get<bool>(in);
        }
        out = b;
        return true;
    }
    return false; // nested fields hold no value
}

std::string TTable::ValueText(const TValue& v, TFieldType type) {
    switch (v.index()) {
    case 1:
        return type == TFieldType::ftDate ? dateText(std::get<int32_t>(v))
                                          : std::to_string(std::get<int32_t>(v));
    case 2:
        return doubleText(std::get<double>(v));
    case 3:
        return std::get<bool>(v) ? "TRUE" : "FALSE";
    case 4:
        return std::get<std::string>(v);
    default:
        return {};
    }
}

int TTable::AddObserver(TObserver observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void TTable::RemoveObserver(int id) {
    observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                    [id](const auto& o) { return o.first == id; }),
                     observers_.end());
}

void TTable::DisableControls() {
    ++disabled_;
}

void TTable::EnableControls() {
    if (disabled_ > 0 && --disabled_ == 0) {
        notify(TTableEvent::teDataChanged);
    }
}

void TTable::swapIds(TTable& other) {
    std::swap(ids_, other.ids_);
    for (size_t s = 0; s < nested_.size() && s < other.nested_.size(); ++s) {
        nested_[s]->swapIds(*other.nested_[s]);
    }
}

void TTable::SwapData(TTable& other) {
    if (parent_ || other.parent_ || def_->Fields.size() != other.def_->Fields.size()) {
        throw EQuorvinError("SwapData needs two root tables of one layout");
    }
    if (Editing()) {
        Cancel();
    }
    if (other.Editing()) {
        other.Cancel();
    }
    std::swap(own_, other.own_);
    swapIds(other);
    setCursor(0);
    other.setCursor(0);
    notify(TTableEvent::teDataChanged);
}
