#pragma once
// What the user is told when a recovery ends: "恢复完成" when every ticked
// file was written whole, otherwise what was written and, file by file, what
// was not or only in part, and why.
#include <string>

struct RecoveryReport;

std::u16string RecoverySummary(const RecoveryReport& report);
