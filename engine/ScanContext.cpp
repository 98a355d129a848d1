#include "engine/ScanContext.h"

#include "carving/BaseFile.h"
#include "catalog/FolderEntry.h"
#include "exfat/ExFatCatalog.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"

ScanContext::ScanContext() = default;
ScanContext::~ScanContext() = default;

const CBaseFile* ScanContext::CarvedFileOf(const DeletedFileItem& item) const {
    if (item.carvedType == 0 || item.recordNumber >= carvedFiles.size()) return nullptr;
    return carvedFiles[item.recordNumber].get();
}
