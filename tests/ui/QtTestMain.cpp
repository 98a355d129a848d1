// GoogleTest with a QApplication on the offscreen platform: widgets and
// QTest input work without a display.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Ruvex"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
