#pragma once
// A file name body: the value of a file name attribute and the key of a
// directory index entry. Holds the parent folder, the size at naming time and
// the name itself in one of the four namespaces.
//
// Layout (little-endian): parent reference 8, creation, modification, record
// change and access times 8 each, allocated size 8, real size 8, flags 4,
// reparse value 4, name length in characters 1, namespace 1, then the name
// in UTF-16, not terminated.
#include "platform/LittleEndian.h"

#include <cstdint>
#include <span>
#include <string>

namespace file_name {
constexpr uint64_t kParentReferenceOffset = 0x00;
constexpr uint64_t kRealSizeOffset = 0x30;
constexpr uint64_t kNameLengthOffset = 0x40;
constexpr uint64_t kNamespaceOffset = 0x41;
constexpr uint64_t kNameOffset = 0x42;
}  // namespace file_name

class CFileName {
public:
    enum Namespace : uint8_t { kPosix = 0, kWin32 = 1, kDos = 2, kWin32AndDos = 3 };

    // `body` is the whole file name body; an absent body gives a name of length 0.
    explicit CFileName(platform::LeBytes body);
    virtual ~CFileName() = default;

    bool HasBody() const { return m_nameBody.Size() != 0; }
    uint32_t NameLength() const { return m_nameLength; }
    uint8_t NameSpace() const { return m_nameBody.U8(file_name::kNamespaceOffset); }
    uint64_t ParentReference() const { return m_nameBody.U64(file_name::kParentReferenceOffset); }
    uint64_t RealSize() const { return m_nameBody.U64(file_name::kRealSizeOffset); }
    // Copies the name into `buffer`, up to its size; returns the characters copied.
    uint32_t CopyName(std::span<char16_t> buffer) const;
    std::u16string Name() const;

    // True when the fixed fields and the name its length byte gives fit in `body`.
    static bool BodyFits(const platform::LeBytes& body);

private:
    platform::LeBytes m_nameBody;
    uint32_t m_nameLength;
};
