#pragma once
// A file written as data arrive: appends collect in memory and reach the disk (written and
// synced) once they have waited FlushInterval, and at Flush, so a crash or a power loss costs at
// most the last interval while the disk sees one write per interval, not one per frame.
#include <chrono>
#include <string>
#include <string_view>

class TAppendFile {
public:
    static constexpr std::chrono::milliseconds FlushInterval{500};

    TAppendFile() = default;
    ~TAppendFile(); // writes what is left, quietly, and closes
    TAppendFile(const TAppendFile&) = delete;
    TAppendFile& operator=(const TAppendFile&) = delete;

    // Creates the file, replacing one of that name; raises "Can't save file %s. %s". With lock,
    // holds an exclusive lock on it while it is open, so another process can tell that it is in
    // use.
    void Create(const std::string& path, bool lock = false);
    // As Create with the lock, for a file that must not exist yet: false when it does.
    bool CreateNew(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    void Append(std::string_view bytes);
    // The buffer to append to directly; call Appended afterwards.
    std::string& Buffer() { return buffer_; }
    void Appended();
    // Writes the buffer once it has waited FlushInterval.
    void FlushIfDue();
    // Writes and syncs the buffer; raises "Can't save file %s. %s". What was written before a
    // failure stays in the file.
    void Flush();
    // Flushes and closes; raises as Flush (the file is closed all the same).
    void Close();

private:
    int fd_ = -1;
    std::string path_;
    std::string buffer_;
    bool waiting_ = false; // the buffer holds bytes not yet written
    std::chrono::steady_clock::time_point since_;
};

// True when another open file (in any process) holds the lock TAppendFile::Create takes.
bool FileLockedElsewhere(const std::string& path);
