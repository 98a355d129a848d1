#pragma once
// The fixture of the tests that parse records crafted in memory.
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ntfs_test {

constexpr uint8_t kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3;

// Records parsed from caller bytes on a volume of 512-byte sectors,
// 4096-byte clusters and 1024-byte records, with no source behind it.
class CraftedRecord : public testing::Test {
protected:
    CraftedRecord() : m_volume(CNTFSVolume::WithGeometry(nullptr, 512, 8, 1024, 1 << 20)), m_record(*m_volume) {}

    bool Load(const std::vector<uint8_t>& bytes, uint32_t mask = CFileRecord::kMaskSweep) {
        m_record.m_attrMask = mask;
        return m_record.LoadRecordBytes(bytes, 40);
    }
    bool LoadAndParse(const std::vector<uint8_t>& bytes, uint32_t mask = CFileRecord::kMaskSweep) {
        return Load(bytes, mask) && m_record.ParseAttributes();
    }

    std::unique_ptr<CNTFSVolume> m_volume;
    CFileRecord m_record;
};

}  // namespace ntfs_test
