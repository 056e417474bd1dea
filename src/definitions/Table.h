#pragma once
// In-memory nested tables with a cursor: the storage of a vehicle definition.
//
// A TTable is a view with a cursor onto a list of records. The root table (Vehicles) owns its
// records; a nested table (Modules, Requests, Attrs ...) is a view onto the child list of its
// parent's current record and follows the parent's cursor: moving the parent puts the child on
// its first child record. Every table keeps its records in the order of its unique "Sorted" key,
// checked among the siblings of one parent record.
//
// Iterating a vehicle's modules, requests and attributes (TVehicle in "definitions/XMLData.h"):
//
//     TVehicle& v = ...;
//     TTable& modules = *v.Modules; // or v.Modules->First() through the TCds
//     for (modules.First(); !modules.Eof(); modules.Next()) {
//         std::string mcode = modules.AsString("MCode");
//         for (v.Requests->First(); !v.Requests->Eof(); v.Requests->Next()) {
//             int messageNo = ReadInt(v.Requests->AsString("Parameters"));
//             double rfactor = v.RScale->AsFloat("Factor"); // the request's Scale row (0 if none)
//             for (v.Attrs->First(); !v.Attrs->Eof(); v.Attrs->Next()) {
//                 double start = v.Attrs->AsFloat("Start");
//                 double factor = v.AScale->AsFloat("Factor"); // the attribute's Scale row
//                 for (v.DTCs->First(); !v.DTCs->Eof(); v.DTCs->Next()) { ... }
//             }
//         }
//     }
//     if (v.Macros->Locate("MacID", TValue(int32_t(macId)))) { ... v.Items->First() ... }
//
// Editing: Edit() (or Insert()/Append()), set fields, Post(). Setting a field outside Edit or
// Insert throws. Moving the cursor of a table that is being edited posts it first. A post that
// breaks the unique key throws EQuorvinError("Key violation ...") and the record stays unposted.
// Text keys order without regard to ASCII letter case, ties broken by exact comparison, so
// "ecm" and "ECM" may both exist and sort next to each other; empty values sort first.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

enum class TFieldType {
    ftAutoInc,
    ftString,
    ftInteger,
    ftFloat,
    ftBoolean,
    ftDate,
    ftMemo,
    ftNested
};

// One column definition of a static field list: name, data type and size (the text length of
// str(n) fields, 0 otherwise).
struct TColDefs {
    const char* Name;
    TFieldType DataType;
    int Size;
};

// A field value. monostate = empty (null). Dates are held as int32 yyyymmdd.
using TValue = std::variant<std::monostate, int32_t, double, bool, std::string>;

struct TTableDef;
struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftString;
    int Size = 0;
    std::shared_ptr<const TTableDef> Child; // layout of a nested table field
    int NestedSlot = -1;                    // index into TRecord::Children for nested fields
};

// The layout of one table: its fields, its key and the defaults a loaded record starts with.
struct TTableDef {
    std::string Name;
    std::vector<TFieldDef> Fields;
    std::vector<int> KeyFields;                       // the "Sorted" index, empty = file order
    std::vector<std::pair<int, TValue>> LoadDefaults; // field index, value
    int NestedCount = 0;

    int FieldIndex(const std::string& name) const;       // exact; -1 when absent
    int FieldIndexNoCase(const std::string& name) const; // ASCII case-insensitive; -1 when absent
};

struct TRecord;
using TRecordList = std::vector<std::unique_ptr<TRecord>>;
struct TRecord {
    std::vector<TValue> Values;        // one per field; nested fields stay empty
    std::vector<TRecordList> Children; // one list per nested field (TFieldDef::NestedSlot)
};

enum class TTableState { dsInactive, dsBrowse, dsEdit, dsInsert };
enum class TTableEvent { teDataChanged, teScrolled, teStateChanged };

// Marks a record so that the cursor can return to it (valid while the record exists).
struct TBookmark {
    const TRecord* Record = nullptr;
    bool Valid() const { return Record != nullptr; }
};

class TTable;

