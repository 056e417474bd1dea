#pragma once
#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Writes a file below the folder and returns its path.
    std::string Write(const std::string& name, const std::string& contents) const;
    static std::string Read(const std::string& path);

private:
    std::filesystem::path path_;
};
