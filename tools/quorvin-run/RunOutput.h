#pragma once
// Where a headless run's frames go as they are read: the log file (or files of N frames each
// with a split) and the CSV file, each written through a buffer that reaches the disk at least
// once a second, so a killed run loses at most its last second. Nothing grows with the run.
#include "log/AppendFile.h"

#include <functional>
#include <string>

class TPacket;

class TRunOutput {
public:
    // log and csv may be empty (not wanted); split 0 keeps one log file.
    TRunOutput(std::string log, int split, std::string csv);

    // Creates the files before the run (the CSV with its header line), so a wrong path fails
    // at once; raises "Can't save file %s. %s".
    void Open(const std::string& csvHeader);
    // Appends a logged frame and its CSV row; a finished split file is named to said.
    void Frame(const TPacket& frame, const std::string& csvRow,
               const std::function<void(const std::string&)>& said);
    // Writes what has waited long enough.
    void Tick();
    // Writes the rest and closes the files; prints where the frames went. A log without frames
    // is removed again ("No frames logged; %s not written").
    void Close();

private:
    std::string logName(int part) const;
    void openLog();

    std::string log_;
    int split_;
    std::string csv_;
    TAppendFile logFile_;
    TAppendFile csvFile_;
    bool dataStream_;
    int part_ = 0;   // number of the split file being written
    int inPart_ = 0; // frames in it
    int frames_ = 0;
};
