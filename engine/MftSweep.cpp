#include "engine/MftSweep.h"

#include "engine/ProgressText.h"
#include "engine/ScanContext.h"
#include "engine/ScanHost.h"
#include "ntfs/AttrBase.h"
#include "ntfs/AttrNonResident.h"
#include "ntfs/FileRecord.h"
#include "ntfs/MftReadAhead.h"
#include "ntfs/NTFSVolume.h"
#include "ntfs/RecordLayout.h"
#include "platform/LittleEndian.h"
#include "platform/TextConvert.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint64_t kFirstUserRecord = 16;
constexpr size_t kFileNameList = TypeIndex(kFileName);

// A deleted file whose record holds no name: it waits for the end of the
// sweep, when every cleared extension record has been seen.
struct NamelessFile {
    DeletedFileItem item;
    uint16_t sequence = 0;
};

// True for a record in use that is a file or an extension record: the sweep
// passes over those, and their header says so before any repair (the fields
// lie ahead of the first sector's update-sequence slot).
bool InUseAndNotFolder(std::span<const uint8_t> bytes) {
    constexpr uint64_t kFieldsRead = mft_record::kBaseReferenceOffset + sizeof(uint64_t);
    const platform::LeBytes header(bytes);
    if (!header.Has(0, kFieldsRead) || header.U32(mft_record::kSignatureOffset) != mft_record::kSignature)
        return false;
    const uint16_t flags = header.U16(mft_record::kFlagsOffset);
    return (flags & mft_record::kFlagInUse) != 0 &&
           ((flags & mft_record::kFlagDirectory) == 0 || header.U64(mft_record::kBaseReferenceOffset) != 0);
}

// True when a data stream has contents to recover: a size, or clusters its
// runs still map. Windows formats MFT records ahead of use and clears the
// ones it frees, leaving an empty $DATA and no file name: such a record
// never held a file, or no longer holds anything of it.
bool HoldsData(const CAttrBase& data) {
    if (data.DataSize() > 0) return true;
    const auto* nonResident = dynamic_cast<const CAttrNonResident*>(&data);
    return nonResident && !nonResident->Runs().Empty();
}

// `bytes` is the record as read ahead, or empty when it must be read now.
void SweepRecord(ScanContext& context, CFileRecord& record, uint64_t number, std::span<const uint8_t> bytes,
                 std::vector<NamelessFile>& nameless) {
    if (!bytes.empty() && InUseAndNotFolder(bytes)) return;
    const bool loaded = bytes.empty() ? record.LoadRecord(number) : record.LoadRecordBytes(bytes, number);
    // Extension records hold attributes of another file, which is found
    // through its own base record.
    if (!loaded || record.BaseReference() != 0) return;
    // Files still in use are not what we look for; folders are kept whatever
    // their state, since they carry the paths of the deleted files below them.
    bool inUse = record.IsInUse();
    bool directory = record.IsDirectory();
    if (inUse && !directory) return;
    if (!record.ParseAttributes()) return;

    const CAttrBase* data = record.DefaultDataStream();
    if (!directory && record.AttrList(kFileNameList).Front() == nullptr && data && HoldsData(*data)) {
        // Its name lived in an extension record that the deletion cleared;
        // the data is still whole.
        DeletedFileItem item;
        item.recordNumber = number;
        item.modified = record.ModifiedTimeLocal();
        item.size = data->DataSize();
        item.encrypted = record.IsEncrypted();
        nameless.push_back({std::move(item), record.SequenceNumber()});
        return;
    }
    std::array<char16_t, CFileRecord::kNameBufferLength> nameBuffer;  // filled by FirstLongName
    uint32_t length = record.FirstLongName(nameBuffer);
    if (length == 0) return;
    std::u16string name(nameBuffer.data(), length);

    if (directory) {
        context.folderMap[number] = FolderItem{static_cast<uint8_t>(inUse ? 0 : 1),
                                               record.ParentReference(), std::move(name), 0};
        return;
    }
    context.deletedFiles.push_back(FileItemOf(record, number, std::move(name)));
}

