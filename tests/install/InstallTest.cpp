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
              "share/mime/packages/quorvin.xml", "share/icons/hicolor/scalable/apps/quorvin.svg"}) {
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
    // A file manager hands the file opened to the program; logs are its own type.
    for (const char* line :
         {"Exec=quorvin %f\n", "Icon=quorvin\n", "Exec=quorvin --demo\n", "Type=Application\n",
          "Name=Quorvin V4\n", "MimeType=application/x-quorvin-alg;\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    if (run("command -v desktop-file-validate").status == 0) {
        const Result r = run("desktop-file-validate " + quoted(entry));
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, "");
    }
}

// The installed type description makes *.alg files logs of the program, as the desktop's own
// database tool reads it.
TEST(Install, LogFilesAreATypeOfTheirOwn) {
    if (!QUORVIN_WITH_GUI) {
        GTEST_SKIP() << "built without the window";
    }
    if (run("command -v update-mime-database").status != 0) {
        GTEST_SKIP() << "update-mime-database missing";
    }
    TempDir dir;
    const fs::path prefix = dir.Path() / "prefix";
    const Result install = run(quoted(CMake) + " --install " + quoted(BuildDir) + " --prefix " +
                               quoted(prefix.string()));
    ASSERT_EQ(install.status, 0) << install.out;
    const fs::path mime = prefix / "share/mime";
    const Result update = run("update-mime-database " + quoted(mime.string()));
    ASSERT_EQ(update.status, 0) << update.out;
    const std::string globs = TempDir::Read((mime / "globs2").string());
    EXPECT_NE(globs.find(":application/x-quorvin-alg:*.alg"), std::string::npos) << globs;
    const std::string type = TempDir::Read((mime / "application/x-quorvin-alg.xml").string());
    EXPECT_NE(type.find("ALDL data log"), std::string::npos) << type;
}

// ./run in a copy of the source tree whose build steps and programs are stand-ins: a simulator
// that says its device after a while (or fails), and a program that shows its settings file and
// arguments. Each run must point Com1 at the device of the simulator it has just started.
class RunScriptTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tree / "tools");
        fs::create_directories(tree / "build/bin");
        fs::create_directories(tree / "build/demo");
        fs::copy_file(std::string(QUORVIN_SOURCE_DIR) + "/run", tree / "run");
        script("tools/prepare.sh", "exit 0\n");
        script("build/bin/quorvin",
               "printf 'args:'; printf ' [%s]' \"$@\"; echo; tr -d '\\r' <\"$QUORVIN_INI\"\n");
        // Left by an earlier run: its simulator's device is gone.
        dir.Write("tree/build/demo/ecm-sim.log", "ecm-sim: listening on /dev/pts/stale\n");
    }
    void script(const std::string& name, const std::string& body) {
        const std::string path = dir.Write("tree/" + name, "#!/usr/bin/env bash\n" + body);
        fs::permissions(path, fs::perms::owner_all);
    }
    // The simulator stand-in: waits, then says where it listens (or fails), then stays.
    void simulator(const std::string& says, bool starts) {
        script("build/bin/ecm-sim",
               "sleep 0.3\necho '" + says + "'\n" + (starts ? "exec sleep 30\n" : "exit 1\n"));
    }
    Result runScript(const std::string& args, const std::string& from) {
        return run("cd " + quoted(from) + " && " + quoted((tree / "run").string()) + " " + args);
    }

    TempDir dir;
    fs::path tree = dir.Path() / "tree";
};

TEST_F(RunScriptTest, TheSettingsNameTheDeviceOfTheSimulatorJustStarted) {
    simulator("ecm-sim: listening on /dev/pts/fresh", true);
    dir.Write("tree/build/demo/QuorvinV4.ini",
              "[fMain]\r\nmruMacro=3\r\n[Devices]\r\nCom1=/dev/pts/stale\r\nCom2=/dev/ttyS1\r\n");
    dir.Write("logs/run.alg", "x");
    const Result r = runScript("run.alg --demo", dir.File("logs"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Simulated engine module on /dev/pts/fresh"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Com1=/dev/pts/fresh\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("stale"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Com2=/dev/ttyS1\n"), std::string::npos) << r.out; // the rest is kept
    EXPECT_NE(r.out.find("mruMacro=3\n"), std::string::npos) << r.out;
    // A file named relative to where ./run started reaches the program by its whole path.
    EXPECT_NE(r.out.find("args: [" + dir.File("logs/run.alg") + "] [--demo]"), std::string::npos)
        << r.out;
}

TEST_F(RunScriptTest, ASimulatorThatDoesNotStartIsReportedAndNothingStaleIsUsed) {
    simulator("ecm-sim: cannot open a pseudo-terminal", false);
    const Result r = runScript("", dir.Path().string());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("The simulator did not start:"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ecm-sim: cannot open a pseudo-terminal"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("stale"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("args:"), std::string::npos) << r.out; // the program did not start
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
