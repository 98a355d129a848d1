#pragma once
// FILETIME values: 100-nanosecond ticks since 1601-01-01, UTC on disk.
#include <cstdint>

namespace platform {

struct CalendarTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// UTC ticks to local-time ticks, by the zone's offset at that instant. The
// offset of the last second asked for is kept per thread, so a zone changed
// (TZ and tzset) while running shows only from the next other second.
uint64_t FileTimeToLocalFileTime(uint64_t utcTicks);
// Ticks to calendar fields; false for values the calendar cannot show.
bool FileTimeToCalendar(uint64_t ticks, CalendarTime& calendar);
// The current calendar year, local time.
int CurrentYear();

}  // namespace platform
