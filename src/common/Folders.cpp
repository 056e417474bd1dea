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
    std::string defaultDataDir, defaultVehicleDir, defaultHelpDir; // as InitFolders found them
    std::string programDirGiven; // SetProgramDir; empty = the executable's folder
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

// An installed program never writes into its installation, so the user gets a vehicle folder
// of their own, filled once with the bundled vehicles (Save vehicle then works on them). A
// folder that already exists is left as the user keeps it.
void seedVehicleFolder(const fs::path& bundled, const fs::path& folder) {
    std::error_code error;
    if (fs::exists(folder, error) || !fs::is_directory(bundled, error)) {
        return;
    }
    fs::create_directories(folder, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(bundled, error)) {
        if (entry.is_regular_file(error)) {
            fs::copy_file(entry.path(), folder / entry.path().filename(),
                          fs::copy_options::skip_existing, error);
        }
    }
}

} // namespace

void SetProgramDir(const std::string& dir) {
    folders().programDirGiven = dir;
    InitFolders();
}

void InitFolders() {
    Folders& f = folders();
    f.programDir = f.programDirGiven.empty() ? executableDir() : f.programDirGiven;
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
    f.defaultDataDir = f.dataDir;
    f.defaultVehicleDir = f.vehicleDir;
    f.defaultHelpDir = f.helpDir;
    if (f.installed) {
        seedVehicleFolder(fs::path(f.bundledDataDir) / "vehicles", f.vehicleDir);
    }
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
std::string OwnFilesDir() {
    const Folders& f = initialised();
    return f.installed ? f.userDataDir : f.programDir;
}
std::string FirstStartVehicle() {
    const Folders& f = initialised();
    if (!f.installed) {
        return {};
    }
    std::error_code error;
    for (const fs::path& file : {fs::path(f.vehicleDir) / SampleVehicleName,
                                 fs::path(f.bundledDataDir) / "vehicles" / SampleVehicleName}) {
        if (fs::is_regular_file(file, error)) {
            return file.string();
        }
    }
    return {};
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
std::string DefaultDataDir() {
    return initialised().defaultDataDir;
}
std::string DefaultVehicleDir() {
    return initialised().defaultVehicleDir;
}
std::string DefaultHelpDir() {
    return initialised().defaultHelpDir;
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
