// The whole desktop program driven as a user would, from the mode dialog to
// the files a recovery writes, over a committed volume set up as a drive.
#include "platform/DriveTable.h"
#include "platform/TextConvert.h"
#include "tests/support/TestVolumes.h"
#include "tests/ui/StepTestSupport.h"
#include "tests/ui/WindowTestSupport.h"
#include "toolkit/CHTMLListCtrl.h"
#include "toolkit/MarkupButton.h"
#include "ui/RuvexApp.h"
#include "ui/ResultItemView.h"

#include <QDialog>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

namespace fs = std::filesystem;
using Hashes = std::map<std::string, std::string>;

void DoubleClickMode(QWidget& dialog, int item) {
    auto* list = dialog.findChild<CHTMLListCtrl*>(QStringLiteral("modeList"));
    const QPoint point = list->ItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
}

// Ticks the tree node at `path` below the root and starts the recovery into `folder`.
void TickAndRecover(QWidget& window, const QStringList& path, const std::string& folder, QStringList& messages) {
    auto* tree = window.findChild<ResultItemView*>(QStringLiteral("resultTree"));
    const QModelIndex node = NodeAt(*tree->model(), path);
    ASSERT_TRUE(node.isValid()) << path.join('/').toStdString();
    tree->scrollTo(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->CheckBoxRect(node).center());
    {
        ScriptedUser user(QString::fromStdString(folder));
        QTest::mouseClick(window.findChild<MarkupButton*>(QStringLiteral("recoverButton")), Qt::LeftButton);
        messages = user.messages;
    }
    QMetaObject::invokeMethod(&window, "accept", Qt::QueuedConnection);
}

Hashes WrittenFiles(const std::string& folder) {
    Hashes written;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            written[fs::relative(entry.path(), folder).generic_string()] = testing_support::FileSha256(entry.path());
    return written;
}

TEST(WholeProgram, ATickedFolderOfADeletedFileScanIsRecoveredByteForByte) {
    // The volume is a drive of the user's own settings, as an image would be.
    CRuvexApp& application = *CRuvexApp::Current();
    const std::string settings = application.m_iniFile.GetPath();
    ASSERT_TRUE(application.m_iniFile.WriteString(u"Drives", u"E",
                                                  platform::FromUtf8(testing_support::VolumePath("ntfs-small"))));
    platform::Drives().Load(settings, testing_support::MakeTempFolder("no-block-devices"));
    application.m_driveLetter = 0;

    const std::string folder = testing_support::MakeTempFolder("whole-program");
    QStringList messages;
    ModalScript script({
        {QStringLiteral("modeDialog"), [](QWidget& dialog) { DoubleClickMode(dialog, 0); }},
        {QStringLiteral("driveDialog"), [](QWidget& dialog) { ChooseDrive(dialog, u'E'); }},
        {QStringLiteral("resultsWindow"),
         [&](QWidget& window) { TickAndRecover(window, {"删除的文件", "Photos"}, folder, messages); }},
        // The recovery's progress runs on by itself.
        {QStringLiteral("recoveryProgress"), [](QWidget&) {}},
    });
    EXPECT_FALSE(application.InitInstance());
    ASSERT_EQ(script.seen.mid(0, 2), (QStringList{"modeDialog", "driveDialog"}));
    ASSERT_TRUE(script.seen.contains("resultsWindow")) << script.seen.join(' ').toStdString();
    EXPECT_EQ(application.m_scanContext.recoveryMode, 1);
    EXPECT_EQ(messages, QStringList{"恢复完成"});

    Hashes expected;
    for (const auto& entry : testing_support::LoadManifest("ntfs-small"))
        if (entry.kind == "file" && entry.path.rfind("/Photos/", 0) == 0)
            expected["E盘恢复的文件/删除的文件" + entry.path] = entry.sha256;
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(WrittenFiles(folder), expected);
}

}  // namespace
