// Where the program finds its bundled data and where it writes, in a build tree and in an
// installed layout (bin/ with share/quorvin/ beside it), on real temporary folders.
#include "common/Common.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "QUORVIN_INI"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("HOME", dir_.File("home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", dir_.File("home/.config").c_str(), 1);
        unsetenv("QUORVIN_INI");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        SetProgramDir("");
    }
    // A prefix as cmake --install leaves it: the programs' folder and the bundled data.
    std::string Install(const std::string& prefix, const std::string& programFolder = "bin") {
        fs::create_directories(dir_.Path() / prefix / programFolder);
        dir_.Write(prefix + "/share/quorvin/vehicles/SIM-V8.xml", "<sample/>");
        dir_.Write(prefix + "/share/quorvin/vehicles/SIM-V8.bmp", "BM");
        dir_.Write(prefix + "/share/quorvin/Scales.xml", "<scales/>");
        dir_.Write(prefix + "/share/quorvin/doc/index.htm", "<html/>");
        return dir_.File(prefix + "/" + programFolder);
    }
    std::string Home(const std::string& below) const { return dir_.File("home/" + below); }

    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(FoldersTest, AnInstalledProgramWritesOnlyIntoTheUsersFolders) {
    const std::string bin = Install("usr");
    SetProgramDir(bin);
    ASSERT_TRUE(IsInstalledLayout());
    EXPECT_EQ(ProgramDir(), bin);
    EXPECT_EQ(BundledDataDir(), dir_.File("usr/share/quorvin"));
    EXPECT_EQ(IniPath(), Home(".config/Quorvin/QuorvinV4.ini"));
    EXPECT_EQ(UserDataDir(), Home("Quorvin/V4"));
    EXPECT_EQ(DataDir(), Home("Quorvin/V4/Logged data"));
    EXPECT_EQ(HelpDir(), dir_.File("usr/share/quorvin/doc"));
    EXPECT_EQ(OwnFilesDir(), UserDataDir());

    // The vehicle folder is the user's own, filled with the bundled vehicles and pictures.
    const std::string vehicles = Home("Quorvin/V4/Vehicle data streams");
    EXPECT_EQ(VehicleDir(), vehicles);
    EXPECT_EQ(TempDir::Read(vehicles + "/SIM-V8.xml"), "<sample/>");
    EXPECT_EQ(TempDir::Read(vehicles + "/SIM-V8.bmp"), "BM");
    EXPECT_EQ(FirstStartVehicle(), vehicles + "/SIM-V8.xml");

    // The settings replace the folders; the defaults the properties dialog offers stay these.
    SetVehicleDir(dir_.File("elsewhere"));
    SetDataDir(dir_.File("elsewhere"));
    EXPECT_EQ(DefaultVehicleDir(), vehicles);
    EXPECT_EQ(DefaultDataDir(), Home("Quorvin/V4/Logged data"));
    EXPECT_EQ(DefaultHelpDir(), dir_.File("usr/share/quorvin/doc"));
}

TEST_F(FoldersTest, TheUsersVehicleFolderIsSeededOnceAndThenLeftAsTheyKeepIt) {
    const std::string bin = Install("usr");
    SetProgramDir(bin);
    const std::string vehicles = VehicleDir();
    fs::remove(vehicles + "/SIM-V8.xml");
    dir_.Write("home/Quorvin/V4/Vehicle data streams/Mine.xml", "<mine/>");

    InitFolders(); // the next start
    EXPECT_FALSE(fs::exists(vehicles + "/SIM-V8.xml"));
    EXPECT_EQ(TempDir::Read(vehicles + "/Mine.xml"), "<mine/>");
    // Without the user's copy the first start still finds the bundled sample.
    EXPECT_EQ(FirstStartVehicle(), dir_.File("usr/share/quorvin/vehicles/SIM-V8.xml"));
}

TEST_F(FoldersTest, TheIniOverrideHoldsInTheInstalledLayoutToo) {
    setenv("QUORVIN_INI", dir_.File("elsewhere/Q.ini").c_str(), 1);
    SetProgramDir(Install("opt/quorvin"));
    EXPECT_TRUE(IsInstalledLayout());
    EXPECT_EQ(IniPath(), dir_.File("elsewhere/Q.ini"));
}

TEST_F(FoldersTest, OtherLayoutsKeepTheirFilesBesideTheProgram) {
    struct Case {
        const char* what;
        bool withShare;
        const char* programFolder;
    } cases[] = {
        {"a bin folder without share/quorvin (the build tree)", false, "bin"},
        {"a portable folder with share/quorvin beside it", true, "portable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string prefix = std::string("p-") + c.programFolder + (c.withShare ? "-s" : "");
        std::string program = dir_.File(prefix + "/" + c.programFolder);
        if (c.withShare) {
            program = Install(prefix, c.programFolder);
        } else {
            fs::create_directories(program);
        }
        SetProgramDir(program);
        EXPECT_FALSE(IsInstalledLayout());
        EXPECT_EQ(IniPath(), program + "/QuorvinV4.ini");
        EXPECT_EQ(OwnFilesDir(), program);
        EXPECT_EQ(FirstStartVehicle(), "");
        EXPECT_FALSE(fs::exists(Home("Quorvin/V4/Vehicle data streams")));
    }
}

TEST_F(FoldersTest, TheBuildTreeFindsTheBundledHelpVehiclesAndScales) {
    InitFolders(); // this test program runs from the build tree
    ASSERT_FALSE(IsInstalledLayout());
    EXPECT_TRUE(fs::is_regular_file(HelpDir() + "/index.htm")) << HelpDir();
    EXPECT_TRUE(fs::is_regular_file(VehicleDir() + "/" + SampleVehicleName)) << VehicleDir();
    EXPECT_TRUE(fs::is_regular_file(BundledDataDir() + "/Scales.xml")) << BundledDataDir();
}

} // namespace
