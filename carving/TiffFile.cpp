#include "carving/TiffFile.h"

std::unique_ptr<CBaseFile> CTiffFile::Recognise(const platform::LeBytes& sector, uint64_t sectorNumber,
                                                uint32_t sectorSize, const CVolumeAccess* device) {
    if (!sector.Has(0, 8)) return nullptr;
    if (BytesAre(sector, 0, std::string_view("II*\0", 4))) {
        return std::make_unique<CTiffFile>(device, sectorSize, sectorNumber, false, sector.U32(4));
    }
    if (BytesAre(sector, 0, std::string_view("MM\0*", 4))) {
        uint32_t firstIfd = uint32_t(sector.U8(4)) << 24 | uint32_t(sector.U8(5)) << 16 |
                            uint32_t(sector.U8(6)) << 8 | sector.U8(7);
        return std::make_unique<CTiffFile>(device, sectorSize, sectorNumber, true, firstIfd);
    }
    return nullptr;
}
