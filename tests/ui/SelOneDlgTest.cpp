#include "engine/ScanContext.h"
#include "tests/ui/StepTestSupport.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "ui/SelOneDlg.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

struct ModeDialog {
    ScanContext context;
    CSelOneDlg dialog{context};
    CHTMLListCtrl& list = dialog.ModeList();

    ModeDialog() {
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QPoint ItemPoint(int item) { return list.ItemRect(item).center(); }
    QPoint BelowItems() { return QPoint(list.viewport()->width() / 2, list.ItemRect(1).bottom() + 40); }
    void Click(QPoint at) { QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at); }
    // As a hand does it: the first click, then the second as a double-click.
    void DoubleClick(QPoint at) {
        Click(at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    }
};

TEST(SelOneDlgTest, ShowsBothModesAsFixedHeightMarkupItemsAndStartsWithNoMode) {
    ScanContext context;
    context.recoveryMode = 2;
    CSelOneDlg dialog(context);
    EXPECT_EQ(context.recoveryMode, 0);
    ASSERT_EQ(dialog.ModeList().ItemCount(), 2);
    for (int item = 0; item < 2; ++item) {
        EXPECT_EQ(dialog.ModeList().Item(item)->nHeight, 108);
        EXPECT_EQ(dialog.ModeList().Item(item)->nTextKind, HLT_MARKUP);
        EXPECT_EQ(dialog.ModeList().Item(item)->lItemData, item + 1);
    }
    EXPECT_TRUE(dialog.ModeList().Item(0)->sItemText.contains(QStringLiteral("●删除文件恢复")));
    EXPECT_TRUE(dialog.ModeList().Item(1)->sItemText.contains(QStringLiteral("●完全扫描恢复")));
    EXPECT_EQ(dialog.ModeList().geometry(), QRect(28, 118, 682, 422));
    EXPECT_EQ(dialog.NextButton().CaptionText(), QStringLiteral("下一步"));
}

TEST(SelOneDlgTest, TheLastClickedItemIsTheModeAndClicksBelowTheItemsChangeNothing) {
    ModeDialog mode;
    mode.Click(mode.ItemPoint(1));
    EXPECT_EQ(mode.context.recoveryMode, 2);
    mode.Click(mode.ItemPoint(0));
    EXPECT_EQ(mode.context.recoveryMode, 1);
    mode.Click(mode.BelowItems());
    EXPECT_EQ(mode.context.recoveryMode, 1);
    EXPECT_EQ(mode.list.SelectedItem(), -1);
    EXPECT_TRUE(mode.dialog.isVisible());
}

TEST(SelOneDlgTest, DoubleClickingAnItemChoosesItAndGoesOn) {
    ModeDialog mode;
    mode.DoubleClick(mode.ItemPoint(1));
    EXPECT_FALSE(mode.dialog.isVisible());
    EXPECT_EQ(mode.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(mode.context.recoveryMode, 2);
}

TEST(SelOneDlgTest, NextWithoutAModeAsksForOneAndStays) {
    MessageRecorder messages;
    ModeDialog mode;
    mode.dialog.NextButton().click();
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择最适合的恢复模式")});
    EXPECT_TRUE(mode.dialog.isVisible());
    mode.Click(mode.ItemPoint(0));
    mode.dialog.NextButton().click();
    EXPECT_EQ(mode.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(messages.texts.size(), 1);
}

TEST(SelOneDlgTest, EnterGoesOnWithTheChosenModeAsNextDoes) {
    MessageRecorder messages;
    ModeDialog mode;
    QTest::keyClick(&mode.dialog, Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("请先选择最适合的恢复模式")});
    EXPECT_TRUE(mode.dialog.isVisible());
    mode.Click(mode.ItemPoint(1));
    QTest::keyClick(&mode.list, Qt::Key_Enter);
    EXPECT_EQ(mode.dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(mode.dialog.isVisible());
    EXPECT_EQ(mode.context.recoveryMode, 2);
    EXPECT_EQ(messages.texts.size(), 1);
}

TEST(SelOneDlgTest, DoubleClickOnEmptySpaceGoesOnWithNoMode) {
    ModeDialog mode;
    mode.DoubleClick(mode.BelowItems());
    EXPECT_EQ(mode.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(mode.context.recoveryMode, 0);
}

TEST(SelOneDlgTest, EscapeCancels) {
    ModeDialog mode;
    QTest::keyClick(&mode.dialog, Qt::Key_Escape);
    EXPECT_EQ(mode.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(mode.dialog.isVisible());
}

}  // namespace
