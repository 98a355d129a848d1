#pragma once
// The unnamed data stream of a loaded record, whole. A large, fragmented
// file keeps its run list in several data attributes, spread over extension
// records through the attribute list; each covers its own range of virtual
// clusters, and only the first knows the stream's size. Reading through this
// class crosses from one to the next, so such a file comes back whole.
#include <cstdint>
#include <span>
#include <vector>

class CAttrBase;
class CAttrNonResident;
class CFileRecord;

class CDataStream {
public:
    // Collects the record's unnamed data attributes; the record must stay
    // loaded and parsed while the stream is used.
    explicit CDataStream(const CFileRecord& record);

    // False when the record has no unnamed data attribute.
    bool Exists() const { return m_first != nullptr; }
    uint64_t DataSize() const;
    // Copies up to buffer.size() bytes from `offset`; `got` receives the bytes
    // copied. False past the end of the data or when a cluster is unreadable
    // or covered by no extent.
    bool ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got);

private:
    // The extent that maps virtual cluster `vcn`, or null.
    CAttrNonResident* ExtentOf(uint64_t vcn) const;
    bool ReadClusters(uint64_t vcn, uint64_t count, std::span<uint8_t> target);

    CAttrBase* m_first = nullptr;             // the extent from cluster 0, or the resident value
    std::vector<CAttrNonResident*> m_extents; // every non-resident piece, in the record's order
    uint32_t m_clusterSize = 0;
    std::vector<uint8_t> m_cluster;           // for partial clusters only
};
