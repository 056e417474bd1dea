#pragma once
// Where a headless run's frames go as they are read: the log file (or files of N frames each
// with a split) and the text exports (CSV, .msl), each written through a buffer that reaches the
// disk at least once a second, so a killed run loses at most its last second. Nothing grows with
// the run.
#include "log/AppendFile.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TPacket;

class TRunOutput {
public:
    // log may be empty (not wanted); split 0 keeps one log file.
    TRunOutput(std::string log, int split);

    // A text export, created by Open with its header; label names it in the last lines ("CSV").
    void AddText(const std::string& label, const std::string& path, const std::string& header);
    // Creates the files before the run, so a wrong path fails at once; raises "Can't save file
    // %s. %s".
    void Open();
    // Appends a logged frame, and to each text export i the row that rows(i, buffer) appends;
    // a finished split file is named to said.
    void Frame(const TPacket& frame, const std::function<void(size_t, std::string&)>& rows,
               const std::function<void(const std::string&)>& said);
    // Writes what has waited long enough.
    void Tick();
    // Writes the rest and closes the files; prints where the frames went. A log without frames
    // is removed again ("No frames logged; %s not written").
    void Close();

private:
    struct TText {
        std::string Label, Path, Header;
        TAppendFile File;
    };

    std::string logName(int part) const;
    void openLog();

    std::string log_;
    int split_;
    TAppendFile logFile_;
    std::vector<std::unique_ptr<TText>> texts_;
    bool dataStream_;
    int part_ = 0;   // number of the split file being written
    int inPart_ = 0; // frames in it
    int frames_ = 0;
};
