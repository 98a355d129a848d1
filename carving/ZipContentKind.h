#pragma once
// What a ZIP-based file is, judged by the names of its entries and by the
// content of a first entry called "mimetype": an office document lists
// "[Content_Types].xml" and keeps its parts under word/, xl/ or ppt/;
// OpenDocument files and epub books name their type in "mimetype"; Java
// archives carry "META-INF/MANIFEST.MF", Android packages
// "AndroidManifest.xml" or "classes.dex".
#include "carving/SectorWindow.h"

#include <cstdint>

class CZipContentKind {
public:
    // Longest name prefix compared: names need only this many bytes visible.
    static constexpr uint64_t kNameBytesNeeded = 24;

    // The local header at file offset 0, when its name is "mimetype" and its
    // content is stored right after it.
    void ExamineFirstEntry(const CSectorWindow& data);
    // An entry name of `length` bytes at `name`, as far as it is visible.
    void ExamineName(const CSectorWindow& data, uint64_t name, uint64_t length);

    // The type code the names point to; plain ZIP when none.
    uint32_t TypeCode() const;

private:
    uint32_t m_mimetypeType = 0;
    bool m_contentTypes = false;
    uint32_t m_officePart = 0;  // the first of word/, xl/, ppt/ met
    bool m_javaManifest = false;
    bool m_android = false;
};
