#include "tests/toolkit/WidgetTests.h"
#include "toolkit/CHTMLListCtrl.h"

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <memory>

namespace {

struct Received {
    int code;
    int item;
    std::intptr_t data;
    bool checked;
};

// A list in a parent window, with every notification it sends recorded.
struct ListFixture {
    ListFixture() {
        window.resize(400, 300);
        list = new CHTMLListCtrl;
        list->Create(&window, QRect(10, 10, 300, 200));
        QObject::connect(list, &CHTMLListCtrl::Notify, [this](const HTMLLIST_NOTIFY& n) {
            QCOMPARE(n.hdr.from, list);
            QCOMPARE(n.hdr.idFrom, 123);
            received.push_back({n.hdr.code, n.nItemNo, n.lItemData, n.bChecked});
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    void AddItems(int count, int height) {
        for (int i = 0; i < count; ++i) {
            list->SetItemData(list->InsertItem(QStringLiteral("item %1").arg(i), 0, HLT_PLAIN, height), 100 + i);
        }
    }
    QPoint Inside(int item, int dx = 100) const { return list->ItemRect(item).topLeft() + QPoint(dx, 20); }
    void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list->viewport(), button, {}, point);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Received& r : received) codes.push_back(r.code);
        return codes;
    }
    void Wheel(int delta) {
        const QPoint at(50, 50);
        QWheelEvent event(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
    }

    QWidget window;
    CHTMLListCtrl* list;
    std::vector<Received> received;
};

}  // namespace

void HtmlListCtrlTest::ClickBelowTheLastItemClearsTheSelection() {
    ListFixture f;
    f.AddItems(2, 40);
    f.Click(f.Inside(1));
    QCOMPARE(f.list->SelectedItem(), 1);
    QCOMPARE(f.received.back().data, std::intptr_t(101));
    f.received.clear();
    f.Click(QPoint(100, 150));
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_LBUTTONDOWN, HLN_SELECT}));
    QCOMPARE(f.received[0].item, -1);
    QCOMPARE(f.received[1].item, -1);
    QCOMPARE(f.received[1].data, std::intptr_t(0));
    QCOMPARE(f.list->SelectedItem(), -1);
    QVERIFY(f.list->hasFocus());
}

void HtmlListCtrlTest::UpAndDownMoveTheSelectionFromEitherEnd() {
    ListFixture f;
    f.AddItems(10, 40);
    QTest::keyClick(f.list, Qt::Key_Down);
    QCOMPARE(f.list->SelectedItem(), 9);
    QCOMPARE(f.received.back().code, HLN_SELECT);
    QCOMPARE(f.received.back().item, 9);
    // The last item was scrolled into view.
    QCOMPARE(f.list->ScrollPosition(), f.list->TotalHeight() - f.list->viewport()->height());
    QTest::keyClick(f.list, Qt::Key_Down);
    QCOMPARE(f.list->SelectedItem(), 9);

    f.Click(QPoint(100, f.list->viewport()->height() - 2));  // on some item
    f.Click(QPoint(-1, -1));                                  // outside every item
    QCOMPARE(f.list->SelectedItem(), -1);
    f.received.clear();
    QTest::keyClick(f.list, Qt::Key_Up);
    QCOMPARE(f.list->SelectedItem(), 0);
    QCOMPARE(f.list->ScrollPosition(), 0);
    QTest::keyClick(f.list, Qt::Key_Up);
    QCOMPARE(f.list->SelectedItem(), 0);
    // Up on the first still reports it.
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_SELECT, HLN_SELECT}));
    QCOMPARE(f.received.back().item, 0);
}

void HtmlListCtrlTest::WheelMovesFortyPixelsAndLinesFifty() {
    ListFixture f;
    f.AddItems(20, 30);
    const int limit = f.list->TotalHeight() - f.list->viewport()->height();
    QCOMPARE(f.list->verticalScrollBar()->maximum(), limit);
    f.Wheel(-120);
    QCOMPARE(f.list->ScrollPosition(), 40);
    f.Wheel(-720);
    // One step per message.
    QCOMPARE(f.list->ScrollPosition(), 80);
    f.Wheel(120);
    f.Wheel(120);
    f.Wheel(120);
    QCOMPARE(f.list->ScrollPosition(), 0);
    QScrollBar* bar = f.list->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(f.list->ScrollPosition(), 50);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    // A page step is 50 pixels too.
    QCOMPARE(f.list->ScrollPosition(), 100);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(f.list->ScrollPosition(), 0);
    bar->setValue(limit - 10);
    f.Wheel(-120);
    QCOMPARE(f.list->ScrollPosition(), limit);
    // A press after scrolling hits the item drawn under the pointer.
    f.Click(QPoint(100, 5));
    QCOMPARE(f.list->SelectedItem(), (limit + 5) / 30);
}

