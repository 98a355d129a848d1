#include "tests/toolkit/WidgetTests.h"
#include "toolkit/ResizableDialog.h"

#include <QFontMetrics>
#include <QTest>

void ResizableDialogTest::DialogUnitsFollowTheFontsBaseUnits() {
    ResizableDialog dialog(QSize(490, 346));
    const QSize base = dialog.BaseUnits();
    QVERIFY(base.width() > 0 && base.height() > 0);
    QCOMPARE(base.height(), QFontMetrics(dialog.font()).height());
    QCOMPARE(dialog.ToPixels(QSize(4, 8)), base);
    QCOMPARE(dialog.size(), dialog.ToPixels(QSize(490, 346)));
    // Adjacent rectangles stay adjacent in pixels.
    const QRect left = dialog.ToPixels(DialogUnitRect{17, 81, 100, 249});
    const QRect right = dialog.ToPixels(DialogUnitRect{117, 81, 357, 249});
    QCOMPARE(left.right() + 1, right.left());
    QCOMPARE(left.top(), right.top());
    QCOMPARE(left.bottom(), right.bottom());
}

void ResizableDialogTest::AnchoredEdgesMoveByTheirFactors() {
    ResizableDialog dialog(QSize(490, 346));
    QWidget stretched(&dialog), followsRight(&dialog), followsBottom(&dialog), tallOnly(&dialog), fixed(&dialog);
    const QRect start(20, 30, 100, 80);
    for (QWidget* w : {&stretched, &followsRight, &followsBottom, &tallOnly, &fixed}) w->setGeometry(start);
    dialog.AddAnchor(&stretched, {0, 0}, {1, 1});
    dialog.AddAnchor(&followsRight, {1, 0}, {1, 0});
    dialog.AddAnchor(&followsBottom, {0, 1}, {1, 1});
    dialog.AddAnchor(&tallOnly, {0, 0}, {0, 1});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QSize before = dialog.size();
    for (int round = 0; round < 3; ++round) {
        // Growing and shrinking again never drifts: edges follow the total change.
        dialog.resize(before + QSize(130, 70));
        dialog.resize(before + QSize(37, 11));
    }
    dialog.resize(before + QSize(100, 50));
    QTRY_COMPARE(dialog.size(), before + QSize(100, 50));
    QCOMPARE(stretched.geometry(), QRect(20, 30, 200, 130));
    QCOMPARE(followsRight.geometry(), QRect(120, 30, 100, 80));
    QCOMPARE(followsBottom.geometry(), QRect(20, 80, 200, 80));
    QCOMPARE(tallOnly.geometry(), QRect(20, 30, 100, 130));
    QCOMPARE(fixed.geometry(), start);

    dialog.resize(before - QSize(10, 10));
    QTRY_COMPARE(dialog.size(), before - QSize(10, 10));
    QCOMPARE(stretched.geometry(), QRect(20, 30, 90, 70));
    QCOMPARE(followsRight.geometry(), QRect(10, 30, 100, 80));
}
