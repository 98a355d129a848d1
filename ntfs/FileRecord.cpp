#include "ntfs/FileRecord.h"

#include "ntfs/AttrFactory.h"
#include "ntfs/AttrFileName.h"
#include "ntfs/AttrStdInfo.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/UpdateSequence.h"
#include "platform/TimeConvert.h"

#include <algorithm>

namespace {

constexpr size_t kStdInfoList = TypeIndex(kStandardInformation);
constexpr size_t kFileNameList = TypeIndex(kFileName);
constexpr size_t kDataList = TypeIndex(kData);

const CAttr_FileName* AsFileName(const CAttrBase* attribute) { return attribute ? attribute->AsFileName() : nullptr; }
const CAttr_StdInfo* AsStdInfo(const CAttrBase* attribute) { return attribute ? attribute->AsStdInfo() : nullptr; }

}  // namespace

CFileRecord::CFileRecord(CNTFSVolume& volume) : m_volume(&volume) {}

CFileRecord::~CFileRecord() { RemoveAllAttributes(); }

void CFileRecord::RemoveAllAttributes() {
    // Attributes moved in from extension records point into buffers that the
    // attribute list attribute (list 1) owns, so the lists after it go first.
    for (size_t k = kTypeCount; k-- > 0;) m_attrLists[k].RemoveAll();
}

bool CFileRecord::FetchRecord(uint64_t recordNumber) {
    const uint32_t size = m_volume->m_fileRecordSize;
    if (size == 0) return false;
    m_recordBuffer.resize(size);
    if (const CFoundRecords* found = m_volume->FoundRecords()) return found->Copy(recordNumber, m_recordBuffer);
    if (recordNumber >= CNTFSVolume::kMftFirstMappedRecord && m_volume->m_mftData)
        return m_volume->ReadMftRecord(recordNumber, m_recordBuffer);
    // Records 0 to 15 always lie at the start of the MFT, which also serves
    // record 0 itself before the MFT's map is known.
    if (recordNumber > (~0ULL - m_volume->m_mftOffset) / size) return false;
    return m_volume->ReadVolume(m_volume->m_mftOffset + recordNumber * size, m_recordBuffer);
}

bool CFileRecord::FinishLoad(uint64_t recordNumber) {
    m_recordNumber = recordNumber;
    const platform::LeBytes header(m_recordBuffer);
    if (header.U32(mft_record::kSignatureOffset) != mft_record::kSignature) return false;
    if (!ApplyUpdateSequence(m_recordBuffer, m_volume->m_sectorSize)) return false;
    m_loaded = true;
    if (BaseReference() != 0 && !IsInUse())
        m_volume->Extensions().Note(recordNumber, BaseReference(), m_recordBuffer, m_volume->RecordCount());
    return true;
}

bool CFileRecord::LoadRecord(uint64_t recordNumber) {
    RemoveAllAttributes();
    m_loaded = false;
    if (!FetchRecord(recordNumber)) {
        m_recordNumber = kNoRecord;
        return false;
    }
    return FinishLoad(recordNumber);
}

bool CFileRecord::LoadRecordBytes(std::span<const uint8_t> bytes, uint64_t recordNumber) {
    RemoveAllAttributes();
    m_loaded = false;
    m_recordNumber = kNoRecord;
    if (m_volume->m_fileRecordSize == 0 || bytes.size() != m_volume->m_fileRecordSize) return false;
    m_recordBuffer.assign(bytes.begin(), bytes.end());
    return FinishLoad(recordNumber);
}

