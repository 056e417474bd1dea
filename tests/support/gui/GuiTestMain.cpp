// Runs window tests with real widgets on Qt's offscreen platform, whoever starts the program
// (ctest, its test discovery, or a developer by hand).
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string runtime = "/tmp/quorvin-test-runtime-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        chmod(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
    // Per-user settings of window tests go to a fresh folder, never the developer's own.
    std::string config = "/tmp/quorvin-test-config-XXXXXX";
    if (mkdtemp(config.data())) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
