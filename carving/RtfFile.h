#pragma once
// An RTF document: "{\rtf", then groups in braces to the brace that closes
// the outer one. Escaped backslashes and braces do not count, and the
// binary data of a \binN control word is skipped by its length. A line
// break right behind the closing brace belongs to the file, as writers end
// it so. Bytes no RTF text holds (NUL and the other control characters but
// tab, line feed, carriage return and form feed) drop the candidate.
#include "carving/BaseFile.h"

#include <memory>

class CRtfFile : public CBaseFile {
public:
    // Documents claiming more are taken as damaged.
    static constexpr uint64_t kMaxBytes = uint64_t(1) << 32;
    static constexpr uint32_t kMaxDepth = 4096;

    CRtfFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector)
        : CBaseFile(device, sectorSize, firstSector) {}

    // A new candidate when the sector starts "{\rtf"; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;
    int EndWhereItStands(uint64_t nextSector) override;

private:
    enum class State : uint8_t { Text, Escape, Word, Number, Binary, LineBreak, Done };
    // Takes one byte of the document; false when no RTF holds it there.
    bool Take(uint8_t byte);

    State m_state = State::Text;
    uint64_t m_next = 0;        // file offset of the next byte to take
    uint32_t m_depth = 0;
    uint8_t m_wordLength = 0;   // letters of the control word so far
    bool m_wordIsBin = false;   // the control word read so far is "bin"
    bool m_negative = false;
    bool m_afterCr = false;     // a carriage return followed the closing brace
    uint64_t m_number = 0;      // the control word's parameter
    uint64_t m_binaryLeft = 0;  // bytes of \bin data still to skip
    uint64_t m_fileEnd = 0;     // one past the closing brace, and the line break once seen
};
