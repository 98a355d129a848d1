// Files encrypted with EFS in the results window: listed, greyed with the
// reason as their tooltip, and a recovery of them says why nothing was written.
#include "tests/e2e/CliRunner.h"
#include "tests/ui/OpenWindow.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WindowTestSupport.h"

#include <QBrush>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

const QStringList kFolder{"删除的文件", "Secret"};
const QStringList kEncrypted{"cipher.bin", "short.txt"};

TEST(EncryptedRow, IsGreyedWithTheReasonWhileThePlainOnesLookAsBefore) {
    auto open = Open("ntfs-encrypted", 1);
    if (!open) GTEST_SKIP();
    open->ClickNode(kFolder);
    const QStringList rows = open->Rows();
    ASSERT_EQ(rows, (QStringList{"plain.txt", "cipher.bin", "short.txt"}));
    for (const QString& name : rows) {
        const QModelIndex row = open->Row(name);
        for (int column = 0; column < open->list->model()->columnCount(); ++column) {
            const QModelIndex cell = row.siblingAtColumn(column);
            if (kEncrypted.contains(name)) {
                EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), "文件已加密,无法恢复") << column;
                EXPECT_EQ(cell.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::gray)) << column;
            } else {
                EXPECT_FALSE(cell.data(Qt::ToolTipRole).isValid()) << name.toStdString();
                EXPECT_FALSE(cell.data(Qt::ForegroundRole).isValid()) << name.toStdString();
            }
        }
    }
}

TEST(EncryptedRow, RecoveringOnlyEncryptedFilesSaysWhyNothingWasWritten) {
    auto open = Open("ntfs-encrypted", 1);
    if (!open) GTEST_SKIP();
    open->ClickNode(kFolder);
    for (const QString& name : kEncrypted) {
        const QModelIndex row = open->Row(name);
        QTest::mouseClick(open->list->viewport(), Qt::LeftButton, {}, open->list->CheckBoxRect(row).center());
        ASSERT_EQ(row.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked) << name.toStdString();
    }

    const std::string folder = testing_support::MakeTempFolder("encrypted-window");
    {
        ScriptedUser user(QString::fromStdString(folder));
        open->window->OnStartRecovery();
        const QString secret = QString::fromStdString(folder + "/D盘恢复的文件/删除的文件/Secret/");
        EXPECT_EQ(user.messages, QStringList{"已恢复0个文件,共2个。\n\n以下2项未能恢复:\n" + secret +
                                             "cipher.bin: 文件已加密,无法恢复\n" + secret + "short.txt: 文件已加密,无法恢复"});
    }
    EXPECT_TRUE(HashTree(folder).empty()) << "no file is written";

    // Saving one alone is refused before a file name is asked for.
    open->ClickRow("cipher.bin");
    {
        ScriptedUser user(QString::fromStdString(folder + "/one.bin"));
        open->window->findChild<QMenu*>("listMenu")->actions().front()->trigger();
        EXPECT_TRUE(user.proposals.isEmpty());
        EXPECT_EQ(user.messages, QStringList{"无法保存此文件:文件已加密,无法恢复"});
    }
    EXPECT_TRUE(HashTree(folder).empty());

    // A plain file ticked with them is written, and the summary still names them.
    QTest::mouseClick(open->list->viewport(), Qt::LeftButton, {}, open->list->CheckBoxRect(open->Row("plain.txt")).center());
    const std::string mixed = testing_support::MakeTempFolder("encrypted-mixed");
    {
        ScriptedUser user(QString::fromStdString(mixed));
        open->window->OnStartRecovery();
        ASSERT_EQ(user.messages.size(), 1);
        EXPECT_TRUE(user.messages[0].startsWith("已恢复1个文件,共3个。")) << user.messages[0].toStdString();
    }
    auto written = HashTree(mixed);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].first, "D盘恢复的文件/删除的文件/Secret/plain.txt");
    EXPECT_EQ(written[0].second, Manifest("ntfs-encrypted").at("/Secret/plain.txt"));
}

}  // namespace