// Lists the nameless files: under the name and folder left in a cleared
// extension record when one checks out, otherwise as orphans named after
// their record, in a placeholder folder of "找到的文件".
void ListNamelessFiles(ScanContext& context, const CNTFSVolume& volume, std::vector<NamelessFile>& nameless) {
    for (NamelessFile& file : nameless) {
        DeletedFileItem& item = file.item;
        if (auto cleared = volume.Extensions().ClearedNameOf(item.recordNumber, file.sequence)) {
            item.name = std::move(cleared->name);
            item.parentRef = cleared->parentReference;
        } else {
            item.name = u"record" + platform::FromUtf8(std::to_string(item.recordNumber));
            item.parentRef = 0;
        }
        context.deletedFiles.push_back(std::move(item));
    }
}

}  // namespace

DeletedFileItem FileItemOf(const CFileRecord& record, uint64_t number, std::u16string name) {
    DeletedFileItem item;
    item.recordNumber = number;
    item.modified = record.ModifiedTimeLocal();
    item.parentRef = record.ParentReference();
    item.name = std::move(name);
    item.size = record.NameFileSize();
    const CAttrBase* data = record.DefaultDataStream();
    if (item.size == 0 && data) item.size = data->DataSize();
    item.encrypted = record.IsEncrypted();
    return item;
}

void SweepMft(ScanContext& context, ScanHost& host, CNTFSVolume& volume) {
    const uint64_t count = volume.RecordCount();
    host.SetProgressRange(count);

    context.recordReader = std::make_unique<CFileRecord>(volume);
    CFileRecord sweepRecord(volume);
    sweepRecord.m_attrMask = CFileRecord::kMaskSweep;

    // Room for a deleted file per record, capped: only the pages the list
    // fills are ever touched, and growing it would copy it and touch twice
    // as many.
    constexpr uint64_t kMostReserved = 1 << 20;
    context.deletedFiles.reserve(context.deletedFiles.size() +
                                 static_cast<size_t>(std::min(count - std::min(count, kFirstUserRecord), kMostReserved)));
    std::vector<NamelessFile> nameless;
    MftReadAhead readAhead(volume, kFirstUserRecord, count);
    uint32_t lastPerMille = 0;
    for (uint64_t i = kFirstUserRecord; i < count; ++i) {
        if (host.StopRequested()) break;
        auto perMille = static_cast<uint32_t>((i + 1) * 1000 / count);
        if (perMille != lastPerMille) {
            lastPerMille = perMille;
            host.SetPercentText(FormatPercent1(perMille / 10.0));
            host.SetProgressPosition(i + 1);
        }
        SweepRecord(context, sweepRecord, i, readAhead.Record(i), nameless);
    }
    ListNamelessFiles(context, volume, nameless);

    for (const DeletedFileItem& item : context.deletedFiles)
        if (item.carvedType == 0) MarkFolderChain(context, item.parentRef);
    std::erase_if(context.folderMap, [](const auto& entry) { return entry.second.used == 0; });
}

void MarkFolderChain(ScanContext& context, uint64_t reference, bool formerVolume) {
    // Walked as a loop, not by recursion: a chain may be as long as the
    // volume has records. A folder already marked ends the walk, which also
    // ends the loops a damaged volume can make of its parent references.
    const uint64_t rootKey = formerVolume ? kFormerRootKey : kRootFolderKey;
    uint64_t key = formerVolume ? FormerVolumeKey(reference) : FolderKeyOfReference(reference);
    while (true) {
        if (key == rootKey) return;
        auto found = context.folderMap.find(key);
        if (found == context.folderMap.end()) {
            ++context.lostFolderCounter;
            // A lost folder of the former volume stays among its folders.
            context.folderMap[key] =
                FolderItem{0, formerVolume ? kRootFolderKey : 0,
                           u"dir" + platform::FromUtf8(std::to_string(context.lostFolderCounter)), 1, formerVolume};
            return;
        }
        FolderItem& folder = found->second;
        if (folder.used == 1) return;
        folder.used = 1;
        key = ParentKeyOf(folder);
    }
}
