#pragma once
// Crafted sector images for the carving tests: byte builders for the few
// fields the engine reads, a memory device to save carved files from, and a
// feeder that hands sectors to the engine the way the full scan does, in
// reads of a chosen length held in buffers of exactly that size.
#include "carving/CarveState.h"
#include "device/VolumeAccess.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace carving_test {

class Bytes {
public:
    Bytes& Raw(std::string_view text) {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& U8(uint8_t value) {
        m_bytes.push_back(value);
        return *this;
    }
    Bytes& U16(uint16_t value) { return U8(value & 0xFF).U8(value >> 8); }
    Bytes& U32(uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    Bytes& BigU16(uint16_t value) { return U8(value >> 8).U8(value & 0xFF); }
    Bytes& BigU32(uint32_t value) { return BigU16(value >> 16).BigU16(value & 0xFFFF); }
    Bytes& U64(uint64_t value) { return U32(value & 0xFFFFFFFF).U32(value >> 32); }
    Bytes& BigU64(uint64_t value) { return BigU32(value >> 32).BigU32(value & 0xFFFFFFFF); }
    Bytes& Fill(size_t count, uint8_t value) {
        m_bytes.insert(m_bytes.end(), count, value);
        return *this;
    }
    Bytes& Append(const std::vector<uint8_t>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
        return *this;
    }
    size_t Size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& Get() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

// A JPEG: start of image, an APP0 "JFIF" segment, a quantisation segment,
// start of scan, `scanBytes` of entropy-coded data (no zero bytes, no FF),
// end of image.
inline std::vector<uint8_t> MakeJpeg(size_t scanBytes) {
    Bytes jpeg;
    jpeg.U8(0xFF).U8(0xD8);
    jpeg.U8(0xFF).U8(0xE0).BigU16(16).Raw(std::string_view("JFIF\0", 5)).Fill(9, 1);
    jpeg.U8(0xFF).U8(0xDB).BigU16(67).Fill(65, 2);
    jpeg.U8(0xFF).U8(0xDA).BigU16(8).Fill(6, 3);
    for (size_t i = 0; i < scanBytes; ++i) jpeg.U8(static_cast<uint8_t>(0x11 + i % 200));
    jpeg.U8(0xFF).U8(0xD9);
    return jpeg.Get();
}

struct ZipEntry {
    std::string name;
    std::string content;
};

// A stored (uncompressed) ZIP of the entries, with a central directory and an
// end record carrying `comment`. With `dataDescriptors` the local headers
// give sizes of 0 and a descriptor follows each entry's data.
std::vector<uint8_t> MakeZip(const std::vector<ZipEntry>& entries, std::string_view comment = {},
                             bool dataDescriptors = false);

// An office document: "[Content_Types].xml" first, then `names`.
std::vector<uint8_t> MakeOfficeZip(const std::vector<std::string>& names);

// A bitmap of exactly `fileSize` bytes (at least 54) with a 40-byte info header.
std::vector<uint8_t> MakeBmp(uint32_t fileSize);

// An image of `sectors` zero sectors on which files are laid at sector starts.
class SectorImage {
public:
    SectorImage(uint32_t sectorSize, uint64_t sectors)
        : m_sectorSize(sectorSize), m_bytes(sectorSize * sectors) {}
    void Put(uint64_t sector, const std::vector<uint8_t>& bytes) { PutAt(sector * m_sectorSize, bytes); }
    void PutAt(uint64_t offset, const std::vector<uint8_t>& bytes) {
        if (bytes.empty()) return;
        uint64_t end = offset + bytes.size();
        if (end > m_bytes.size()) m_bytes.resize((end + m_sectorSize - 1) / m_sectorSize * m_sectorSize);
        std::memcpy(m_bytes.data() + offset, bytes.data(), bytes.size());
    }
    uint32_t SectorSize() const { return m_sectorSize; }
    uint64_t Sectors() const { return m_bytes.size() / m_sectorSize; }
    std::vector<uint8_t>& Bytes() { return m_bytes; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    uint32_t m_sectorSize;
    std::vector<uint8_t> m_bytes;
};

// Feeds every sector of `image` in order, in reads of `sectorsPerRead`, each
// in a buffer of exactly the bytes read. Returns the sectors on which a file
// finished.
std::vector<uint64_t> FeedImage(CCarveState& state, const SectorImage& image, uint64_t sectorsPerRead);

// Reads the device in runs of `sectorsPerRead` into one buffer with spare
// room behind it, and feeds every sector, as the full scan does on a volume
// whose every unit is free; then ends the scan (TakeFinished is left to the caller).
void ScanVolume(const CVolumeAccess& device, CCarveState& state, uint64_t sectorsPerRead);

// Lays `file` at sector 2 of a zeroed image with `after` right behind its
// last byte, feeds the image in reads of `sectorsPerRead` and ends the scan:
// the files carved, in the order they finished.
std::vector<std::unique_ptr<CBaseFile>> CarveLaid(const std::vector<uint8_t>& file, uint64_t sectorsPerRead,
                                                  const std::vector<uint8_t>& after = {});

// Carves `file` laid with `after` behind it, in reads of 1, 3 and 40000
// sectors: exactly one file each time, of `type`, as long as `file`.
void ExpectCarvedWhole(const std::vector<uint8_t>& file, uint32_t type, const std::vector<uint8_t>& after = {});

// What a shell command wrote on its standard output (a real tool's file);
// empty when it failed.
std::vector<uint8_t> ToolOutput(const std::string& command);

// A few sectors of bytes that start no file and end none.
std::vector<uint8_t> Noise(size_t count);

// A device over a sector image; reads of sectors from `m_failFrom` on fail.
class CMemoryDevice : public CVolumeAccess {
public:
    explicit CMemoryDevice(const SectorImage& image) : m_image(image) {}
    uint64_t GetUnitCount() const override { return m_image.Sectors(); }
    uint32_t GetUnitSize() const override { return m_image.SectorSize(); }
    uint32_t GetSectorSize() const override { return m_image.SectorSize(); }
    bool IsUnitInUse(uint64_t) const override { return false; }
    uint64_t UnitToSector(uint64_t unit) const override { return unit; }
    bool ReadSectors(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override;
    bool ReadUnits(uint64_t first, uint64_t last, std::span<uint8_t> buffer) const override {
        return ReadSectors(first, last, buffer);
    }

    uint64_t m_failFrom = UINT64_MAX;
    mutable unsigned m_reads = 0;

private:
    const SectorImage& m_image;
};

}  // namespace carving_test
