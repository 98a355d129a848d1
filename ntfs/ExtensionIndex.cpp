#include "ntfs/ExtensionIndex.h"

#include "ntfs/RecordLayout.h"

namespace {

using file_reference::kRecordNumberMask;
// A real file has at most a few thousand extension records; a crafted MFT
// could name one base from every record.
constexpr size_t kMaxExtensionsPerBase = 65536;

}  // namespace

void CExtensionIndex::Note(uint64_t recordNumber, uint64_t baseReference, std::span<const uint8_t> record,
                           uint64_t recordCount) {
    const uint64_t base = baseReference & kRecordNumberMask;
    if (base == recordNumber) return;
    std::map<uint64_t, Extension>& extensions = m_byBase[base];
    if (extensions.size() >= kMaxExtensionsPerBase && !extensions.contains(recordNumber)) return;
    extensions[recordNumber] = Extension{static_cast<uint16_t>(baseReference >> file_reference::kSequenceShift),
                                         FindClearedFileName(record, recordCount)};
}

bool CExtensionIndex::SameFile(uint16_t noted, uint16_t current) {
    // Freeing a record raises its sequence number by one, skipping 0; an
    // extension freed with its base names the sequence number before that.
    if (noted == current) return true;
    const uint16_t next = static_cast<uint16_t>(noted + 1) == 0 ? 1 : static_cast<uint16_t>(noted + 1);
    return next == current;
}

std::vector<uint64_t> CExtensionIndex::ExtensionsOf(uint64_t baseRecord, uint16_t baseSequence) const {
    std::vector<uint64_t> records;
    auto found = m_byBase.find(baseRecord & kRecordNumberMask);
    if (found == m_byBase.end()) return records;
    for (const auto& [number, extension] : found->second)
        if (SameFile(extension.baseSequence, baseSequence)) records.push_back(number);
    return records;
}

std::optional<ClearedFileName> CExtensionIndex::ClearedNameOf(uint64_t baseRecord, uint16_t baseSequence) const {
    auto found = m_byBase.find(baseRecord & kRecordNumberMask);
    if (found == m_byBase.end()) return std::nullopt;
    for (const auto& [number, extension] : found->second)
        if (extension.clearedName && SameFile(extension.baseSequence, baseSequence)) return extension.clearedName;
    return std::nullopt;
}

std::vector<CExtensionIndex::Noted> CExtensionIndex::AllNoted() const {
    std::vector<Noted> all;
    for (const auto& [base, extensions] : m_byBase)
        for (const auto& [number, extension] : extensions)
            all.push_back(Noted{base, number, extension.baseSequence, extension.clearedName});
    return all;
}

void CExtensionIndex::Restore(Noted noted) {
    const uint64_t base = noted.baseRecord & kRecordNumberMask;
    if (base == noted.recordNumber) return;
    std::map<uint64_t, Extension>& extensions = m_byBase[base];
    if (extensions.size() >= kMaxExtensionsPerBase && !extensions.contains(noted.recordNumber)) return;
    extensions[noted.recordNumber] = Extension{noted.baseSequence, std::move(noted.clearedName)};
}
