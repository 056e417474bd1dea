// Runs window tests with real widgets on Qt's offscreen platform, whoever starts the program
// (ctest, its test discovery, or a developer by hand).
#include "common/Format.h"
#include "support/TestLocale.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Under a comma-decimal locale the windows show what the program shows its user there: Qt's
// decimal point, which the program hands to the formatter at start-up.
class QtLocaleEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (RequestedTestLocale().empty()) {
            return;
        }
        const QString point = QLocale().decimalPoint();
        if (point != QStringLiteral(",")) {
            FAIL() << "The run asks for the locale " << RequestedTestLocale()
                   << " but Qt's decimal point is \"" << point.toStdString() << "\".";
        }
        DecimalSeparator = point.at(0).toLatin1();
    }
};

} // namespace

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
    AddTestLocaleEnvironment();
    testing::AddGlobalTestEnvironment(new QtLocaleEnvironment);
    return RUN_ALL_TESTS();
}
