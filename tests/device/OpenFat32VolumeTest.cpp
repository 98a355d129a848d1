// OpenFat32Volume: which of its three answers a source gets, and why.
#include "device/FAT32VolumeAccess.h"
#include "platform/RawSource.h"
#include "tests/device/Fat32TestImage.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>

namespace {

std::shared_ptr<const platform::RawSource> OpenImage(const std::string& path) {
    std::string reason;
    return platform::RawSource::Open(path, 0, reason);
}

// An image whose allocation table cannot be read, as on a disk with bad sectors there.
class BadTableSource : public platform::RawSource {
public:
    explicit BadTableSource(const std::string& path)
        : RawSource(::open(path.c_str(), O_RDONLY | O_CLOEXEC), path, 0, false) {}
    size_t ReadDevice(uint64_t offset, void* buffer, size_t length) const override {
        if (offset >= 32 * 512) {
            SetLastError(EIO);
            return 0;
        }
        return RawSource::ReadDevice(offset, buffer, length);
    }
};

struct Opened {
    std::unique_ptr<CFAT32VolumeAccess> device;
    OpenFailure failure;
};

Opened Open(std::shared_ptr<const platform::RawSource> source, const LoadProgress& progress = {}) {
    Opened opened;
    testing::internal::CaptureStderr();
    opened.device = OpenFat32Volume(std::move(source), progress, opened.failure);
    testing::internal::GetCapturedStderr();
    return opened;
}

TEST(OpenFat32Volume, AGoodVolumeOpens) {
    Fat32TestImage image("open-good");
    const Opened opened = Open(OpenImage(image.Path()));
    ASSERT_NE(opened.device, nullptr) << opened.failure.reason;
    EXPECT_EQ(opened.failure.status, OpenStatus::Opened);
    EXPECT_EQ(opened.device->GetUnitCount(), 900u);
    EXPECT_EQ(opened.device->GetRootCluster(), 2u);
}

TEST(OpenFat32Volume, SaysWhetherTheSourceIsFat32DamagedOrUnreadable) {
    Fat32TestImage zeros("open-zeros");
    zeros.Write(0, std::vector<uint8_t>(512));
    Fat32TestImage threeSectors("open-spc3");
    threeSectors.Write(0x0D, {3});
    // A boot sector that claims more than the image holds, table included.
    Fat32TestImage shortImage("open-short");
    std::vector<uint8_t> counts(8);
    Fat32TestImage::PutLe(counts, 0, 10'000'000, 4);
    Fat32TestImage::PutLe(counts, 4, 10'000, 4);
    shortImage.Write(0x20, counts);
    Fat32TestImage badTable("open-bad-table");
    const std::string tiny = testing_support::MakeSparseFile("open-tiny", 100);

    struct Case {
        const char* what;
        std::shared_ptr<const platform::RawSource> source;
        OpenStatus status;
        const char* reason;
    } cases[] = {
        {"no source", nullptr, OpenStatus::Unreadable, "no volume"},
        {"sector 0 cut short", OpenImage(tiny), OpenStatus::Unreadable, "the boot sector cannot be read"},
        {"table unreadable", std::make_shared<BadTableSource>(badTable.Path()), OpenStatus::Unreadable,
         "the allocation table cannot be read"},
        {"no boot sector", OpenImage(zeros.Path()), OpenStatus::NotThisFileSystem, "sector size"},
        {"3 sectors per cluster", OpenImage(threeSectors.Path()), OpenStatus::Damaged,
         "the boot sector's cluster size is not a power of two"},
        {"table past the image's end", OpenImage(shortImage.Path()), OpenStatus::Damaged,
         "the allocation table lies beyond the end of the volume"},
    };
    for (const Case& c : cases) {
        const Opened opened = Open(c.source);
        EXPECT_EQ(opened.device, nullptr) << c.what;
        EXPECT_EQ(opened.failure.status, c.status) << c.what;
        EXPECT_NE(opened.failure.reason.find(c.reason), std::string::npos) << c.what << ": " << opened.failure.reason;
    }
    for (const char* name : {"ntfs-small", "exfat-small", "raw-small"}) {
        if (!testing_support::VolumeExists(name)) continue;
        const Opened opened = Open(OpenImage(testing_support::VolumePath(name)));
        EXPECT_EQ(opened.device, nullptr) << name;
        EXPECT_EQ(opened.failure.status, OpenStatus::NotThisFileSystem) << name << ": " << opened.failure.reason;
    }
}

TEST(OpenFat32Volume, AVolumeThatLostItsBootSignatureStillOpens) {
    // The marks and fields of its boot sector tell it for FAT32 on their own.
    Fat32TestImage image("open-unsigned");
    image.Write(510, {0, 0});
    const Opened opened = Open(OpenImage(image.Path()));
    ASSERT_NE(opened.device, nullptr) << opened.failure.reason;
    EXPECT_EQ(opened.device->GetUnitCount(), 900u);
}

TEST(OpenFat32Volume, AStopWhileTheTableLoadsIsNoDamage) {
    Fat32TestImage image("open-stopped");
    const Opened opened = Open(OpenImage(image.Path()), [](uint64_t, uint64_t) { return false; });
    EXPECT_EQ(opened.device, nullptr);
    EXPECT_TRUE(opened.failure.WasStopped());
    EXPECT_EQ(opened.failure.status, OpenStatus::Unreadable);
    EXPECT_EQ(opened.failure.reason, OpenFailure::kStopped);

    // The constructor still throws, with the reason it always gave.
    testing::internal::CaptureStderr();
    try {
        CFAT32VolumeAccess device(OpenImage(image.Path()), [](uint64_t, uint64_t) { return false; });
        ADD_FAILURE() << "a stopped load must not give a device";
    } catch (const VolumeOpenError& error) {
        EXPECT_STREQ(error.what(), "Error Creating accessing the volume");
        EXPECT_EQ(error.Reason(), "loading the allocation table was stopped");
    }
    testing::internal::GetCapturedStderr();
}

}  // namespace
