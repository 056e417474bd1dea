#include "support/TestLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

class TestLocaleEnvironment : public testing::Environment {
public:
    void SetUp() override {
        const std::string problem = AdoptTestLocale();
        if (!problem.empty()) {
            FAIL() << problem;
        }
    }
};

} // namespace

std::string RequestedTestLocale() {
    const char* name = std::getenv("QUORVIN_TEST_LOCALE");
    return name ? name : "";
}

std::string AdoptTestLocale() {
    const std::string wanted = RequestedTestLocale();
    if (wanted.empty()) {
        return {};
    }
    const std::string howTo = " Generate it with tools/prepare.sh (as root), or as root: "
                              "apt-get install locales && localedef -i de_DE -f UTF-8 de_DE.UTF-8";
    const char* taken = std::setlocale(LC_ALL, "");
    if (!taken) {
        return "The locale " + wanted + " this run asks for is not installed." + howTo;
    }
    const char* numeric = std::setlocale(LC_NUMERIC, nullptr);
    if (!numeric || wanted != numeric) {
        return "The run asks for the locale " + wanted + " but LC_NUMERIC is " +
               (numeric ? numeric : "unknown") + ".";
    }
    const char* point = std::localeconv()->decimal_point;
    if (std::strcmp(point, ",") != 0) {
        return "The locale " + wanted + " is in effect, but its decimal point is \"" + point +
               "\", not a comma.";
    }
    return {};
}

void AddTestLocaleEnvironment() {
    testing::AddGlobalTestEnvironment(new TestLocaleEnvironment);
}