void HtmlListCtrlTest::MeasuredHeightsFollowTheWidthFixedHeightsStay() {
    ListFixture f;
    const QString text = QStringLiteral("很长的一段文字 which wraps over several lines of the list control when narrow");
    const int measured = f.list->InsertItem(text, 0, HLT_PLAIN, 0);
    const int fixed = f.list->InsertItem(text, 0, HLT_PLAIN, 33);
    const int markup = f.list->InsertItem(QStringLiteral("<b>粗体</b> <font color=#6464E6>彩色</font>"), 0, HLT_MARKUP, 0);
    const int path = f.list->InsertItem(QStringLiteral("/home/user/照片/2024/holiday.jpg"), 0, HLT_PATH, 0);
    const QFontMetrics metrics(f.list->font());
    auto expected = [&](int width) {
        return metrics.boundingRect(QRect(0, 0, width - 5, 0), Qt::TextWordWrap, text).height() + 10;
    };
    const int width = f.list->viewport()->width();
    QCOMPARE(f.list->Item(measured)->nHeight, expected(width));
    QCOMPARE(f.list->Item(fixed)->nHeight, 33);
    QCOMPARE(f.list->Item(markup)->nHeight, metrics.height() + 10);
    QCOMPARE(f.list->Item(path)->nHeight, metrics.height() + 10);
    QCOMPARE(f.list->TotalHeight(), expected(width) + 33 + 2 * (metrics.height() + 10));

    f.list->resize(120, 200);
    QTRY_COMPARE(f.list->viewport()->width(), 120 - 2 * f.list->frameWidth() -
                                                  (f.list->verticalScrollBar()->isVisible()
                                                       ? f.list->verticalScrollBar()->width()
                                                       : 0));
    QCOMPARE(f.list->Item(measured)->nHeight, expected(f.list->viewport()->width()));
    QVERIFY(f.list->Item(measured)->nHeight > expected(width));
    QCOMPARE(f.list->Item(fixed)->nHeight, 33);
    QCOMPARE(f.list->Item(3)->nItemNo, 3);
}

void HtmlListCtrlTest::CheckBoxesToggleByClickAndSpace() {
    ListFixture f;
    f.AddItems(3, 40);
    f.list->SetListStyle(HLS_CHECKBOXES);
    QTest::keyClick(f.list, Qt::Key_Space);
    // Space with no selection changes nothing.
    QVERIFY(f.received.empty());

    const QRect item1 = f.list->ItemRect(1);
    f.Click(QPoint(item1.left() + 8, item1.top() + item1.height() / 2));
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_LBUTTONDOWN, HLN_CHECK, HLN_SELECT}));
    QCOMPARE(f.received[1].item, 1);
    QVERIFY(f.received[1].checked);
    QVERIFY(f.list->Item(1)->bChecked);

    f.received.clear();
    f.Click(f.Inside(1, 150));
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_LBUTTONDOWN, HLN_SELECT}));
    QVERIFY(f.list->Item(1)->bChecked);

    f.received.clear();
    QTest::keyClick(f.list, Qt::Key_Space);
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_CHECK}));
    QVERIFY(!f.received[0].checked);
    QVERIFY(!f.list->Item(1)->bChecked);

    f.list->SetListStyle(0);
    f.received.clear();
    f.Click(QPoint(item1.left() + 8, item1.top() + item1.height() / 2));
    // No boxes, no toggling.
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_LBUTTONDOWN, HLN_SELECT}));
}

