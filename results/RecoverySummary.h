#pragma once
// What the user is told when a recovery ends: "恢复完成" when every ticked
// file was written whole, otherwise what was written and, file by file, what
// was not or only in part, and why, and which files written from guessed
// clusters may be damaged.
#include <cstdint>
#include <string>

struct RecoveryReport;

// Why an encrypted file is not recovered: its key is not on the volume.
inline constexpr const char16_t* kEncryptedFileText = u"文件已加密,无法恢复";

std::u16string RecoverySummary(const RecoveryReport& report);
// Why a recovery was refused before it began: the room it needs and the room there is.
std::u16string SpaceRefusalText(uint64_t needed, uint64_t available);
