#include "exfat/ExFatTimestamp.h"

#include "platform/TimeConvert.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kTicksPerTenMilliseconds = 100000;
// Days from 1601-01-01 to 1970-01-01.
constexpr int64_t kDaysFrom1601To1970 = 134774;
constexpr uint8_t kOffsetValid = 0x80;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

// The stored local time as FILETIME ticks, without any zone; 0 when invalid.
uint64_t WallClockTicks(const ExFatTimestamp& stamp) {
    const uint32_t packed = stamp.packed;
    const unsigned seconds = (packed & 0x1F) * 2;
    const unsigned minute = (packed >> 5) & 0x3F;
    const unsigned hour = (packed >> 11) & 0x1F;
    const unsigned day = (packed >> 16) & 0x1F;
    const unsigned month = (packed >> 21) & 0x0F;
    const unsigned year = 1980 + (packed >> 25);
    if (seconds > 58 || minute > 59 || hour > 23 || day == 0 || month == 0 || month > 12) return 0;
    if (stamp.tenMilliseconds > 199) return 0;
    const int64_t days = DaysFromCivil(year, month, day) + kDaysFrom1601To1970;
    const uint64_t secondsOfDay = uint64_t(hour) * 3600 + minute * 60 + seconds;
    return (uint64_t(days) * 86400 + secondsOfDay) * kTicksPerSecond +
           uint64_t(stamp.tenMilliseconds) * kTicksPerTenMilliseconds;
}

// The offset in ticks, signed: a 7-bit two's complement count of 15 minutes.
int64_t OffsetTicks(uint8_t utcOffset) {
    int value = utcOffset & 0x7F;
    if (value >= 0x40) value -= 0x80;
    return int64_t(value) * 15 * 60 * int64_t(kTicksPerSecond);
}

}  // namespace

uint64_t ExFatTimestampToUtcFileTime(const ExFatTimestamp& stamp) {
    const uint64_t local = WallClockTicks(stamp);
    if (local == 0 || !(stamp.utcOffset & kOffsetValid)) return local;
    return local - static_cast<uint64_t>(OffsetTicks(stamp.utcOffset));
}

uint64_t ExFatTimestampToLocalFileTime(const ExFatTimestamp& stamp) {
    if (!(stamp.utcOffset & kOffsetValid)) return WallClockTicks(stamp);
    const uint64_t utc = ExFatTimestampToUtcFileTime(stamp);
    return utc == 0 ? 0 : platform::FileTimeToLocalFileTime(utc);
}
