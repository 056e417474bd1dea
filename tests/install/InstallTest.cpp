// The installed programs as a user gets them: cmake --install into a temporary prefix, and the
// Debian package built by cpack and unpacked into a fresh folder. The programs run from there
// against the bundled vehicle and must find their data without writing into the installation.
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const std::string BuildDir = QUORVIN_BUILD_DIR;
const std::string CMake = QUORVIN_CMAKE;
const std::string CPack = QUORVIN_CPACK;

struct Result {
    int status = -1;
    std::string out; // standard output and error
};

Result run(const std::string& command) {
    Result result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return result;
    }
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.out.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// A command run as a user with a home of their own and no settings yet.
std::string asNewUser(const std::string& home, const std::string& command) {
    return "env -u QUORVIN_INI -u XDG_CONFIG_HOME HOME=" + quoted(home) + " " + command;
}

// The files every installation has, below its prefix.
std::vector<std::string> expectedFiles() {
    std::vector<std::string> files{"bin/quorvin-run",
                                   "bin/ecm-sim",
                                   "share/quorvin/vehicles/SIM-V8.xml",
                                   "share/quorvin/Scales.xml",
                                   "share/quorvin/doc/index.htm",
                                   "share/man/man1/quorvin-run.1.gz",
                                   "share/man/man1/ecm-sim.1.gz",
                                   "share/doc/quorvin/README.md"};
    if (QUORVIN_WITH_GUI) {
        for (const char* file :
             {"bin/quorvin", "share/man/man1/quorvin.1.gz", "share/applications/quorvin.desktop",
              "share/icons/hicolor/scalable/apps/quorvin.svg"}) {
            files.push_back(file);
        }
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            files.push_back("share/icons/hicolor/" + std::to_string(size) + "x" +
                            std::to_string(size) + "/apps/quorvin.png");
        }
    }
    return files;
}

std::map<std::string, fs::file_time_type> filesBelow(const fs::path& folder) {
    std::map<std::string, fs::file_time_type> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        files[entry.path().string()] = entry.last_write_time();
    }
    return files;
}

