#pragma once
// GNU ddrescue's mapfile: which parts of a source have been copied ('+'),
// found bad ('-'), failed in a large read and not yet trimmed ('*') or
// scraped ('/'), or not tried at all ('?'). Written so that ddrescue and
// ddrescuelog read our images' maps, and read so that a copy goes on where
// it stopped. The text comes from the user's disk and may be anything: every
// number is checked before it is used.
#include "platform/RangeMap.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char kNonTried = '?';
inline constexpr char kNonTrimmed = '*';
inline constexpr char kNonScraped = '/';
inline constexpr char kBadSector = '-';
inline constexpr char kFinished = '+';

struct DdrescueMap {
    // The status line: where the copy was and in which phase ('?' copying,
    // '*' trimming, '+' finished, ...), and the pass of that phase.
    uint64_t currentPosition = 0;
    char currentStatus = kNonTried;
    uint32_t currentPass = 1;
    // The blocks as listed; what no block covers has not been tried.
    RangeMap<char> blocks;
};

// Parses a mapfile's text. False with a reason ("line 7: ...") when it is not
// one: a field that is no number, a status ddrescue does not write, blocks
// that overlap or leave a gap, a block that ends past 2^64.
bool ParseDdrescueMap(std::string_view text, DdrescueMap& map, std::string& reason);

// The text of `map` over [0, size): every byte in one block, what `map`
// does not cover as not tried. `heading` lines are written as comments first.
std::string FormatDdrescueMap(const DdrescueMap& map, uint64_t size, std::string_view heading);

}  // namespace platform
