#pragma once
// The exFAT file allocation table: one 32-bit link per cluster. Only files
// that are fragmented use it; a contiguous file says so in its stream entry
// and leaves its links undefined.
#include "exfat/ExFatBootSector.h"

#include <cstdint>
#include <vector>

class CByteSource;

class CExFatTable {
public:
    static constexpr uint32_t kEndOfChain = 0xFFFFFFFF;
    static constexpr uint32_t kBadCluster = 0xFFFFFFF7;

    // Reads the first table: the entries of the two reserved and every data
    // cluster, nothing more. False when it cannot be read.
    bool Load(const CByteSource& source, const CExFatBootSector& boot);
    // For tests and fuzzing: the entries as given.
    void Assign(std::vector<uint32_t> entries) { m_entries = std::move(entries); }

    // The link of a cluster; 0 (free) for a number beyond the table.
    uint32_t Next(uint64_t cluster) const { return cluster < m_entries.size() ? m_entries[cluster] : 0; }

    // The chain from `first`, at most `limit` clusters. `complete` tells
    // whether the chain ended properly: at the end mark after exactly
    // `limit` clusters, or with `limit` clusters walked. A free, reserved,
    // bad or repeated link leaves it false.
    std::vector<uint32_t> Chain(uint32_t first, uint64_t limit, bool& complete) const;

private:
    std::vector<uint32_t> m_entries;
};
