#include "catalog/RootFolder.h"

#include "catalog/CatalogContext.h"

uint64_t CRootFolder::GetFirstCluster() const { return Context().RootCluster(); }
