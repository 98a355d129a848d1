// GoogleTest inside the desktop program's own application object, on the
// offscreen platform, with its settings in a private folder.
#include "tests/support/TestVolumes.h"
#include "ui/RuvexApp.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    setenv("RUVEX_HOME", testing_support::MakeTempFolder("ruvex-home").c_str(), 1);
    CRuvexApp application(argc, argv);
    return RUN_ALL_TESTS();
}
