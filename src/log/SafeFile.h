#pragma once
// A file written in pieces under a temporary name in the same folder and renamed over the
// target once complete, so a failed or abandoned write leaves any earlier file of that name
// whole. Large exports stream through it without being held in memory at once.
#include <string>
#include <string_view>

class TSafeFile {
public:
    // Creates the temporary file; raises "Can't save file %s. %s".
    explicit TSafeFile(std::string path);
    // Removes the temporary file unless Commit has put it in place.
    ~TSafeFile();
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    const std::string& Path() const { return path_; }
    void Write(std::string_view bytes);
    // The buffer to append to directly; WriteIfFull passes it on once it has grown.
    std::string& Buffer() { return buffer_; }
    void WriteIfFull();
    // Writes the rest, syncs and renames over the target; raises "Can't save file %s. %s" and
    // then leaves the target as it was.
    void Commit();

private:
    void writeBuffer();
    [[noreturn]] void fail(int code);

    static constexpr size_t ChunkSize = size_t{1} << 20;

    std::string path_;   // as the caller named it (the messages show it)
    std::string target_; // where the rename goes: the file a symbolic link names
    std::string temp_;
    std::string buffer_;
    int fd_ = -1;
};
