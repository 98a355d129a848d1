#include "engine/FormerVolume.h"

#include "catalog/MftDelFile.h"
#include "ntfs/AttrNonResident.h"
#include "engine/MftSweep.h"
#include "engine/ScanContext.h"
#include "ntfs/FileRecord.h"
#include "ntfs/FoundRecords.h"
#include "ntfs/NTFSVolume.h"

#include <algorithm>
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

bool InUse(const std::vector<uint8_t>& bitmap, uint64_t cluster) {
    const uint64_t byte = cluster / 8;
    return byte < bitmap.size() && ((bitmap[byte] >> (cluster % 8)) & 1) != 0;
}

// The volume clusters the runs of `data` map, as [first, end) pieces.
std::vector<std::pair<uint64_t, uint64_t>> ClustersOf(const CAttrBase* data) {
    std::vector<std::pair<uint64_t, uint64_t>> pieces;
    const auto* extent = dynamic_cast<const CAttrNonResident*>(data);
    if (!extent) return pieces;
    for (const auto& run : extent->Runs().Elements())
        if (!run->IsSparse() && run->clusters <= ~0ULL - run->lcn) pieces.emplace_back(run->lcn, run->lcn + run->clusters);
    return pieces;
}

constexpr uint64_t kMftRecord = 0;

}  // namespace

uint32_t SearchFormerTableInUse(const CNTFSVolume& current, const std::vector<uint8_t>& clustersInUse,
                                const std::shared_ptr<CFoundRecords>& records) {
    if (!records || current.m_clusterSize == 0) return 0;
    std::unique_ptr<CNTFSVolume> former = CNTFSVolume::OverFoundRecords(current, records);
    CFileRecord table(*former);
    table.m_attrMask = CFileRecord::kMaskData;
    if (!table.LoadRecord(kMftRecord) || !table.ParseAttributes()) return 0;
    const auto newTable = ClustersOf(current.m_mftData);
    const auto inNewTable = [&newTable](uint64_t cluster) {
        return std::ranges::any_of(newTable, [cluster](const auto& piece) { return cluster >= piece.first && cluster < piece.second; });
    };
    uint32_t kept = 0;
    std::vector<uint8_t> cluster(current.m_clusterSize);
    const uint64_t clusters = current.TotalClusters();
    for (const auto& [first, end] : ClustersOf(table.DefaultDataStream()))
        for (uint64_t c = first; c < std::min(end, clusters); ++c)
            if (InUse(clustersInUse, c) && !inNewTable(c) && current.ReadVolume(c * current.m_clusterSize, cluster))
                kept += records->Search(cluster, c * current.m_clusterSize);
    return kept;
}

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
