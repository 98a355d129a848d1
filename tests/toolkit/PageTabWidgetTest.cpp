#include "tests/toolkit/WidgetTests.h"
#include "toolkit/PageTabWidget.h"

#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QToolButton>

void PageTabWidgetTest::PagesAreAddedShownAndRemovedOneByOne() {
    PageTabWidget tabs;
    tabs.resize(300, 200);
    QPointer<QLabel> hex = new QLabel(QStringLiteral("hex"));
    QPointer<QLabel> picture = new QLabel(QStringLiteral("picture"));
    tabs.AddPage(hex, QStringLiteral("十六进制显示"));
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    QVERIFY(hex->isVisible());

    tabs.AddPage(picture, QStringLiteral("图片预览"));
    QCOMPARE(tabs.PageCount(), 2);
    QCOMPARE(tabs.currentWidget(), picture.data());
    QVERIFY(picture->isVisible());
    QVERIFY(!hex->isVisible());

    tabs.CloseButton()->click();
    QCOMPARE(tabs.PageCount(), 1);
    // A removed page is kept.
    QVERIFY(picture);
    QVERIFY(!picture->isVisible());
    QCOMPARE(tabs.currentWidget(), hex.data());
    tabs.CloseButton()->click();
    // The last page stays.
    QCOMPARE(tabs.PageCount(), 1);

    tabs.RemovePage(0);
    QCOMPARE(tabs.PageCount(), 0);
    QVERIFY(hex);
    QCOMPARE(tabs.AddPage(picture, QStringLiteral("图片预览")), 0);
    QVERIFY(picture->isVisible());
    QCOMPARE(tabs.tabText(0), QStringLiteral("图片预览"));
    delete hex;  // removed pages belong to their owner again
}
