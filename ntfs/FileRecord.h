#pragma once
// The reader of one master-file-table record at a time: fetches a record,
// repairs it with its update sequence, and keeps per attribute type the
// attribute objects that its caller selected. Each load or parse destroys what
// the previous one built.
#include "ntfs/AttrBase.h"
#include "ntfs/RecordLayout.h"
#include "ntfs/SList.h"
#include "platform/LittleEndian.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CNTFSVolume;

class CFileRecord {
public:
    static constexpr uint64_t kNoRecord = ~0ULL;
    static constexpr size_t kTypeCount = 16;          // types 0x10 to 0x100
    static constexpr size_t kNameBufferLength = 260;  // characters, terminator included

    // Selection masks used across the system.
    static constexpr uint32_t kMaskVolumeCheck =
        TypeBit(kStandardInformation) | TypeBit(kAttributeList) | TypeBit(kVolumeName) | TypeBit(kVolumeInformation);
    static constexpr uint32_t kMaskData = TypeBit(kStandardInformation) | TypeBit(kAttributeList) | TypeBit(kData);
    static constexpr uint32_t kMaskSweep =
        TypeBit(kStandardInformation) | TypeBit(kAttributeList) | TypeBit(kFileName) | TypeBit(kData);

    explicit CFileRecord(CNTFSVolume& volume);
    virtual ~CFileRecord();
    CFileRecord(const CFileRecord&) = delete;
    CFileRecord& operator=(const CFileRecord&) = delete;

    // Fetches and repairs record `recordNumber`; records below 16, or all of
    // them when the MFT data is unknown, are read from m_mftOffset onward.
    bool LoadRecord(uint64_t recordNumber);
    // Loads a record from caller bytes (m_fileRecordSize of them) as if it had
    // been read as record `recordNumber`.
    bool LoadRecordBytes(std::span<const uint8_t> bytes, uint64_t recordNumber);
    // Builds the attribute objects of the loaded record for the types selected
    // in m_attrMask. False for a malformed attribute.
    bool ParseAttributes();

    bool IsLoaded() const { return m_loaded; }
    uint64_t RecordNumber() const { return m_recordNumber; }
    uint16_t Flags() const;  // header flags, 0 when nothing is loaded
    bool IsInUse() const { return (Flags() & mft_record::kFlagInUse) != 0; }
    bool IsDirectory() const { return (Flags() & mft_record::kFlagDirectory) != 0; }
    // The base record of an extension record; 0 for a base record.
    uint64_t BaseReference() const;
    uint16_t SequenceNumber() const;  // 0 when nothing is loaded
    // True when the standard information or an unnamed data attribute says
    // encrypted: the key is not on the volume, so the data cannot be read.
    bool IsEncrypted() const;
    // The loaded record's bytes after repair; empty when nothing is loaded.
    std::span<const uint8_t> Bytes() const;

    // The first usable (not DOS-only) name, copied into `buffer` and zero
    // terminated; returns its length, 0 when there is none or it does not fit.
    uint32_t FirstLongName(std::span<char16_t> buffer) const;
    std::u16string FirstLongName() const;
    uint64_t NameFileSize() const;     // real size in the first file name, or 0
    uint64_t ParentReference() const;  // parent reference in the first file name, or 0
    uint64_t ModifiedTimeLocal() const;  // FILETIME ticks, local time; 0 without standard information
    // The unnamed data attribute that starts at cluster 0 (the one holding
    // the stream's sizes), or the first unnamed one; null without any.
    CAttrBase* DefaultDataStream() const;

    // Attributes of type 0x10 * (index + 1), in the order found; the index of
    // a type is TypeIndex(type).
    CSList<CAttrBase>& AttrList(size_t index) { return m_attrLists[index]; }
    const CSList<CAttrBase>& AttrList(size_t index) const { return m_attrLists[index]; }
    CNTFSVolume& Volume() const { return *m_volume; }

    // Attribute selection: bit k selects type 0x10 * (k + 1).
    uint32_t m_attrMask = ~0U;
    // Set on extension records: they never follow attribute lists of their own.
    bool m_isExtension = false;

private:
    void RemoveAllAttributes();
    bool FetchRecord(uint64_t recordNumber);
    bool FinishLoad(uint64_t recordNumber);

    CNTFSVolume* m_volume;
    std::vector<uint8_t> m_recordBuffer;  // kept allocated from record to record
    bool m_loaded = false;
    uint64_t m_recordNumber = kNoRecord;
    std::array<CSList<CAttrBase>, kTypeCount> m_attrLists;
};
