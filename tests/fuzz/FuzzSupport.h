#pragma once
// Shared by the fuzz targets: the scratch folder for the files a target writes and reads back,
// and the check that stops the run, with what failed, when a property that must hold does not.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// A folder of its own under TMPDIR (or /tmp), removed with the process. One per fuzzing process:
// the target functions of libFuzzer take no context, so each target keeps it in a local static.
class FuzzScratch {
public:
    FuzzScratch() {
        const char* root = std::getenv("TMPDIR");
        std::string pattern = std::string(root && *root ? root : "/tmp") + "/quorvin-fuzz.XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("quorvin fuzz: no scratch folder");
            std::abort();
        }
        path_ = pattern;
    }
    ~FuzzScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    FuzzScratch(const FuzzScratch&) = delete;
    FuzzScratch& operator=(const FuzzScratch&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Writes the bytes to a file of the folder (replacing it) and returns its path.
    std::string Write(const std::string& name, const uint8_t* data, size_t size) const {
        const std::string path = File(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out.flush()) {
            std::perror(("quorvin fuzz: cannot write " + path).c_str());
            std::abort();
        }
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path path_;
};

// A property every input must keep: a failure is a finding, reported like a crash.
inline void FuzzCheck(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "quorvin fuzz: check failed: %s\n", what);
        std::abort();
    }
}