// A light handle on one field of a table's current record.
class TField {
public:
    TField(TTable& table, int index) : table_(&table), index_(index) {}
    const std::string& FieldName() const;
    TFieldType DataType() const;
    int Size() const;
    bool IsNull() const;
    std::string AsString() const;
    int32_t AsInteger() const;
    double AsFloat() const;
    bool AsBool() const;
    const TValue& Value() const;
    void SetAsString(const std::string& v) const;
    void SetAsInteger(int32_t v) const;
    void SetAsFloat(double v) const;
    void SetAsBool(bool v) const;
    void SetValue(const TValue& v) const;
    void Clear() const;     // make empty
    TTable& Nested() const; // the nested table behind a nested field

private:
    TTable* table_;
    int index_;
};

class TTable {
public:
    using THook = std::function<void(TTable&)>;
    using TObserver = std::function<void(TTable&, TTableEvent)>;

    // A root table that owns its records.
    explicit TTable(std::shared_ptr<const TTableDef> def);
    ~TTable();
    TTable(const TTable&) = delete;
    TTable& operator=(const TTable&) = delete;

    const TTableDef& Def() const { return *def_; }
    const std::string& TableName() const { return def_->Name; }
    TTable* Parent() const { return parent_; }
    // The nested table behind a nested field (exact or case-insensitive name); throws if none.
    TTable& Nested(const std::string& fieldName);
    TTable& NestedAt(int fieldIndex);

    // ---- index ----
    // Adds the unique ascending index "Sorted" on the given fields ("A;B;C") and makes it
    // active; the records are re-sorted. Throws if the records break it.
    void AddIndex(const std::string& name, const std::string& fields);
    const std::string& IndexName() const { return indexName_; }

