// The results window saves its scan: "保存扫描结果…" asks for a file, writes
// the saved scan there and says so; the file loads to the same results.
#include "catalog/RawFolder.h"
#include "catalog/RootFolder.h"
#include "engine/SavedScan.h"
#include "tests/ui/OpenWindow.h"

#include <QAction>

#include <gtest/gtest.h>

namespace {

TEST(ResultsWindow, SavesItsScan) {
    auto open = Open("fat32-small", 2);
    if (!open) GTEST_SKIP();
    const std::string path = testing_support::MakeTempFolder("save-scan") + "/scan.ruvex-scan";
    ScriptedUser user(QString::fromStdString(path));
    auto* save = open->window->findChild<QAction*>(QStringLiteral("saveScanAction"));
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("保存扫描结果…"));
    save->trigger();
    EXPECT_EQ(user.proposals, QStringList{QStringLiteral("D盘扫描结果.ruvex-scan")});
    EXPECT_EQ(user.messages, QStringList{QStringLiteral("扫描结果已保存")});

    ScanContext loaded;
    SavedScanInfo info;
    std::string error;
    ASSERT_TRUE(ReadSavedScan(path, loaded, info, error)) << error;
    EXPECT_EQ(info.letter, u'D');
    EXPECT_FALSE(info.stopped);
    EXPECT_EQ(loaded.deletedFiles.size(), open->scanned->context.deletedFiles.size());
    EXPECT_EQ(loaded.catalog.lostFatFolders.size(), open->scanned->context.catalog.lostFatFolders.size());
    ASSERT_TRUE(loaded.fatRootFolder);
    EXPECT_EQ(loaded.fatRootFolder->m_files.size(), open->scanned->context.fatRootFolder->m_files.size());
}

}  // namespace
