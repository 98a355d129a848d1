#include "tests/toolkit/WidgetTests.h"
#include "toolkit/HexView.h"

#include <QScrollBar>
#include <QTest>

#include <vector>

void HexViewTest::RowsShowOffsetHexAndCharacters() {
    HexView view;
    const std::vector<std::uint8_t> bytes = {'R', 'u', 'v', 'e', 'x', 0x00, 0x7F, 0xFF, 'A', 'B', 0x0A};
    view.SetBytesPerRow(8);
    view.SetData(bytes, bytes.size() + 10);
    QCOMPARE(view.DataSize(), bytes.size());
    QCOMPARE(view.RowCount(), qint64(2));
    QCOMPARE(view.RowText(0), QStringLiteral("00000000  52 75 76 65 78 00 7F FF  Ruvex..."));
    QCOMPARE(view.RowText(1), QStringLiteral("00000008  41 42 0A                 AB."));
    QCOMPARE(view.RowText(2), QString());

    view.SetData(bytes, 5);
    // No more than the maximum length is kept.
    QCOMPARE(view.DataSize(), size_t(5));
    view.SetBytesPerRow(4);
    QCOMPARE(view.RowText(1), QStringLiteral("00000004  78           x"));
}

void HexViewTest::ScrollsToTheEndOfTenMebibytes() {
    constexpr size_t kSize = 10 * 1024 * 1024;
    std::vector<std::uint8_t> bytes(kSize);
    for (size_t i = 0; i < kSize; ++i) bytes[i] = std::uint8_t(i * 7);
    HexView view;
    view.resize(420, 300);
    view.SetBytesPerRow(8);
    view.SetData(bytes, kSize + 10);
    bytes.assign(kSize, 0);  // the view keeps its own copy
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QCOMPARE(view.RowCount(), qint64(kSize / 8));
    QTest::keyClick(&view, Qt::Key_End);
    const qint64 first = view.FirstVisibleRow();
    QCOMPARE(first, view.RowCount() - view.VisibleRowCount());
    QCOMPARE(view.RowText(view.RowCount() - 1).left(8), QStringLiteral("009FFFF8"));
    QCOMPARE(view.RowText(view.RowCount() - 1).mid(10, 2), QStringLiteral("%1").arg((kSize - 8) * 7 % 256, 2, 16, QChar(u'0')).toUpper());
    QTest::keyClick(&view, Qt::Key_PageDown);
    QCOMPARE(view.FirstVisibleRow(), first);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(view.FirstVisibleRow(), first - 1);
    QVERIFY(!view.viewport()->grab().isNull());
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(view.FirstVisibleRow(), qint64(0));
}
