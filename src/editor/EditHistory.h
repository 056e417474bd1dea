#pragma once
// The steps of a definition the vehicle editor can go back and forth between (Undo, Redo) and
// the state it was opened with (Cancel). Each step is a copy of the whole tree of records, taken
// without moving a cursor, with the IDs of the records (vehicle, module, request, attribute)
// where its change was made, so the editor can show that place again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TVehicle;

class TEditHistory {
public:
    using TPath = std::vector<int32_t>; // VID, MID, RID, AID as deep as the place goes

    explicit TEditHistory(TVehicle& vehicle);
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    // Takes the opened state (with the definition's file name and flags); forgets every step.
    void Start();
    // A post or delete was made at the place given (only the first one since the last step
    // counts as its place).
    void NoteChange(const TPath& where);
    bool HasUnrecordedChange() const { return unrecorded_; }
    // Copies the definition as a new step when it changed since the last one; the steps undone
    // before are dropped. The tables must not be in edit or insert.
    void Record();

    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ + 1 < steps_.size(); }
    // Put the definition back to the step before or after the current one and give the place of
    // the change undone or redone.
    TPath Undo();
    TPath Redo();
    // Puts the opened state back, with its file name, Dirty and Changed.
    void Restore();
    // True when a step was recorded or a change noted since the opened state (undone steps
    // count: their place is still the opened state's).
    bool ChangedSinceStart() const { return index_ > 0 || unrecorded_; }

private:
    struct TStep;
    void restore(const TStep& step);
    TVehicle& vehicle_;
    std::vector<std::unique_ptr<TStep>> steps_;
    size_t index_ = 0;
    bool unrecorded_ = false;
    TPath where_;
    std::string fileName_;
    bool dirty_ = false;
    bool changed_ = false;
};
