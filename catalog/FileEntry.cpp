#include "catalog/FileEntry.h"

CFileEntry::CFileEntry(std::span<const uint8_t> longNameEntries, uint16_t longNameCount,
                       const DirEntryBytes& dirEntry, bool inDeletedFolder, const CatalogContext& context)
    : CEntry(longNameEntries, longNameCount, dirEntry, inDeletedFolder), m_context(context) {}
