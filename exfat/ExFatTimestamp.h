#pragma once
// exFAT time stamps: a packed local date and time in two-second steps, a
// byte of 10-millisecond increments and a byte holding the writer's offset
// from UTC in 15-minute steps (bit 7 set when the offset is known).
#include <cstdint>

struct ExFatTimestamp {
    uint32_t packed = 0;
    uint8_t tenMilliseconds = 0;  // 0..199: adds up to 1.99 s to the two-second step
    uint8_t utcOffset = 0;
};

// The stamp as a FILETIME in UTC; 0 when its fields are out of range. A stamp
// without a known offset is taken to be UTC.
uint64_t ExFatTimestampToUtcFileTime(const ExFatTimestamp& stamp);
// The stamp as a local FILETIME for display: the writer's local time moved
// to this machine's zone when the offset is known; as stored otherwise.
uint64_t ExFatTimestampToLocalFileTime(const ExFatTimestamp& stamp);
