#pragma once
// A value over byte ranges: stretches [start, end) each with one value, kept
// apart and ordered; equal neighbours that touch are merged, so the map stays
// as short as the disk's damage is scattered.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <vector>

namespace platform {

template <class Value>
class RangeMap {
public:
    struct Piece {
        uint64_t start = 0;
        uint64_t end = 0;
        Value value{};
        bool operator==(const Piece&) const = default;
    };

    // Gives [start, end) the value, replacing what was there.
    void Assign(uint64_t start, uint64_t end, const Value& value) {
        if (start >= end) return;
        Erase(start, end);
        auto next = m_pieces.emplace(start, Stored{end, value}).first;
        if (next != m_pieces.begin()) {
            auto before = std::prev(next);
            if (before->second.end == start && before->second.value == value) {
                before->second.end = end;
                m_pieces.erase(next);
                next = before;
            }
        }
        auto after = std::next(next);
        if (after != m_pieces.end() && after->first == next->second.end && after->second.value == value) {
            next->second.end = after->second.end;
            m_pieces.erase(after);
        }
    }

    // Forgets [start, end), cutting the pieces that reach into it.
    void Erase(uint64_t start, uint64_t end) {
        if (start >= end) return;
        auto it = m_pieces.lower_bound(start);
        if (it != m_pieces.begin()) {
            auto before = std::prev(it);
            if (before->second.end > start) {
                const Stored tail = before->second;
                before->second.end = start;
                if (tail.end > end) {
                    m_pieces.emplace(end, tail);
                    return;
                }
            }
        }
        while (it != m_pieces.end() && it->first < end) {
            if (it->second.end > end) {
                const Stored tail = it->second;
                m_pieces.erase(it);
                m_pieces.emplace(end, tail);
                return;
            }
            it = m_pieces.erase(it);
        }
    }

    // The pieces that overlap [start, end), cut to it, in order.
    std::vector<Piece> Overlapping(uint64_t start, uint64_t end) const {
        std::vector<Piece> found;
        if (start >= end) return found;
        auto it = m_pieces.upper_bound(start);
        if (it != m_pieces.begin() && std::prev(it)->second.end > start) --it;
        for (; it != m_pieces.end() && it->first < end; ++it)
            found.push_back({std::max(it->first, start), std::min(it->second.end, end), it->second.value});
        return found;
    }

    // The piece holding `position`, or null.
    const Value* At(uint64_t position) const {
        auto it = m_pieces.upper_bound(position);
        if (it == m_pieces.begin()) return nullptr;
        --it;
        return it->second.end > position ? &it->second.value : nullptr;
    }

    std::vector<Piece> Pieces() const { return Overlapping(0, UINT64_MAX); }
    bool Empty() const { return m_pieces.empty(); }

private:
    struct Stored {
        uint64_t end;
        Value value;
    };
    std::map<uint64_t, Stored> m_pieces;  // by start
};

}  // namespace platform
