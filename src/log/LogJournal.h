#pragma once
// The journal of a run: every logged frame appended to a log file in the binary record layout
// as it is read, so the journal is itself a valid log, and a crash or a power loss costs at most
// the last second of frames. The window keeps one per capture until the capture is saved or
// discarded; one left behind by a crash is offered at the next start.
#include "engine/RunWorker.h"
#include "log/AppendFile.h"

#include <string>
#include <vector>

class TLogJournal : public TFrameJournal {
public:
    // The file is created at the first frame, so a run that logs nothing leaves no file; a name
    // taken meanwhile gives way to the next free one. A journal left behind is taken over the
    // same way: Remove deletes it.
    explicit TLogJournal(std::string path);

    void Append(const TPacket& frame) override;
    void Tick() override;
    void Flush() override;

    const std::string& Path() const { return path_; }
    int Frames() const { return frames_; }
    // Closes the file and deletes it (the capture was saved or discarded).
    void Remove();

private:
    std::string path_;
    TAppendFile file_;
    int frames_ = 0;
    bool dataStream_ = false; // ".BIN": the raw data stream
};

// A free journal name in folder: "Unsaved log yyyy-mm-dd hh.nn.ss.alg", "-2", "-3" ... when taken.
std::string NewJournalPath(const std::string& folder, double now);
// The journals in folder that no running program holds, oldest first.
std::vector<std::string> LeftJournals(const std::string& folder);
