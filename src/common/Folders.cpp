#include "common/Common.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Folders {
    std::string programDir;
    std::string userDataDir;
    std::string iniPath;
    std::string bundledDataDir;
    std::string dataDir;
    std::string vehicleDir;
    std::string helpDir;
    bool installed = false;
};

Folders& folders() {
    static Folders f;
    return f;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string homeDir() {
    return envOr("HOME", "/tmp");
}

std::string configHome() {
    return envOr("XDG_CONFIG_HOME", homeDir() + "/.config");
}

// The documents folder named in user-dirs.dirs (XDG_DOCUMENTS_DIR="$HOME/Documents"), else $HOME.
std::string documentsDir() {
    std::ifstream dirs(configHome() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = homeDir() + value.substr(5);
        }
        if (!value.empty() && value != homeDir() + "/") {
            return value;
        }
    }
    return homeDir();
}

std::string executableDir() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return fs::current_path(error).string();
    }
    return exe.parent_path().string();
}

} // namespace

void InitFolders() {
    Folders& f = folders();
    f.programDir = executableDir();
    const fs::path share = fs::path(f.programDir).parent_path() / "share" / "quorvin";
    std::error_code error;
    f.installed = fs::path(f.programDir).filename() == "bin" && fs::is_directory(share, error);
    if (f.installed) {
        f.bundledDataDir = share.string();
    } else {
#ifdef QUORVIN_SOURCE_DATA_DIR
        f.bundledDataDir = QUORVIN_SOURCE_DATA_DIR;
#else
        f.bundledDataDir = f.programDir + "/data";
#endif
    }
    f.userDataDir = documentsDir() + "/Quorvin/V4";
    if (f.installed) {
        f.iniPath = configHome() + "/Quorvin/QuorvinV4.ini";
        f.vehicleDir = f.userDataDir + "/Vehicle data streams";
    } else {
        f.iniPath = f.programDir + "/QuorvinV4.ini";
        f.vehicleDir = f.bundledDataDir + "/vehicles";
    }
    f.iniPath = envOr("QUORVIN_INI", f.iniPath);
    f.dataDir = f.userDataDir + "/Logged data";
    f.helpDir = f.bundledDataDir + "/doc";
}

namespace {

const Folders& initialised() {
    if (folders().programDir.empty()) {
        InitFolders();
    }
    return folders();
}

} // namespace

const std::string& ProgramDir() {
    return initialised().programDir;
}
const std::string& UserDataDir() {
    return initialised().userDataDir;
}
const std::string& IniPath() {
    return initialised().iniPath;
}
const std::string& BundledDataDir() {
    return initialised().bundledDataDir;
}
bool IsInstalledLayout() {
    return initialised().installed;
}
std::string DataDir() {
    return initialised().dataDir;
}
std::string VehicleDir() {
    return initialised().vehicleDir;
}
std::string HelpDir() {
    return initialised().helpDir;
}
void SetDataDir(const std::string& dir) {
    initialised();
    folders().dataDir = dir;
}
void SetVehicleDir(const std::string& dir) {
    initialised();
    folders().vehicleDir = dir;
}
void SetHelpDir(const std::string& dir) {
    initialised();
    folders().helpDir = dir;
}
