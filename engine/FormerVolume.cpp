#include "engine/FormerVolume.h"

#include "catalog/MftDelFile.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"

#include <array>
#include <utility>

namespace {

constexpr uint64_t kFirstUserRecord = 16;
constexpr uint64_t kExtendRecord = 11;

ClusterKeptTest KeptWhereFree(std::vector<uint8_t> clustersInUse) {
    if (clustersInUse.empty()) return {};
    auto bitmap = std::make_shared<const std::vector<uint8_t>>(std::move(clustersInUse));
    return [bitmap](uint64_t cluster) {
        // A cluster the bitmap does not cover lies past the new volume's end.
        const uint64_t byte = cluster / 8;
        return byte < bitmap->size() && ((*bitmap)[byte] >> (cluster % 8) & 1) == 0;
    };
}

}  // namespace

uint64_t ListFormerVolume(ScanContext& context, const CNTFSVolume& current,
                          std::shared_ptr<const CFoundRecords> records, std::vector<uint8_t> clustersInUse) {
    if (!records || records->Empty()) return 0;
    std::unique_ptr<CNTFSVolume> former = CNTFSVolume::OverFoundRecords(current, records);
    auto reader = std::make_unique<CFileRecord>(*former);
    CFileRecord record(*former);
    record.m_attrMask = CFileRecord::kMaskSweep;
    const ClusterKeptTest kept = KeptWhereFree(std::move(clustersInUse));

    const size_t firstFile = context.deletedFiles.size();
    std::array<char16_t, CFileRecord::kNameBufferLength> nameBuffer;  // filled by FirstLongName
    for (uint64_t number : records->Numbers()) {
        if (number < kFirstUserRecord || !record.LoadRecord(number) || record.BaseReference() != 0) continue;
        if (!record.ParseAttributes()) continue;
        const uint32_t length = record.FirstLongName(nameBuffer);
        if (length == 0 || FolderKeyOfReference(record.ParentReference()) == kExtendRecord) continue;
        std::u16string name(nameBuffer.data(), length);
        const bool inUse = record.IsInUse();
        if (record.IsDirectory()) {
            context.folderMap[FormerVolumeKey(number)] =
                FolderItem{static_cast<uint8_t>(inUse ? 0 : 1), record.ParentReference(), std::move(name), 0, true};
            continue;
        }
        DeletedFileItem item = FileItemOf(record, number, std::move(name));
        item.formerVolume = true;
        item.inUseBeforeFormat = inUse;
        context.formerFiles.push_back(std::make_unique<CMftDelFile>(*reader, number, kept));
        item.reader = context.formerFiles.back().get();
        context.deletedFiles.push_back(std::move(item));
    }
    const uint64_t listed = context.deletedFiles.size() - firstFile;
    if (listed == 0) {
        std::erase_if(context.folderMap, [](const auto& entry) { return entry.second.formerVolume; });
        return 0;
    }
    context.folderMap[kFormerRootKey] = FolderItem{0, kRootFolderKey, kFormerVolumeFolderName, 1, false};
    for (size_t i = firstFile; i < context.deletedFiles.size(); ++i)
        MarkFolderChain(context, context.deletedFiles[i].parentRef, true);
    std::erase_if(context.folderMap,
                  [](const auto& entry) { return entry.second.formerVolume && entry.second.used == 0; });
    context.formerRecordReader = std::move(reader);
    context.openVolumes.push_back(std::move(former));
    return listed;
}
