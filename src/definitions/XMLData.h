#pragma once
// One vehicle definition in memory (TVehicle), its vehicle file, the scale codes catalogue and
// the mode byte list. See "definitions/Table.h" for the table engine and how to iterate it.
#include "definitions/Table.h"

#include <functional>
#include <memory>
#include <string>

// Wraps one table of the tree: it refers to the table (not owning it) and, when created, gives
// it its unique "Sorted" index. With an empty nested field name it wraps the parent itself.
class TCds {
public:
    TCds(TTable& parent, const std::string& nestedFieldName, const std::string& keyFields);
    TTable& Table() const { return *table_; }
    TTable* operator->() const { return table_; }
    TTable& operator*() const { return *table_; }
    operator TTable&() const { return *table_; }

private:
    TTable* table_;
};

// Attribute types (AType).
enum TAttrType : int {
    atScaled = 0,
    atLookup = 1,
    atRaw = 2,
    atDTC = 3,
    atFlags = 4,
    atEnum = 5,
};
// "Scaled value", "Lookup table", "Raw byte", "DTCunction", "Bit flag", "Enumeration"; "" else.
const char* ATypeText(int atype);

// Table layouts (shared by every TVehicle and by the file reader).
std::shared_ptr<const TTableDef> VehiclesLayout();   // with every nested table below it
std::shared_ptr<const TTableDef> ScaleCodesLayout(); // the flat catalogue (17 Scale fields)

// Called with the text of a load or save failure; the desktop program shows a message box.
using TErrorReporter = std::function<void(const std::string& message)>;

class TVehicle {
public:
    // Builds all tables, reads the mode descriptions from the ini file and loads the scale codes
    // catalogue. Never fails. scalesFile empty: "Scales.xml" in the folder of IniPath(); when it
    // is missing the catalogue is read from seedScalesFile (empty: the bundled "Scales.xml") and
    // written to scalesFile at exit. iniFile empty: IniPath().
    explicit TVehicle(void* owner = nullptr, std::string scalesFile = {}, std::string iniFile = {},
                      std::string seedScalesFile = {});
    // Saves the scale codes catalogue (unless it existed and could not be read at start).
    ~TVehicle();
    TVehicle(const TVehicle&) = delete;
    TVehicle& operator=(const TVehicle&) = delete;

    // Replaces the definition with the first vehicle of the file (the name's extension becomes
    // ".xml"). The file is read into a tree aside; the current definition changes only when the
    // whole file loaded. Reports failure through the error reporter; never throws. Once the file
    // has loaded, beforeReplace (when given) may still decline the change: false keeps the
    // current definition and returns false.
    bool LoadFromFile(const std::string& fileName, const std::function<bool()>& beforeReplace = {});
    // Writes the definition (empty name: vehicle folder + "/" + VCode + ".xml") through a
    // temporary file and a rename. Reports failure through the error reporter; never throws.
    bool SaveToFile(const std::string& fileName);
    bool Save() { return SaveToFile(FileName); }
    // Removes a chart series and/or a gauge assignment from every attribute (and DTC and flag
    // row) that holds it; a negative argument skips that part. The current module, request,
    // attribute and item stay current.
    void ClearAssignments(int chart, int series, int gauge);

    // Copies every source record into dest, fields matched by exact name, nested tables
    // recursively; load defaults of dest apply; refused values are ignored. The last inserted
    // record is left for the caller to post.
    static void CopyRecords(TTable& dest, TTable& source);
    // Normalised vehicle file name: the extension replaced by (or ".xml" appended).
    static std::string NormaliseFileName(const std::string& fileName);

    void MarkChanged();                 // after-post hook of every definition table
    void DeleteChildren(TTable& table); // before-delete hook of every definition table

    void SetOnDirtyChanged(std::function<void()> callback) { OnDirtyChanged = std::move(callback); }
    void SetErrorReporter(TErrorReporter reporter); // empty: write to stderr
    void ReportError(const std::string& message) const;

    const std::string& ScalesFile() const { return scalesFile_; }
    bool ScalesUnreadable() const { return scalesUnreadable_; } // will not be overwritten at exit
    void SaveScaleCodes(); // writes the catalogue now (also done by the destructor)

private:
    std::unique_ptr<TTable> vehicles_; // the root of the tree (owned)

public:
    void* Owner;
    std::string FileName;
    bool Dirty = false;
    std::function<void()> OnDirtyChanged;
    bool Changed = false;
    TTable ModeBytes;  // ModeByte, ModeDesc: 19 records, empty then "$00" to "$11"
    TTable ScaleCodes; // the catalogue: 17 Scale fields, file order
    TCds Vehicles;
    TCds Modules;
    TCds Macros;
    TCds Items;
    TCds Requests;
    TCds RScale; // the request's Scale
    TCds Attrs;
    TCds AScale; // the attribute's Scale
    TCds Table;  // lookup table
    TCds DTCs;
    TCds Flags;
    TCds Enums;

private:
    void setHooks(TTable& table);
    void loadScaleCodes();
    void loadModeBytes(const std::string& iniFile);
    void fireDirtyChanged();
    TErrorReporter reporter_;
    std::string scalesFile_;
    std::string seedScalesFile_;
    bool scalesUnreadable_ = false;
};
