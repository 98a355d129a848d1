#pragma once
// A compound file candidate (legacy Word, Excel and PowerPoint files): the
// header gives the sector size and the sectors of the allocation table (the
// first 109 in the header, the rest through the DIFAT chain). The file's size
// is that of the highest sector the table marks in use; the names of the root
// storage's children ("WordDocument", "Workbook", "PowerPoint Document") give
// its type.
#include "carving/BaseFile.h"
#include "carving/CompoundDirectory.h"

#include <memory>
#include <vector>

class CCompoundFile : public CBaseFile {
public:
    // Allocation-table sectors followed at most (with 512-byte sectors a
    // table of this many sectors maps 1 GiB).
    static constexpr uint32_t kMaxTableSectors = 16384;

    CCompoundFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint32_t fileSectorShift,
                  uint32_t tableSectors, uint32_t firstDirectorySector);

    // A new candidate when the sector starts with the compound file signature
    // and a header of version 3 or 4; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    struct PendingSector {
        uint32_t number;    // sector number within the compound file
        uint32_t ordinal;   // position in the allocation table (or DIFAT chain)
        bool isDifat;
    };

    uint64_t FileOffset(uint32_t number) const { return (uint64_t(number) + 1) << m_fileSectorShift; }
    uint32_t EntriesPerSector() const { return (1u << m_fileSectorShift) / 4; }
    // Reads the header's part of the DIFAT; false when it breaks the format.
    bool ReadHeader(const CSectorWindow& data);
    // Reads one table or DIFAT sector that is in view; false when it breaks the format.
    bool ReadPending(const PendingSector& pending, const CSectorWindow& data);
    // Once the whole table is known: the end, and the directory for the type.
    bool Settle();

    uint32_t m_fileSectorShift;
    uint32_t m_tableSectors;
    uint32_t m_firstDirectorySector;
    bool m_headerRead = false;
    std::vector<uint32_t> m_table;                  // the allocation table, as far as read
    std::vector<PendingSector> m_pending;
    std::vector<uint32_t> m_tableSectorNumbers;    // those read so far
    uint64_t m_fileEnd = 0;                         // once the table is whole
    CCompoundDirectory m_directory;
};
