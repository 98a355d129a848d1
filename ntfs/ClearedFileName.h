#pragma once
// A file name left behind in a cleared extension record. When a file whose
// attributes spread over several records is deleted, the record that held its
// $FILE_NAME may be emptied: the end-of-attributes marker is moved over the
// attribute, but the name's bytes stay past the marker. They still tell the
// file's name and folder when they check out.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct ClearedFileName {
    std::u16string name;
    uint64_t parentReference = 0;
};

// Looks past the end marker of `record` (a loaded, repaired record) for a
// file name body that checks out: its value inside the record, a name of at
// least one character without NUL or '/', a namespace other than DOS-only,
// and a parent reference to the root folder or to a record from 16 up to
// `recordCount` with a sequence number.
std::optional<ClearedFileName> FindClearedFileName(std::span<const uint8_t> record, uint64_t recordCount);
