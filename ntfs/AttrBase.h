#pragma once
// The common part of every attribute of a file record: its header inside the
// record buffer and the volume geometry it needs to read its data, copied at
// creation so that reads do not go back to the volume object.
#include "ntfs/AttrRecycler.h"
#include "ntfs/RecordLayout.h"
#include "platform/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace platform {
class RawSource;
}
class CFileRecord;
class CAttr_FileName;
class CAttr_StdInfo;

class CAttrBase {
public:
    // `attribute` is the whole attribute (header, name and value or run list),
    // bounded by its recorded length; it stays inside the owner's buffer.
    CAttrBase(platform::LeBytes attribute, CFileRecord& owner);
    virtual ~CAttrBase() = default;
    CAttrBase(const CAttrBase&) = delete;
    CAttrBase& operator=(const CAttrBase&) = delete;
    // Attribute objects live in per-thread recycled storage (AttrRecycler.h).
    static void* operator new(std::size_t size) { return attr_recycler::Allocate(size); }
    static void operator delete(void* block, std::size_t size) { attr_recycler::Release(block, size); }

    // 1 when the data can be read: always for resident attributes, the result
    // of decoding the runs for non-resident ones.
    virtual uint32_t RunsValid() const = 0;
    // The real data size; the allocated size goes to `allocated` when given.
    virtual uint64_t DataSize(uint64_t* allocated = nullptr) const = 0;
    // Copies up to buffer.size() bytes of data from `offset`; `got` receives
    // the bytes copied. False past the end of the data or on a short read.
    virtual bool ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got) = 0;
    // This attribute as its own kind, or null: asked several times a record
    // by the sweep, where dynamic_cast through the file name's two bases
    // costs string compares.
    virtual const CAttr_FileName* AsFileName() const { return nullptr; }
    virtual const CAttr_StdInfo* AsStdInfo() const { return nullptr; }

    uint32_t Type() const { return m_header.U32(attribute_header::kTypeOffset); }
    bool IsNonResident() const { return m_header.U8(attribute_header::kNonResidentOffset) != 0; }
    uint8_t AttributeNameLength() const { return m_header.U8(attribute_header::kNameLengthOffset); }
    uint16_t AttributeFlags() const { return m_header.U16(attribute_header::kFlagsOffset); }
    bool IsCompressed() const { return (AttributeFlags() & attribute_header::kCompressionMask) != 0; }
    bool IsEncrypted() const { return (AttributeFlags() & attribute_header::kFlagEncrypted) != 0; }
    const platform::LeBytes& Header() const { return m_header; }
    CFileRecord& Owner() const { return *m_fileRecord; }

    // True when the common header and the attribute's name lie inside `attribute`.
    static bool HeaderFits(const platform::LeBytes& attribute);

protected:
    platform::LeBytes m_header;
    uint32_t m_clusterSize;
    const platform::RawSource* m_source;  // the volume's source, borrowed
    CFileRecord* m_fileRecord;
};
