#include "common/RegularFile.h"

#include "common/Common.h"
#include "support/NamedPipe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace {

TEST(OpenRegularFile, OpensARegularFileForReading) {
    TempDir dir;
    std::string reason;
    const int fd = OpenRegularFile(dir.Write("a.txt", "abc"), reason);
    ASSERT_GE(fd, 0) << reason;
    char buffer[8] = {};
    EXPECT_EQ(::read(fd, buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer), "abc");
    ::close(fd);
}

TEST(OpenRegularFile, EveryOtherKindSaysWhatItIs) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    std::filesystem::create_symlink(dir.File("folder"), dir.File("link"));
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{dir.File("folder"), "It is a folder, not a file"},
                          Case{dir.File("link"), "It is a folder, not a file"},
                          Case{"/dev/null", "It is a device, not a file"},
                          Case{dir.File("none"), SystemErrorText(ENOENT)}}) {
        std::string reason;
        EXPECT_EQ(OpenRegularFile(c.path, reason), -1) << c.path;
        EXPECT_EQ(reason, c.reason) << c.path;
    }
}

TEST(OpenRegularFile, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
    TempDir dir;
    NamedPipe pipe(dir.File("pipe"));
    int fd = 0;
    std::string reason;
    ASSERT_TRUE(pipe.ReturnsWithin(std::chrono::seconds(10),
                                   [&] { fd = OpenRegularFile(pipe.Path(), reason); }));
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(reason, "It is a named pipe, not a file");
}

} // namespace