    // ---- cursor ----
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return RecordCount() == 0; }
    int RecordCount() const;
    int RecNo() const;      // index of the current record, 0-based; -1 when there is none
    void MoveTo(int index); // clamped into the records
    // First record in key order whose field equals value (converted to the field's type; texts
    // exact); becomes current when found. The cursor stays put when not found.
    bool Locate(const std::string& fieldName, const TValue& value);
    bool Locate(const std::string& fieldName, const char* value) {
        return Locate(fieldName, TValue(std::string(value)));
    }
    TBookmark Bookmark() const;
    bool GotoBookmark(const TBookmark& mark); // false (cursor unchanged) when the record is gone
    bool BookmarkValid(const TBookmark& mark) const;

    // ---- editing ----
    TTableState State() const { return state_; }
    bool Editing() const {
        return state_ == TTableState::dsEdit || state_ == TTableState::dsInsert;
    }
    void Insert(); // new record (posted into key order); becomes current
    void Append(); // as Insert; a table without a key puts it after the last record
    void Edit();
    void Post();
    void Cancel();
    void Delete();          // the current record, after the before-delete hook; throws when empty
    void CheckBrowseMode(); // posts when editing
    void EmptyTable();      // deletes every record (hooks run)

    // ---- fields of the current record (empty table / no record: reads give empty) ----
    int FieldCount() const { return static_cast<int>(def_->Fields.size()); }
    int FieldIndex(const std::string& name) const; // exact, then case-insensitive; throws
    TField FieldByName(const std::string& name) { return TField(*this, FieldIndex(name)); }
    TField Fields(int index) { return TField(*this, index); }
    bool IsNull(const std::string& name) const { return IsNullAt(FieldIndex(name)); }
    std::string AsString(const std::string& name) const { return AsStringAt(FieldIndex(name)); }
    int32_t AsInteger(const std::string& name) const { return AsIntegerAt(FieldIndex(name)); }
    double AsFloat(const std::string& name) const { return AsFloatAt(FieldIndex(name)); }
    bool AsBool(const std::string& name) const { return AsBoolAt(FieldIndex(name)); }
    void SetAsString(const std::string& name, const std::string& v) {
        SetAt(FieldIndex(name), TValue(v));
    }
    void SetAsInteger(const std::string& name, int32_t v) { SetAt(FieldIndex(name), TValue(v)); }
    void SetAsFloat(const std::string& name, double v) { SetAt(FieldIndex(name), TValue(v)); }
    void SetAsBool(const std::string& name, bool v) { SetAt(FieldIndex(name), TValue(v)); }
    void SetNull(const std::string& name) { SetAt(FieldIndex(name), TValue()); }
    void SetValue(const std::string& name, const TValue& v) { SetAt(FieldIndex(name), v); }

    // AsString gives dates as yyyy-mm-dd, bools as True/False, floats in the shortest form
    // that reads back the same double (with a point); the file uses ValueText instead.
    bool IsNullAt(int index) const;
    const TValue& ValueAt(int index) const;
    std::string AsStringAt(int index) const;
    int32_t AsIntegerAt(int index) const;
    double AsFloatAt(int index) const;
    bool AsBoolAt(int index) const;
    // Converts v to the field's type (texts are read leniently for numbers, "TRUE"/"FALSE"/
    // "1"/"0" for bools, yyyymmdd or yyyy-mm-dd for dates) and stores it; str(n) is cut to n.
    // Throws EQuorvinError when not editing or when the value does not fit the field.
    void SetAt(int index, const TValue& v);

    // Read access by position without moving the cursor (grids, the runtime image builder).
    const TRecord* RecordAt(int index) const;
    const TRecord* CurrentRecord() const;

    // ---- hooks and views ----
    void SetAfterPost(THook hook) { afterPost_ = std::move(hook); }
    void SetBeforeDelete(THook hook) { beforeDelete_ = std::move(hook); }
    int AddObserver(TObserver observer); // returns an id for RemoveObserver
    void RemoveObserver(int id);
    // Stops notifying observers (nested calls count); EnableControls sends one teDataChanged.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disabled_ > 0; }

    // ---- whole-tree helpers ----
    // Exchanges the records (and the ID counters of every nested table) with another root table
    // of the same layout, then puts every cursor on the first record. Used to replace a whole
    // definition at once after it was built aside.
    void SwapData(TTable& other);

    // Text form of a value for a field type (dates as yyyymmdd, floats round-trip exact).
    static std::string ValueText(const TValue& v, TFieldType type);
    // Converts text or another value to a field's type; false when it does not fit.
    static bool ConvertValue(const TValue& in, const TFieldDef& field, TValue& out);

private:
    friend class TField;
    TTable(std::shared_ptr<const TTableDef> def, TTable* parent, int slot);
    struct IdState;
    TRecord* current() const;
    TRecordList* list() const { return list_; }
    void attach(TRecordList* list); // re-point at a child list, cursor to first
    void syncChildren();
    void setCursor(int index);
    void notify(TTableEvent event);
    int compareKeys(const TRecord& a, const TRecord& b) const;
    int insertPosition(const TRecord& rec, const TRecord* skip, bool& duplicate) const;
    std::string keyText(const TRecord& rec) const;
    void newId(TRecord& rec);
    void releaseIds(const TRecord& rec);
    void sortList(TRecordList& l);
    void swapIds(TTable& other);

    std::shared_ptr<const TTableDef> def_;
    TTable* parent_ = nullptr;
    int slot_ = -1;               // nested slot in the parent's records
    TRecordList own_;             // records of a root table
    TRecordList* list_ = nullptr; // the records seen now (own_ or a parent's child list)
    std::vector<std::unique_ptr<TTable>> nested_; // one per nested field, by slot
    int cursor_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    TTableState state_ = TTableState::dsBrowse;
    std::unique_ptr<TRecord> pending_; // record being inserted
    int insertAt_ = -1;                // position for tables without a key, -1 = end
    std::vector<TValue> saved_;        // values before Edit, for Cancel
    std::string indexName_;
    std::vector<int> keys_;
    std::unique_ptr<IdState> ids_;
    THook afterPost_;
    THook beforeDelete_;
    std::vector<std::pair<int, TObserver>> observers_;
    int nextObserver_ = 1;
    int disabled_ = 0;
};
