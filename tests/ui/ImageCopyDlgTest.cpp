#include "engine/ScanContext.h"
#include "platform/DdrescueMap.h"
#include "tests/support/TestVolumes.h"
#include "tests/support/UnreadableSectorsSource.h"
#include "ui/BadAreasText.h"
#include "ui/ImageCopyDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ImageCopyDlgTest, CopiesADriveAroundItsBadSectorsAndShowsWhatItFound) {
    if (!testing_support::VolumeExists("ntfs-small")) GTEST_SKIP() << "ntfs-small is not committed";
    const std::string path = testing_support::VolumePath("ntfs-small");
    std::set<uint64_t> bad;
    for (uint64_t sector = 20000; sector < 20016; ++sector) bad.insert(sector);
    auto source = std::make_shared<testing_support::UnreadableSectorsSource>(path, bad);
    const std::string copy = testing_support::MakeTempFolder("image-dialog") + "/copy.img";
    ImageCopyDlg dialog(source, copy);
    dialog.exec();
    const ImageResult& result = dialog.Result();
    EXPECT_FALSE(result.failed) << result.error;
    EXPECT_FALSE(result.stopped);
    EXPECT_EQ(result.badBytes, 16u * 512);
    EXPECT_TRUE(dialog.StatusText().text().startsWith(QStringLiteral("坏扇区8KB,速度"))) << dialog.StatusText().text().toStdString();

    std::string expected = ReadFile(path);
    std::fill(expected.begin() + 20000 * 512, expected.begin() + 20016 * 512, '\0');
    EXPECT_TRUE(ReadFile(copy) == expected);
    platform::DdrescueMap map;
    std::string reason;
    ASSERT_TRUE(platform::ParseDdrescueMap(ReadFile(dialog.MapPath()), map, reason)) << reason;
    EXPECT_EQ(map.currentStatus, platform::kFinished);

    // The same source's bad areas are the scan's note.
    ScanContext context;
    context.source = source;
    EXPECT_EQ(BadAreasText(context), QStringLiteral("1处坏扇区,共8KB无法读取:\n扇区 20000 - 20015"));
}

TEST(ImageCopyDlgTest, StopEndsTheCopyWithItsMapSaved) {
    if (!testing_support::VolumeExists("ntfs-large")) GTEST_SKIP() << "ntfs-large is not committed";
    auto source = std::make_shared<testing_support::UnreadableSectorsSource>(testing_support::VolumePath("ntfs-large"),
                                                                             std::set<uint64_t>{});
    const std::string copy = testing_support::MakeTempFolder("image-dialog-stop") + "/copy.img";
    ImageCopyDlg dialog(source, copy);
    // Stopped before the copy's first step is done.
    QTimer::singleShot(0, &dialog, [&] { dialog.StopButton().click(); });
    dialog.exec();
    EXPECT_TRUE(dialog.Result().stopped);
    EXPECT_FALSE(dialog.Result().failed) << dialog.Result().error;
    platform::DdrescueMap map;
    std::string reason;
    ASSERT_TRUE(platform::ParseDdrescueMap(ReadFile(dialog.MapPath()), map, reason)) << reason;
    EXPECT_EQ(map.currentStatus, platform::kNonTried);
}

}  // namespace
