#pragma once
// A recovered file whose clusters were guessed (one run from its first
// cluster, or the free clusters from there on) may hold another file's bytes
// or stop short. Where its type marks its own end (JPEG, PNG, ZIP and the
// documents built on it, PDF), the written file is read back and walked to
// that end; a file that does not reach it is reported as possibly damaged.
// Files read along a chain or runs are exact and are not checked.
#include "carving/WholeFileCheck.h"

#include <optional>
#include <string>

class CDelFile;
struct DeletedFileItem;

// What the results window tells about a file whose clusters were guessed.
inline constexpr const char16_t* kGuessedContentText = u"文件内容是推测的,可能不完整";

// The type a file's name says it is, when that type can be checked from its
// bytes; none for any other name.
std::optional<CheckedType> CheckedTypeOfName(const std::u16string& name);

// True when the content that recovers `file` (a FAT32 catalog file) or
// `item` (a found exFAT file) was guessed rather than read along its chain.
bool IsContentGuessed(const CDelFile* file, const DeletedFileItem* item);

// Why the file written at `path` may be damaged, in the user's words; empty
// when its bytes reach their type's end. A file that cannot be read back is
// not judged.
std::u16string DamageOfWrittenFile(const std::u16string& path, CheckedType type);

// Why `file` (or the found item `item`), listed as `name` and just written at
// `path`, may be damaged; empty when its content was read along its chain,
// its type cannot be checked, or its bytes reach their type's end.
std::u16string DamageOfSavedFile(const CDelFile* file, const DeletedFileItem* item, const std::u16string& name,
                                 const std::u16string& path);
