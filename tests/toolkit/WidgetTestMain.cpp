// Runs one of the widget kit's test classes, named by the first argument;
// the remaining arguments go to QTest.
#include "tests/toolkit/WidgetTests.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::unique_ptr<QObject>> tests;
    tests.push_back(std::make_unique<HtmlListCtrlTest>());
    tests.push_back(std::make_unique<ResizableDialogTest>());
    tests.push_back(std::make_unique<HexViewTest>());
    tests.push_back(std::make_unique<PageTabWidgetTest>());
    tests.push_back(std::make_unique<MarkupButtonTest>());

    const char* wanted = argc > 1 ? argv[1] : nullptr;
    std::vector<char*> arguments = {argv[0]};
    for (int i = 2; i < argc; ++i) arguments.push_back(argv[i]);
    int failures = 0;
    bool found = false;
    for (const auto& test : tests) {
        if (wanted && std::strcmp(test->metaObject()->className(), wanted) != 0) continue;
        found = true;
        failures += QTest::qExec(test.get(), int(arguments.size()), arguments.data());
    }
    if (!found) {
        std::fprintf(stderr, "no test class named %s\n", wanted);
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
