#include "platform/TimeConvert.h"

#include <ctime>

namespace platform {
namespace {

constexpr uint64_t kTicksPerSecond = 10000000ULL;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
// FILETIME values past year 30827 are refused by Windows as well.
constexpr uint64_t kMaxTicks = 0x7FFFFFFFFFFFFFFFULL;

}  // namespace

uint64_t FileTimeToLocalFileTime(uint64_t utcTicks) {
    if (utcTicks > kMaxTicks) return utcTicks;
    int64_t seconds = static_cast<int64_t>(utcTicks / kTicksPerSecond) - kSecondsFrom1601To1970;
    // Files of one volume share their seconds by the thousand; the time-zone
    // look-up behind each conversion is far dearer than this comparison.
    thread_local int64_t lastSeconds = 0;
    thread_local int64_t lastOffset = 0;
    thread_local bool haveLast = false;
    if (!haveLast || seconds != lastSeconds) {
        time_t unixTime = static_cast<time_t>(seconds);
        struct tm local {};
        if (!localtime_r(&unixTime, &local)) return utcTicks;
        lastSeconds = seconds;
        lastOffset = local.tm_gmtoff;
        haveLast = true;
    }
    const int64_t offset = lastOffset;
    if (offset < 0 && utcTicks < static_cast<uint64_t>(-offset) * kTicksPerSecond) return utcTicks;
    return utcTicks + static_cast<uint64_t>(offset * static_cast<int64_t>(kTicksPerSecond));
}

bool FileTimeToCalendar(uint64_t ticks, CalendarTime& calendar) {
    if (ticks > kMaxTicks) return false;
    int64_t seconds = static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    time_t unixTime = static_cast<time_t>(seconds);
    struct tm fields {};
    if (!gmtime_r(&unixTime, &fields)) return false;
    calendar.year = fields.tm_year + 1900;
    calendar.month = fields.tm_mon + 1;
    calendar.day = fields.tm_mday;
    calendar.hour = fields.tm_hour;
    calendar.minute = fields.tm_min;
    calendar.second = fields.tm_sec;
    calendar.milliseconds = static_cast<int>((ticks % kTicksPerSecond) / 10000);
    return true;
}

int CurrentYear() {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace platform
