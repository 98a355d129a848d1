#pragma once
// A Fujifilm RAF file: "FUJIFILMCCD-RAW " and a header whose big-endian
// offset and length pairs at 0x54 name the embedded JPEG preview, the CFA
// header and the CFA (raw) data. The file ends with the furthest of them.
#include "carving/SizedFile.h"

#include <memory>

// Files claiming more than this are taken as damaged headers.
inline constexpr uint64_t kMaxFujiRawBytes = uint64_t(1) << 32;

// A new candidate when the sector starts with a RAF header whose sections
// lie behind it; null otherwise.
std::unique_ptr<CBaseFile> RecogniseFujiRaw(const platform::LeBytes& sector, uint64_t sectorNumber,
                                            uint32_t sectorSize, const CVolumeAccess* device);
