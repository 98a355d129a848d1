#include "platform/GrantedSources.h"
#include "platform/RawSource.h"
#include "tests/support/CountingImage.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

using platform::Geometry;
using platform::RawSource;
using platform::SourceWindow;

std::string OffsetImage() {
    static const std::string path = testing_support::MakeCountingImage("descriptor", 16 * 1024);
    return path;
}

TEST(RawSourceDescriptor, ReadsAWindowOfAHandedOverDescriptorAndNothingElse) {
    const int fd = ::open(OffsetImage().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string reason;
    auto source = RawSource::OpenDescriptor(fd, "/dev/handed-over", 0, SourceWindow{1024, 4096}, reason);
    ASSERT_TRUE(source) << reason;
    EXPECT_EQ(source->Path(), "/dev/handed-over");
    EXPECT_EQ(source->Descriptor(), fd);
    Geometry geometry;
    ASSERT_TRUE(source->QueryGeometry(geometry));
    EXPECT_EQ(geometry.byteSize, 4096u);
    EXPECT_EQ(geometry.sectorSize, 512u);

    std::vector<uint8_t> buffer(512);
    ASSERT_TRUE(source->ReadAt(4096 - 512, buffer.data(), buffer.size()));
    EXPECT_EQ(buffer[0], (1024 + 4096 - 512) % 251);
    EXPECT_FALSE(source->ReadAt(4096 - 511, buffer.data(), buffer.size())) << "one byte past the window";

    // The descriptor is read-only: a write through it fails.
    EXPECT_EQ(::pwrite(source->Descriptor(), buffer.data(), 1, 0), -1);
    EXPECT_EQ(errno, EBADF);

    reason.clear();
    EXPECT_FALSE(RawSource::OpenDescriptor(::open(OffsetImage().c_str(), O_RDONLY), "/dev/x", 0,
                                           SourceWindow{16 * 1024, 512}, reason));
    EXPECT_NE(reason.find("beyond the end"), std::string::npos) << reason;
}

TEST(RawSourceDescriptor, RefusesDescriptorsOpenForWritingAndFolders) {
    std::string reason;
    const int writable = ::open(OffsetImage().c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writable, 0);
    EXPECT_FALSE(RawSource::OpenDescriptor(writable, OffsetImage(), 0, SourceWindow{}, reason));
    EXPECT_NE(reason.find("open for writing"), std::string::npos) << reason;
    EXPECT_EQ(::fcntl(writable, F_GETFD), -1) << "a refused descriptor is closed";

    const int folder = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    reason.clear();
    EXPECT_FALSE(RawSource::OpenDescriptor(folder, "/", 0, SourceWindow{}, reason));
    EXPECT_NE(reason.find("is a folder"), std::string::npos) << reason;

    reason.clear();
    EXPECT_FALSE(RawSource::OpenDescriptor(-1, "/dev/none", 0, SourceWindow{}, reason));
    EXPECT_FALSE(reason.empty());
}

TEST(RawSourceDescriptor, AGrantedPathOpensThroughACopyOfItsDescriptor) {
    // A path this process could never open itself.
    const std::string path = "/nonexistent/granted-disk";
    std::string reason;
    EXPECT_FALSE(RawSource::Open(path, 0, reason));

    const int granted = ::open(OffsetImage().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(granted, 0);
    platform::GrantSource(path, granted);
    for (int round = 0; round < 2; ++round) {
        auto source = RawSource::Open(path, 0, SourceWindow{512, 512}, reason);
        ASSERT_TRUE(source) << reason;
        EXPECT_NE(source->Descriptor(), granted) << "each source owns its own copy";
        std::vector<uint8_t> buffer(512);
        ASSERT_TRUE(source->ReadAt(0, buffer.data(), buffer.size()));
        EXPECT_EQ(buffer[0], 512 % 251);
    }
    EXPECT_GE(::fcntl(granted, F_GETFD), 0) << "closing a source leaves the grant open";
    EXPECT_FALSE(platform::CopyGrantedDescriptor("/nonexistent/other"));
}

}  // namespace
