#include "cli/TimeText.h"

#include "platform/TimeConvert.h"
#include "results/ResultList.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr uint64_t kTicksPerMinute = 60 * kTicksPerSecond;

std::string IsoText(int year, int month, int day, int hour, int minute, int second, long offset) {
    char sign = offset < 0 ? '-' : '+';
    long magnitude = (offset < 0 ? -offset : offset) / 60;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", year, month, day, hour, minute,
                  second, sign, magnitude / 60, magnitude % 60);
    return text;
}

}  // namespace

const std::u16string& TimeTexts::Display(uint64_t localFileTime) {
    static const std::u16string kUnknown;
    // A FILETIME whose high half is 0 is no time at all.
    if ((localFileTime >> 32) == 0) return kUnknown;
    uint64_t minute = localFileTime / kTicksPerMinute;
    if (minute != m_displayMinute) {
        m_displayMinute = minute;
        m_display = FileTimeText(localFileTime);
    }
    return m_display;
}

long TimeTexts::OffsetOfLocal(int year, int month, int day, int hour, int minute, int second) {
    struct tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    struct tm asUtc = fields;
    time_t local = timegm(&asUtc);
    time_t utc = mktime(&fields);
    return utc == static_cast<time_t>(-1) ? 0 : static_cast<long>(local - utc);
}

const std::string& TimeTexts::Iso(uint64_t localFileTime) {
    static const std::string kUnknown;
    if ((localFileTime >> 32) == 0) return kUnknown;
    uint64_t second = localFileTime / kTicksPerSecond;
    if (second == m_isoSecond) return m_iso;
    platform::CalendarTime time;
    if (!platform::FileTimeToCalendar(localFileTime, time)) return kUnknown;
    m_isoSecond = second;
    uint64_t hour = second / 3600;
    if (hour != m_offsetHour) {
        m_offsetHour = hour;
        m_offsetSeconds = OffsetOfLocal(time.year, time.month, time.day, time.hour, time.minute, time.second);
    }
    m_iso = IsoText(time.year, time.month, time.day, time.hour, time.minute, time.second, m_offsetSeconds);
    return m_iso;
}

std::string TimeTexts::IsoFat(uint16_t date, uint16_t time) {
    int year = (date >> 9) + 1980, month = (date >> 5) & 15, day = date & 31;
    int hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return {};
    return IsoText(year, month, day, hour, minute, second,
                   OffsetOfLocal(year, month, day, hour, minute, second));
}
