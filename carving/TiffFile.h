#pragma once
// A TIFF candidate, also the camera raw files built on TIFF (CR2, NEF, ARW,
// DNG, and ORF and RW2 with their own magic numbers). Its image file directories are walked (the chain, sub-directories,
// the Exif and GPS directories) as their bytes come into view; the file ends
// at the furthest byte of any directory, of any value a directory points to,
// and of any strip, tile or thumbnail. The first directory's Make (or its
// DNG version) names a raw file.
#include "carving/BaseFile.h"
#include "carving/TiffDirectory.h"

#include <memory>
#include <vector>

class CTiffFile : public CBaseFile {
public:
    // Files claiming more than this are taken as damaged directories.
    static constexpr uint64_t kMaxBytes = 1ull << 32;
    // Directories followed at most, which also stops loops in the chain.
    static constexpr size_t kMaxDirectories = 64;

    CTiffFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, bool bigEndian,
              uint32_t firstIfd);

    // A new candidate when the sector starts "II*\0" (little-endian) or
    // "MM\0*" (big-endian), or an ORF or RW2 magic, and names a first
    // directory; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

    uint32_t m_nextIfd;  // offset of the first image file directory
    bool m_bigEndian;

private:
    std::vector<uint64_t> m_pendingDirectories;  // offsets not read yet
    size_t m_directoriesSeen = 0;
    uint64_t m_furthestByte = 8;                 // one past the furthest byte known to belong to the file
    uint32_t m_rawType = 0;                      // set by the first directory
    bool m_isCanonRaw = false;                   // "CR" after the header, as CR2 files carry
    uint32_t m_magicType = 0;                    // the raw type a magic number of its own names
};
