// GoogleTest inside the desktop program's own application object, on the
// offscreen platform, with its settings in a private folder.
#include "tests/support/TestVolumes.h"
#include "ui/RuvexApp.h"

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__SANITIZE_THREAD__)
// Qt's libraries are not built with ThreadSanitizer: their own locking (the
// posted-event queue, pooled threads) is invisible to it, so memory they
// hand between threads looks racy. Races in Ruvex's own code still count.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so.6\n"
           "called_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Widgets.so.6\n"
           "race:libQt6Core.so.6\n"
           "race:libQt6Gui.so.6\n"
           "race:libQt6Widgets.so.6\n"
           // The disk service is asked over D-Bus, on Qt's own bus thread.
           "called_from_lib:libQt6DBus.so.6\n"
           "race:libQt6DBus.so.6\n"
           // Qt's event loop runs on GLib, which is not instrumented either.
           "called_from_lib:libglib-2.0.so.0\n"
           "race:libglib-2.0.so.0\n";
}
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    setenv("RUVEX_HOME", testing_support::MakeTempFolder("ruvex-home").c_str(), 1);
    CRuvexApp application(argc, argv);
    return RUN_ALL_TESTS();
}
