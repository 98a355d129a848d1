#pragma once
// A SQLite database: "SQLite format 3\0", then a header whose page size and
// page count give the file's length. The count is trusted only where the
// header says it is valid (its change counter equals the version-valid-for
// number, as SQLite 3.7.0 and later write it).
#include "carving/SizedFile.h"

#include <memory>

// Files claiming more than this are taken as damaged headers.
inline constexpr uint64_t kMaxSqliteBytes = uint64_t(1) << 40;

// A new candidate when the sector starts with a SQLite header whose page
// size, payload fractions and page count hold; null otherwise.
std::unique_ptr<CBaseFile> RecogniseSqlite(const platform::LeBytes& sector, uint64_t sectorNumber,
                                           uint32_t sectorSize, const CVolumeAccess* device);
