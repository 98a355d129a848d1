#include "catalog/CatalogContext.h"

#include "device/FAT32VolumeAccess.h"
#include "platform/TimeConvert.h"

void CatalogContext::Reset() {
    lostFatFolders.clear();
    seenDirClusters.clear();
    rawFolderCounter = 0;
    loadingPath.clear();
    loadProgress = nullptr;
    loadDone = loadTotal = 0;
    loadStopped = false;
    device = nullptr;
    fatDevice = nullptr;
}

bool CatalogContext::KeepLoading() {
    if (!loadStopped && loadProgress && !loadProgress(loadDone, loadTotal)) loadStopped = true;
    return !loadStopped;
}

void CatalogContext::UseDevice(const CFAT32VolumeAccess& fat32) {
    device = &fat32;
    fatDevice = &fat32;
}

void CatalogContext::UseDevice(const CVolumeAccess& any) {
    device = &any;
    fatDevice = dynamic_cast<const CFAT32VolumeAccess*>(&any);
}

uint64_t CatalogContext::RootCluster() const { return fatDevice ? fatDevice->GetRootCluster() : 0; }

uint64_t CatalogContext::ClusterEnd() const {
    if (fatDevice) return fatDevice->GetUnitCount() + 2;  // the table's entries
    return device ? device->GetUnitCount() : 0;
}

bool CatalogContext::IsDataCluster(uint64_t cluster) const { return cluster >= 2 && cluster < ClusterEnd(); }

int CatalogContext::LatestYear() const { return latestYear != 0 ? latestYear : platform::CurrentYear(); }
