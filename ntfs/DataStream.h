#pragma once
// The unnamed data stream of a loaded record, whole. A large, fragmented
// file keeps its run list in several data attributes, spread over extension
// records through the attribute list; each covers its own range of virtual
// clusters, and only the first knows the stream's size. Reading through this
// class crosses from one to the next, so such a file comes back whole.
// A compressed stream is decompressed here, one compression unit at a time,
// so every reader of file content gets the file's real bytes.
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
    // Encrypted data cannot be read: the key is not on the volume.
    bool IsEncrypted() const { return m_encrypted; }
    bool IsCompressed() const { return m_unitClusters != 0; }
    // The real (uncompressed) size.
    uint64_t DataSize() const;
    // Copies up to buffer.size() bytes from `offset`; `got` receives the bytes
    // copied. False past the end of the data, for encrypted data, when a
    // cluster is unreadable or covered by no extent, or when a compressed
    // unit is damaged.
    bool ReadBytes(uint64_t offset, std::span<uint8_t> buffer, size_t& got);

private:
    struct Piece {
        uint64_t vcn = 0;
        uint64_t count = 0;
        bool sparse = false;
    };

    // The extent that maps virtual cluster `vcn`, or null.
    CAttrNonResident* ExtentOf(uint64_t vcn) const;
    bool ReadClusters(uint64_t vcn, uint64_t count, std::span<uint8_t> target);
    bool ReadPlain(uint64_t offset, std::span<uint8_t> buffer, size_t& got);
    bool ReadCompressed(uint64_t offset, std::span<uint8_t> buffer, size_t& got);
    // How the clusters [vcn, vcn + count) are stored, run by run; false when
    // one of them is covered by no extent.
    bool MapClusters(uint64_t vcn, uint64_t count, std::vector<Piece>& pieces) const;
    // Fills m_unit with compression unit `unit`, decompressed.
    bool LoadUnit(uint64_t unit);

    CAttrBase* m_first = nullptr;             // the extent from cluster 0, or the resident value
    std::vector<CAttrNonResident*> m_extents; // every non-resident piece, in the record's order
    uint32_t m_clusterSize = 0;
    bool m_encrypted = false;
    bool m_unreadable = false;                // compressed with a unit size this reader cannot take
    std::vector<uint8_t> m_cluster;           // for partial clusters only

    // Compressed streams only.
    uint64_t m_unitClusters = 0;              // clusters per compression unit; 0 when not compressed
    uint64_t m_vcnCount = 0;                  // clusters the stream has allocated
    std::vector<uint8_t> m_unit;              // the last unit read, decompressed
    uint64_t m_loadedUnit = ~0ULL;
    std::vector<uint8_t> m_packed;            // that unit's stored clusters
};