// The programs of a prefix run as a new user: the versions, then a short run against the
// simulator with the bundled vehicle, writing its log into the user's data folder.
void runInstalledPrograms(const fs::path& prefix, const std::string& home) {
    const std::string bin = (prefix / "bin").string();
    const std::string version = std::string(" (Quorvin V4) ") + QUORVIN_VERSION + "\n";
    for (std::string program : {"quorvin-run", "ecm-sim", "quorvin"}) {
        if (program == "quorvin" && !QUORVIN_WITH_GUI) {
            continue;
        }
        const Result r = run(asNewUser(home, quoted(bin + "/" + program) + " --version"));
        EXPECT_EQ(r.status, 0) << program << ": " << r.out;
        EXPECT_EQ(r.out, program + version);
    }

    const auto before = filesBelow(prefix);
    const std::string vehicle = (prefix / "share/quorvin/vehicles/SIM-V8.xml").string();
    const Result r = run(asNewUser(home, quoted(bin + "/quorvin-run") + " --vehicle " +
                                             quoted(vehicle) + " --macro 1 --sim --frames 5"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Frames: 5 in"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("checksum errors: 0"), std::string::npos) << r.out;
    // What the programs keep goes to the user's folders, the installation stays as it was.
    EXPECT_TRUE(fs::is_regular_file(home + "/.config/Quorvin/Scales.xml"));
    EXPECT_TRUE(fs::is_regular_file(home + "/Quorvin/V4/Vehicle data streams/SIM-V8.xml"));
    EXPECT_EQ(filesBelow(prefix), before);
}

TEST(Install, ThePrefixHasTheProgramsAndTheirDataAndTheProgramsRunFromIt) {
    TempDir dir;
    const fs::path prefix = dir.Path() / "prefix";
    const Result install = run(quoted(CMake) + " --install " + quoted(BuildDir) + " --prefix " +
                               quoted(prefix.string()));
    ASSERT_EQ(install.status, 0) << install.out;
    for (const std::string& file : expectedFiles()) {
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;
    }
    runInstalledPrograms(prefix, dir.File("home"));
}

TEST(Install, TheDesktopEntryStartsTheProgramWithItsIcon) {
    if (!QUORVIN_WITH_GUI) {
        GTEST_SKIP() << "built without the window";
    }
    const std::string entry = std::string(QUORVIN_SOURCE_DIR) + "/data/quorvin.desktop";
    const std::string text = TempDir::Read(entry);
    for (const char* line : {"Exec=quorvin\n", "Icon=quorvin\n", "Exec=quorvin --demo\n",
                             "Type=Application\n", "Name=Quorvin V4\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    if (run("command -v desktop-file-validate").status == 0) {
        const Result r = run("desktop-file-validate " + quoted(entry));
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, "");
    }
}

std::string packageField(const std::string& deb, const std::string& field) {
    const Result r = run("dpkg-deb -f " + quoted(deb) + " " + field);
    return r.out;
}

TEST(Package, TheDebianPackageHasItsFilesAndDependenciesAndRunsFromAFreshFolder) {
    if (run("command -v dpkg-deb").status != 0) {
        GTEST_SKIP() << "dpkg-deb missing";
    }
    TempDir dir;
    const Result pack =
        run("cd " + quoted(dir.Path().string()) + " && " + quoted(CPack) + " -G DEB --config " +
            quoted(BuildDir + "/CPackConfig.cmake") + " -B " + quoted(dir.File("out")));
    ASSERT_EQ(pack.status, 0) << pack.out;
    const std::string deb = dir.File("out/quorvin_" + std::string(QUORVIN_VERSION) + "_amd64.deb");
    ASSERT_TRUE(fs::is_regular_file(deb)) << pack.out;

    EXPECT_EQ(packageField(deb, "Package"), "quorvin\n");
    EXPECT_EQ(packageField(deb, "Version"), std::string(QUORVIN_VERSION) + "\n");
    const std::string depends = packageField(deb, "Depends");
    std::vector<std::string> libraries{"libc6", "libstdc++6", "libpugixml1v5"};
    if (QUORVIN_WITH_GUI) {
        libraries.insert(libraries.end(), {"libqt6core6", "libqt6gui6", "libqt6widgets6",
                                           "libqt6printsupport6", "qt6-qpa-plugins"});
    }
    for (const std::string& library : libraries) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }

    // The package's files: everything an installation has, and no test or build programs.
    const Result list = run("dpkg-deb -c " + quoted(deb));
    ASSERT_EQ(list.status, 0) << list.out;
    for (const std::string& file : expectedFiles()) {
        EXPECT_NE(list.out.find(" ./usr/" + file + "\n"), std::string::npos) << file;
    }
    std::set<std::string> programs;
    for (size_t at = list.out.find(" ./usr/bin/"); at != std::string::npos;
         at = list.out.find(" ./usr/bin/", at + 1)) {
        const size_t start = at + 11, end = list.out.find('\n', start);
        if (end > start) {
            programs.insert(list.out.substr(start, end - start));
        }
    }
    std::set<std::string> wanted{"quorvin-run", "ecm-sim"};
    if (QUORVIN_WITH_GUI) {
        wanted.insert("quorvin");
    }
    EXPECT_EQ(programs, wanted);

    const fs::path root = dir.Path() / "root";
    const Result unpack = run("dpkg -x " + quoted(deb) + " " + quoted(root.string()));
    ASSERT_EQ(unpack.status, 0) << unpack.out;
    runInstalledPrograms(root / "usr", dir.File("home"));
    const Result page =
        run("gzip -dc " + quoted((root / "usr/share/man/man1/quorvin-run.1.gz").string()));
    EXPECT_NE(page.out.find(".TH QUORVIN-RUN \"1\""), std::string::npos) << page.out.substr(0, 400);
    EXPECT_NE(page.out.find("\\-\\-vehicle"), std::string::npos);
}

} // namespace
