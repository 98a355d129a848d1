// FAT32 files whose clusters were guessed in the results window: their rows
// say so in a tooltip and look like the others.
#include "tests/ui/OpenWindow.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WindowTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(GuessedRow, SaysTheContentIsGuessedWithoutBeingGreyed) {
    auto open = Open("fat32-small", 1);
    if (!open) GTEST_SKIP();
    open->ClickNode({"删除的文件"});
    const QStringList rows = open->Rows();
    ASSERT_TRUE(rows.contains("deleted-root.txt") && rows.contains("#mpty.txt")) << rows.join(", ").toStdString();
    for (int column = 0; column < open->list->model()->columnCount(); ++column) {
        const QModelIndex guessed = open->Row("deleted-root.txt").siblingAtColumn(column);
        EXPECT_EQ(guessed.data(Qt::ToolTipRole).toString(), "文件内容是推测的,可能不完整") << column;
        EXPECT_FALSE(guessed.data(Qt::ForegroundRole).isValid()) << column;
        // An empty file has no clusters to guess.
        EXPECT_FALSE(open->Row("#mpty.txt").siblingAtColumn(column).data(Qt::ToolTipRole).isValid()) << column;
    }
}

}  // namespace
