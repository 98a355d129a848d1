#pragma once
// A small FAT32 image laid out by hand, for tests that need exact clusters:
// 512-byte sectors, a boot sector with the fields a FAT32 reader checks and
// uses, both tables kept equal, and helpers to write links and cluster contents.
#include "platform/DriveTable.h"
#include "tests/support/TestVolumes.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

struct Fat32Layout {
    uint32_t reservedSectors = 32;
    uint32_t numberOfTables = 2;
    uint32_t sectorsPerTable = 8;
    uint32_t sectorsPerCluster = 1;
    uint32_t rootCluster = 2;
    uint64_t dataClusters = 900;
};

class Fat32TestImage {
public:
    using Layout = Fat32Layout;

    explicit Fat32TestImage(const std::string& label, Layout layout = Layout()) : m_layout(layout) {
        uint64_t sectors = layout.reservedSectors + uint64_t(layout.numberOfTables) * layout.sectorsPerTable +
                           layout.dataClusters * layout.sectorsPerCluster;
        m_path = testing_support::MakeSparseFile(label, sectors * 512);
        std::vector<uint8_t> boot(512);
        boot[0x0B] = 0x00, boot[0x0C] = 0x02;
        boot[0x0D] = static_cast<uint8_t>(layout.sectorsPerCluster);
        PutLe(boot, 0x0E, layout.reservedSectors, 2);
        boot[0x10] = static_cast<uint8_t>(layout.numberOfTables);
        boot[0x15] = 0xF8;  // fixed disk
        PutLe(boot, 0x20, sectors, 4);
        PutLe(boot, 0x24, layout.sectorsPerTable, 4);
        PutLe(boot, 0x2C, layout.rootCluster, 4);
        std::copy_n("FAT32   ", 8, boot.begin() + 0x52);
        boot[510] = 0x55, boot[511] = 0xAA;
        Write(0, boot);
        SetLink(0, 0x0FFFFFF8);
        SetLink(1, 0x0FFFFFFF);
    }

    const std::string& Path() const { return m_path; }
    uint32_t ClusterSize() const { return m_layout.sectorsPerCluster * 512; }

    // Sets the table entry of `cluster` in every table.
    void SetLink(uint64_t cluster, uint32_t value) {
        std::vector<uint8_t> bytes(4);
        PutLe(bytes, 0, value, 4);
        for (uint32_t table = 0; table < m_layout.numberOfTables; ++table) {
            uint64_t tableStart = (m_layout.reservedSectors + uint64_t(table) * m_layout.sectorsPerTable) * 512;
            Write(tableStart + cluster * 4, bytes);
        }
    }
    // Writes bytes at the start of a data cluster.
    void WriteCluster(uint64_t cluster, const std::vector<uint8_t>& bytes) {
        Write(ClusterOffset(cluster), bytes);
    }
    uint64_t ClusterOffset(uint64_t cluster) const {
        return (m_layout.reservedSectors + uint64_t(m_layout.numberOfTables) * m_layout.sectorsPerTable +
                (cluster - 2) * m_layout.sectorsPerCluster) * 512;
    }
    void Write(uint64_t offset, const std::vector<uint8_t>& bytes) {
        std::fstream file(m_path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void Register(char16_t letter) const {
        platform::Drives().Register({letter, m_path, 0, platform::DriveKind::Image});
    }

    static void PutLe(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, unsigned width) {
        for (unsigned i = 0; i < width; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }

private:
    Layout m_layout;
    std::string m_path;
};
