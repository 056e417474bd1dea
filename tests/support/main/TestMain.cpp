// The main of the core test programs: GoogleTest's own, plus the locale a run asks for.
#include "support/TestLocale.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    AddTestLocaleEnvironment();
    return RUN_ALL_TESTS();
}