bool CFileRecord::ParseAttributes() {
    RemoveAllAttributes();
    if (!m_loaded) return false;
    const platform::LeBytes record(m_recordBuffer);
    uint64_t offset = record.U16(mft_record::kFirstAttributeOffset);
    // Every attribute advances the walk by at least its header, so it ends
    // within the record; a record without its end marker is damaged.
    while (true) {
        if (!record.Has(offset, sizeof(uint32_t))) return false;  // the type, or the end marker
        const uint32_t type = record.U32(offset + attribute_header::kTypeOffset);
        if (type == kEndOfAttributes) return true;
        const uint64_t length = record.U32(offset + attribute_header::kLengthOffset);
        if (length < attribute_header::kSize || !record.Has(offset, length)) return false;

        const uint32_t index = TypeIndex(type);
        if ((m_attrMask >> (index % 32)) & 1) {
            if (index >= kTypeCount) return false;
            std::unique_ptr<CAttrBase> attribute = CreateAttribute(record.Sub(offset, length), *this);
            if (!attribute) return false;
            m_attrLists[index].Append(std::move(attribute));
        }
        offset += length;
    }
}

uint16_t CFileRecord::Flags() const {
    return m_loaded ? platform::LeBytes(m_recordBuffer).U16(mft_record::kFlagsOffset) : 0;
}

uint64_t CFileRecord::BaseReference() const {
    return m_loaded ? platform::LeBytes(m_recordBuffer).U64(mft_record::kBaseReferenceOffset) : 0;
}

uint16_t CFileRecord::SequenceNumber() const {
    return m_loaded ? platform::LeBytes(m_recordBuffer).U16(mft_record::kSequenceNumberOffset) : 0;
}

bool CFileRecord::IsEncrypted() const {
    const auto* info = AsStdInfo(m_attrLists[kStdInfoList].Front());
    if (info && (info->FileAttributes() & CAttr_StdInfo::kFlagEncrypted) != 0) return true;
    for (const auto& attribute : m_attrLists[kDataList].Elements())
        if (attribute->AttributeNameLength() == 0 && attribute->IsEncrypted()) return true;
    return false;
}

std::span<const uint8_t> CFileRecord::Bytes() const {
    return m_loaded ? std::span<const uint8_t>(m_recordBuffer) : std::span<const uint8_t>();
}

uint32_t CFileRecord::FirstLongName(std::span<char16_t> buffer) const {
    for (const auto& attribute : m_attrLists[kFileNameList].Elements()) {
        const auto* name = attribute->AsFileName();
        if (!name || !name->HasBody() || name->NameLength() == 0 || name->NameSpace() == CFileName::kDos)
            continue;
        if (buffer.size() <= name->NameLength()) return 0;
        const uint32_t length = name->CopyName(buffer);
        buffer[length] = u'\0';
        return length;
    }
    return 0;
}

std::u16string CFileRecord::FirstLongName() const {
    std::array<char16_t, kNameBufferLength> buffer{};
    return std::u16string(buffer.data(), FirstLongName(buffer));
}

uint64_t CFileRecord::NameFileSize() const {
    const auto* name = AsFileName(m_attrLists[kFileNameList].Front());
    return name ? name->RealSize() : 0;
}

uint64_t CFileRecord::ParentReference() const {
    const auto* name = AsFileName(m_attrLists[kFileNameList].Front());
    return name ? name->ParentReference() : 0;
}

uint64_t CFileRecord::ModifiedTimeLocal() const {
    const auto* info = AsStdInfo(m_attrLists[kStdInfoList].Front());
    return info ? platform::FileTimeToLocalFileTime(info->ModifiedTime()) : 0;
}

CAttrBase* CFileRecord::DefaultDataStream() const {
    // A fragmented stream is split over several attributes; the one that
    // starts at cluster 0 carries the sizes, wherever the list put it.
    CAttrBase* firstFound = nullptr;
    for (const auto& element : m_attrLists[kDataList].Elements()) {
        CAttrBase* attribute = element.get();
        if (attribute->AttributeNameLength() != 0) continue;
        if (!attribute->IsNonResident() || attribute->Header().U64(non_resident_header::kStartingVcnOffset) == 0)
            return attribute;
        if (!firstFound) firstFound = attribute;
    }
    return firstFound;
}
