#include "common/IniFile.h"
#include "common/Common.h"
#include "common/Errors.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(IniFile, MissingFileSectionOrKeyGivesTheDefault) {
    TempDir dir;
    TIniFile ini(dir.File("none.ini"));
    EXPECT_EQ(ini.ReadString("Main", "Key", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Main", "Key", 7), 7);
    EXPECT_TRUE(ini.ReadBool("Main", "Key", true));
    EXPECT_EQ(ini.ReadFloat("Main", "Key", 1.5), 1.5);
    EXPECT_FALSE(ini.SectionExists("Main"));
}

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase) {
    TempDir dir;
    TIniFile ini(dir.Write("a.ini", "[Devices]\nCom1 = /dev/ttyS0\n[Main]\nSpeed=$10\n"));
    EXPECT_EQ(ini.ReadString("DEVICES", "com1", ""), "/dev/ttyS0");
    EXPECT_EQ(ini.ReadInteger("main", "SPEED", 0), 16);
    EXPECT_TRUE(ini.ValueExists("Main", "speed"));
    EXPECT_EQ(ini.ReadInteger("Devices", "Com1", -1), -1);
}

TEST(IniFile, WritingKeepsOtherSectionsKeysOrderAndComments) {
    TempDir dir;
    std::string path = dir.Write("a.ini", "; kept\n[One]\nA=1\nB=2\n\n[Two]\nC=3\n");
    {
        TIniFile ini(path);
        ini.WriteString("one", "b", "20");
        ini.WriteInteger("One", "D", 4);
        ini.WriteBool("Three", "E", true);
        ini.UpdateFile();
    }
    EXPECT_EQ(TempDir::Read(path), "; kept\n[One]\nA=1\nB=20\nD=4\n\n[Two]\nC=3\n[Three]\nE=1\n");
}

TEST(IniFile, ValuesReadBackAfterAWrite) {
    TempDir dir;
    std::string path = dir.File("sub/folder/b.ini");
    {
        TIniFile ini(path);
        ini.WriteFloat("S", "F", 0.1);
        ini.WriteBool("S", "No", false);
        ini.WriteString("S", "Text", "a = b");
        ini.UpdateFile();
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadFloat("S", "F", 0), 0.1);
    EXPECT_FALSE(ini.ReadBool("S", "No", true));
    EXPECT_EQ(ini.ReadString("S", "Text", ""), "a = b");
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string>{"F", "No", "Text"}));
}

TEST(IniFile, AKeyThatBeginsWithAControlByteIsAKeyNotAComment) {
    for (const char first : {'\x01', '\x02', '\x1F', '\x7F'}) {
        SCOPED_TRACE(static_cast<int>(first));
        TempDir dir;
        const std::string key = std::string(1, first) + "Key";
        const std::string path = dir.Write("k.ini", "; note\n[S]\n" + key + "=one\n");
        {
            TIniFile ini(path);
            EXPECT_EQ(ini.ReadString("S", key, "def"), "one");
            EXPECT_TRUE(ini.ValueExists("S", key));
            EXPECT_EQ(ini.ReadSection("S"), std::vector<std::string>{key});
            ini.WriteString("S", key, "two");
            ini.WriteString("S", key + "2", "three");
            ini.UpdateFile();
        }
        EXPECT_EQ(TempDir::Read(path), "; note\n[S]\n" + key + "=two\n" + key + "2=three\n");
        TIniFile again(path);
        EXPECT_EQ(again.ReadString("S", key + "2", ""), "three");
        EXPECT_EQ(again.ReadSections(), std::vector<std::string>{"S"});
    }
}

TEST(IniFile, FloatsReadTheSameInEveryLocale) {
    TempDir dir;
    TIniFile ini(dir.Write("f.ini", "[S]\nPoint=12.5\nComma=12,5\nBad=1.2.3\n"));
    EXPECT_EQ(ini.ReadFloat("S", "Point", 0), 12.5);
    EXPECT_EQ(ini.ReadFloat("S", "Comma", 0), 12.5);
    EXPECT_EQ(ini.ReadFloat("S", "Bad", 7), 7);
    ini.WriteFloat("S", "Written", 0.25);
    EXPECT_EQ(ini.ReadString("S", "Written", ""), "0.25");
}

TEST(IniFile, EraseSectionAndDeleteKey) {
    TempDir dir;
    std::string path = dir.Write("c.ini", "[A]\nx=1\ny=2\n[B]\nz=3\n");
    TIniFile ini(path);
    ini.DeleteKey("A", "X");
    ini.EraseSection("b");
    ini.UpdateFile();
    EXPECT_EQ(TempDir::Read(path), "[A]\ny=2\n");
}

TEST(IniFile, FailedWriteLeavesThePreviousFileWhole) {
    TempDir dir;
    std::string path = dir.Write("d.ini", "[A]\nx=1\n");
    std::filesystem::create_directory(dir.Path() / "blocked.ini");
    TIniFile blocked(dir.File("blocked.ini"));
    blocked.WriteString("A", "x", "2");
    EXPECT_THROW(blocked.UpdateFile(), EQuorvinError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "blocked.ini"));
    EXPECT_EQ(TempDir::Read(path), "[A]\nx=1\n");
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 2);
}

TEST(WriteFileSafely, ReplacesTheFileAndKeepsItsMode) {
    TempDir dir;
    std::string path = dir.Write("e.txt", "old");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    WriteFileSafely(path, "new contents");
    EXPECT_EQ(TempDir::Read(path), "new contents");
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(WriteFileSafely, MissingFolderIsAClearError) {
    TempDir dir;
    std::string path = dir.File("no/such/folder/x.txt");
    try {
        WriteFileSafely(path, "x");
        FAIL() << "no exception";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()), path + ": " + SystemErrorText(ENOENT));
    }
}
