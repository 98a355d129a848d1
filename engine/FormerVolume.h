#pragma once
// The NTFS volume as it was before a format, rebuilt from the old MFT
// records the full scan found in the new volume's free space: every file and
// folder that a record still names, in its old folders below the folder
// "格式化前的文件", with numbered placeholders there for folders whose
// records are gone.
#include <cstdint>
#include <memory>
#include <vector>

class CFoundRecords;
class CNTFSVolume;
class ScanContext;

inline constexpr char16_t kFormerVolumeFolderName[] = u"格式化前的文件";

// Lists the found records' files and folders in the result store. Their data
// is read with `current`'s geometry and source; a cluster marked in
// `clustersInUse` (the new volume's bitmap, one bit per cluster) now holds
// the new volume's data, so a file's bytes there are saved as zeros and the
// file reported partial; an empty bitmap: no volume took any cluster. Records below 16 (the old system files) and those
// in the old $Extend are left out. Returns the files listed.
// The old $MFT record, when it was found, maps the old table: its clusters
// that the new volume took (so the free-space pass skipped them) and that do
// not hold the new table are searched as well, as a new volume may allocate
// clusters it has not written yet. Returns the records kept from them.
uint32_t SearchFormerTableInUse(const CNTFSVolume& current, const std::vector<uint8_t>& clustersInUse,
                                const std::shared_ptr<CFoundRecords>& records);

uint64_t ListFormerVolume(ScanContext& context, const CNTFSVolume& current,
                          std::shared_ptr<const CFoundRecords> records, std::vector<uint8_t> clustersInUse);
