#include "tests/carving/CarvingTestSupport.h"

#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace carving_test {

std::vector<uint8_t> MakeZip(const std::vector<ZipEntry>& entries, std::string_view comment,
                             bool dataDescriptors) {
    Bytes zip;
    std::vector<uint32_t> localOffsets;
    for (const ZipEntry& entry : entries) {
        localOffsets.push_back(static_cast<uint32_t>(zip.Size()));
        uint32_t size = dataDescriptors ? 0 : static_cast<uint32_t>(entry.content.size());
        zip.U32(0x04034B50).U16(20).U16(dataDescriptors ? 8 : 0).U16(0).U16(0).U16(0);
        zip.U32(0).U32(size).U32(size).U16(static_cast<uint16_t>(entry.name.size())).U16(0);
        zip.Raw(entry.name).Raw(entry.content);
        if (dataDescriptors) {
            auto real = static_cast<uint32_t>(entry.content.size());
            zip.U32(0x08074B50).U32(0).U32(real).U32(real);
        }
    }
    auto directoryStart = static_cast<uint32_t>(zip.Size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipEntry& entry = entries[i];
        auto size = static_cast<uint32_t>(entry.content.size());
        zip.U32(0x02014B50).U16(20).U16(20).U16(dataDescriptors ? 8 : 0).U16(0).U16(0).U16(0);
        zip.U32(0).U32(size).U32(size).U16(static_cast<uint16_t>(entry.name.size())).U16(0).U16(0);
        zip.U16(0).U16(0).U32(0).U32(localOffsets[i]).Raw(entry.name);
    }
    auto directorySize = static_cast<uint32_t>(zip.Size()) - directoryStart;
    auto count = static_cast<uint16_t>(entries.size());
    zip.U32(0x06054B50).U16(0).U16(0).U16(count).U16(count).U32(directorySize).U32(directoryStart);
    zip.U16(static_cast<uint16_t>(comment.size())).Raw(comment);
    return zip.Get();
}

std::vector<uint8_t> MakeOfficeZip(const std::vector<std::string>& names) {
    std::vector<ZipEntry> entries{{"[Content_Types].xml", "<Types/>"}};
    for (const std::string& name : names) entries.push_back({name, "<x/>"});
    return MakeZip(entries);
}

std::vector<uint8_t> MakeBmp(uint32_t fileSize) {
    Bytes bmp;
    bmp.Raw("BM").U32(fileSize).U32(0).U32(54);
    bmp.U32(40).U32(4).U32(4).U16(1).U16(24).U32(0).U32(0).U32(2835).U32(2835).U32(0).U32(0);
    bmp.Fill(fileSize - bmp.Size(), 0x7F);
    return bmp.Get();
}

std::vector<uint64_t> FeedImage(CCarveState& state, const SectorImage& image, uint64_t sectorsPerRead) {
    std::vector<uint64_t> finishedOn;
    const uint32_t sectorSize = image.SectorSize();
    for (uint64_t first = 0; first < image.Sectors(); first += sectorsPerRead) {
        uint64_t count = std::min(sectorsPerRead, image.Sectors() - first);
        auto begin = image.Bytes().begin() + static_cast<std::ptrdiff_t>(first * sectorSize);
        std::vector<uint8_t> read(begin, begin + static_cast<std::ptrdiff_t>(count * sectorSize));
        for (uint64_t i = 0; i < count; ++i) {
            if (FeedSector(state, std::span(read).subspan(i * sectorSize), first + i)) {
                finishedOn.push_back(first + i);
            }
        }
    }
    return finishedOn;
}

std::vector<std::unique_ptr<CBaseFile>> CarveLaid(const std::vector<uint8_t>& file, uint64_t sectorsPerRead,
                                                  const std::vector<uint8_t>& after) {
    constexpr uint32_t kSectorSize = 512;
    SectorImage image(kSectorSize, 2 + (file.size() + after.size()) / kSectorSize + 4);
    image.Put(2, file);
    image.PutAt(2 * kSectorSize + file.size(), after);
    CCarveState state(nullptr, kSectorSize);
    FeedImage(state, image, sectorsPerRead);
    return state.TakeFinished();
}

void ExpectCarvedWhole(const std::vector<uint8_t>& file, uint32_t type, const std::vector<uint8_t>& after) {
    ASSERT_FALSE(file.empty());
    for (uint64_t sectorsPerRead : {1u, 3u, 40000u}) {
        auto carved = CarveLaid(file, sectorsPerRead, after);
        ASSERT_EQ(carved.size(), 1u) << "reads of " << sectorsPerRead;
        EXPECT_EQ(carved[0]->GetType(), type) << "reads of " << sectorsPerRead;
        EXPECT_EQ(carved[0]->GetLength(), file.size()) << "reads of " << sectorsPerRead;
    }
}

std::vector<uint8_t> ToolOutput(const std::string& command) {
    const std::string output = testing_support::CommandOutput(command);
    return std::vector<uint8_t>(output.begin(), output.end());
}

std::vector<uint8_t> Noise(size_t count) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = 12345;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245 + 12345;
        byte = static_cast<uint8_t>(0x80 | (state >> 16));  // high bytes: no signature's lead, no text
    }
    return bytes;
}

void ScanVolume(const CVolumeAccess& device, CCarveState& state, uint64_t sectorsPerRead) {
    // Room the full scan leaves behind its read buffer; the engine must not need it.
    constexpr size_t kSpareBytes = 64;
    const uint32_t sectorSize = device.GetSectorSize();
    const uint64_t sectors = device.GetUnitCount();
    std::vector<uint8_t> buffer(sectorsPerRead * sectorSize + kSpareBytes);
    for (uint64_t first = 0; first < sectors; first += sectorsPerRead) {
        uint64_t count = std::min(sectorsPerRead, sectors - first);
        std::span<uint8_t> read(buffer.data(), count * sectorSize);
        if (!device.ReadSectors(first, first + count - 1, read)) return;
        for (uint64_t i = 0; i < count; ++i) {
            FeedSector(state, std::span<const uint8_t>(read).subspan(i * sectorSize), first + i);
        }
    }
}

bool CMemoryDevice::ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const {
    ++m_reads;
    const uint64_t sectorSize = m_image.SectorSize();
    if (last < first || last >= m_image.Sectors() || last >= m_failFrom) return false;
    uint64_t length = (last - first + 1) * sectorSize;
    if (buffer.size() < length) return false;
    std::memcpy(buffer.data(), m_image.Bytes().data() + first * sectorSize, length);
    return true;
}

}  // namespace carving_test
