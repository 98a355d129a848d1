#pragma once
// A Windows icon (ICO) or cursor (CUR): a 6-byte header (reserved 0, type 1
// or 2, image count), 16-byte directory entries (size and offset of each
// image), then the images, each a bitmap info header or a PNG. Its lead
// bytes 00 00 01 00 are common in other data, so the directory must hold
// together before a candidate starts: sane entries, images inside the
// bounds, the first image right behind the directory. Each image must start
// as one when its bytes come into view; the file ends with the last image.
#include "carving/SizedFile.h"

#include <memory>
#include <vector>

class CIconFile : public CSizedFile {
public:
    static constexpr uint16_t kMaxImages = 64;
    static constexpr uint32_t kMaxImageBytes = 16u << 20;

    CIconFile(const CVolumeAccess* device, uint32_t sectorSize, uint64_t firstSector, uint64_t fileEnd,
              uint32_t type, std::vector<uint64_t> imageStarts)
        : CSizedFile(device, sectorSize, firstSector, fileEnd, type), m_imageStarts(std::move(imageStarts)) {}

    // A new candidate when the sector starts with such a directory; null otherwise.
    static std::unique_ptr<CBaseFile> Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device);

    int ProcessSector(uint64_t sector, const CSectorWindow& data) override;

private:
    std::vector<uint64_t> m_imageStarts;  // not checked yet, in ascending order
};
