#include "engine/ScanContext.h"

#include "carving/BaseFile.h"
#include "catalog/DelFile.h"
#include "catalog/FolderEntry.h"
#include "exfat/ExFatCatalog.h"
#include "ntfs/FileRecord.h"
#include "ntfs/NTFSVolume.h"
#include "platform/RawSource.h"

ScanContext::ScanContext() = default;
ScanContext::~ScanContext() { Reset(); }

void ScanContext::Reset() {
    // Users before what they use: results and catalog folders read through
    // the devices and readers, which read through the volumes.
    deletedFiles.clear();
    folderMap.clear();
    carvedFiles.clear();
    fatRootFolder.reset();
    exfatCatalog.reset();
    formerFiles.clear();
    formerRecordReader.reset();
    catalog.Reset();
    recordReader.reset();
    scanDevice.reset();
    openVolumes.clear();
    source.reset();
    resultKind = ResultKind::Ntfs;
    lostFolderCounter = 0;
    stop = {};
    savedFileSystemPart.clear();
}

CBaseFile* ScanContext::CarvedFileOf(const DeletedFileItem& item) {
    if (item.carvedType == 0 || item.recordNumber >= carvedFiles.size()) return nullptr;
    return carvedFiles[item.recordNumber].get();
}