void HtmlListCtrlTest::RightClicksAndDoubleClicksReportNoItem() {
    ListFixture f;
    f.AddItems(2, 108);
    f.Click(f.Inside(1), Qt::RightButton);
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_RBUTTONDOWN}));
    QCOMPARE(f.received[0].item, -1);
    QCOMPARE(f.list->SelectedItem(), -1);

    f.received.clear();
    // Through the window, as the window system delivers a double-click.
    QTest::mouseDClick(f.window.windowHandle(), Qt::LeftButton, {}, f.list->viewport()->mapTo(&f.window, f.Inside(1)));
    QCOMPARE(f.Codes(), (std::vector<int>{HLN_LBUTTONDOWN, HLN_SELECT, HLN_DBLCLK}));
    // The first press selects the item under it.
    QCOMPARE(f.received[1].data, std::intptr_t(101));
    QCOMPARE(f.received.back().item, -1);
}

void HtmlListCtrlTest::ChoosingBetweenTwoModesKeepsTheLastClicked() {
    ListFixture f;
    f.list->resize(300, 280);
    f.list->SetListStyle(HLS_SEPARATORS | HLS_IMAGES);
    f.list->SetItemData(f.list->InsertItem(QStringLiteral("<br><b>●删除文件恢复</b>"), 0, HLT_MARKUP, 108), 1);
    f.list->SetItemData(f.list->InsertItem(QStringLiteral("<br><b>●完全扫描恢复</b>"), 0, HLT_MARKUP, 108), 2);
    std::intptr_t mode = 0;
    QObject::connect(f.list, &CHTMLListCtrl::Notify, [&](const HTMLLIST_NOTIFY& n) {
        if (n.hdr.code == HLN_SELECT && n.nItemNo != -1) mode = n.lItemData;
    });
    f.Click(f.Inside(1));
    f.Click(f.Inside(0));
    QCOMPARE(mode, std::intptr_t(1));
    f.Click(QPoint(100, 250));
    // A click below the items leaves the mode.
    QCOMPARE(mode, std::intptr_t(1));
    QCOMPARE(f.list->Item(0)->nHeight, 108);
}

namespace {

int PixelsOf(const QImage& image, QColor color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == color;
    }
    return count;
}

}  // namespace

void HtmlListCtrlTest::MarkupItemsDrawInTheirColoursOnTheSelection() {
    ListFixture f;
    f.list->InsertItem(QStringLiteral("<font color=#6464E6>\u2588\u2588\u2588</font> \u2588"), 0, HLT_MARKUP, 40);
    f.list->InsertItem(QStringLiteral("plain"), 0, HLT_PLAIN, 40);
    QImage image = f.list->viewport()->grab().toImage();
    QVERIFY(PixelsOf(image, QColor(100, 100, 230)) > 20);
    QVERIFY(PixelsOf(image, QColor(0, 0, 0)) > 5);
    QCOMPARE(PixelsOf(image, QColor(127, 202, 254)), 0);
    f.Click(f.Inside(1));
    image = f.list->viewport()->grab().toImage();
    QVERIFY(PixelsOf(image, QColor(127, 202, 254)) >= f.list->viewport()->width() * 30);
}

namespace {

// The first row of `rect` holding a pixel of `color`, relative to its top; -1 for none.
int FirstRowOf(const QImage& image, const QRect& rect, QColor color) {
    for (int y = rect.top(); y <= rect.bottom() && y < image.height(); ++y) {
        for (int x = rect.left(); x <= rect.right() && x < image.width(); ++x) {
            if (image.pixelColor(x, y) == color) return y - rect.top();
        }
    }
    return -1;
}

}  // namespace

void HtmlListCtrlTest::TextStartsFiveBelowTheTopUnlessTheHeightIsFixed() {
    ListFixture f;
    for (int kind : {HLT_PLAIN, HLT_MARKUP}) {
        f.list->InsertItem(QStringLiteral("\u2588"), 0, kind, 0);
        f.list->InsertItem(QStringLiteral("\u2588"), 0, kind, 40);
    }
    const QImage image = f.list->viewport()->grab().toImage();
    for (int item : {0, 2}) {
        const int measured = FirstRowOf(image, f.list->ItemRect(item), Qt::black);
        const int fixed = FirstRowOf(image, f.list->ItemRect(item + 1), Qt::black);
        QVERIFY(fixed >= 0);
        QCOMPARE(measured, fixed + 5);
    }
}
