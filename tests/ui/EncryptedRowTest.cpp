// An encrypted NTFS file in the results window: listed, greyed with the
// reason as its tooltip, and a recovery of it says why nothing was written.
#include "tests/e2e/CliRunner.h"
#include "tests/support/EncryptedVolume.h"
#include "tests/ui/OpenWindow.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WindowTestSupport.h"

#include <QBrush>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

const QStringList kFolder{"删除的文件", "Compressed"};

struct EncryptedWindow {
    std::optional<testing_support::EncryptedVolume> volume = testing_support::MakeEncryptedVolume();
    std::unique_ptr<OpenWindow> open = volume ? OpenScanned(ScanImage(volume->image, 1, u'D', false)) : nullptr;
    QString name = volume ? QString::fromStdString(volume->path).section('/', -1) : QString();
};

TEST(EncryptedRow, IsGreyedWithTheReasonWhileTheOthersLookAsBefore) {
    EncryptedWindow encrypted;
    if (!encrypted.open) GTEST_SKIP();
    OpenWindow& open = *encrypted.open;
    open.ClickNode(kFolder);
    QStringList rows = open.Rows();
    ASSERT_TRUE(rows.contains(encrypted.name)) << rows.join(',').toStdString();
    ASSERT_GT(rows.size(), 1);
    for (const QString& name : rows) {
        const QModelIndex row = open.Row(name);
        for (int column = 0; column < open.list->model()->columnCount(); ++column) {
            const QModelIndex cell = row.siblingAtColumn(column);
            if (name == encrypted.name) {
                EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), "文件已加密,无法恢复") << column;
                EXPECT_EQ(cell.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::gray)) << column;
            } else {
                EXPECT_FALSE(cell.data(Qt::ToolTipRole).isValid()) << name.toStdString();
                EXPECT_FALSE(cell.data(Qt::ForegroundRole).isValid()) << name.toStdString();
            }
        }
    }
}

TEST(EncryptedRow, RecoveringOnlyItSaysWhyNothingWasWritten) {
    EncryptedWindow encrypted;
    if (!encrypted.open) GTEST_SKIP();
    OpenWindow& open = *encrypted.open;
    open.ClickNode(kFolder);
    const QModelIndex row = open.Row(encrypted.name);
    QTest::mouseClick(open.list->viewport(), Qt::LeftButton, {}, open.list->CheckBoxRect(row).center());
    ASSERT_EQ(row.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);

    const std::string folder = testing_support::MakeTempFolder("encrypted-window");
    {
        ScriptedUser user(QString::fromStdString(folder));
        open.window->OnStartRecovery();
        const QString path = QString::fromStdString(folder + "/D盘恢复的文件/删除的文件" + encrypted.volume->path);
        EXPECT_EQ(user.messages, QStringList{"已恢复0个文件,共1个。\n\n以下1项未能恢复:\n" + path + ": 文件已加密,无法恢复"});
    }
    EXPECT_TRUE(HashTree(folder).empty()) << "no file is written";

    // Saving the row alone is refused before a file name is asked for.
    open.ClickRow(encrypted.name);
    {
        ScriptedUser user(QString::fromStdString(folder + "/one.bin"));
        open.window->findChild<QMenu*>("listMenu")->actions().front()->trigger();
        EXPECT_TRUE(user.proposals.isEmpty());
        EXPECT_EQ(user.messages, QStringList{"无法保存此文件:文件已加密,无法恢复"});
    }
    EXPECT_TRUE(HashTree(folder).empty());
}

}  // namespace
