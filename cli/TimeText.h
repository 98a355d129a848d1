#pragma once
// Time texts of the listing, computed once per distinct minute or second:
// a volume's files are mostly written in bursts, so a listing of 100,000
// files needs only a few thousand conversions.
#include <cstdint>
#include <string>

class TimeTexts {
public:
    // "%04d-%02d-%02d  %02d:%02d" of a local FILETIME; empty when unknown.
    const std::u16string& Display(uint64_t localFileTime);
    // "2024-06-01T12:00:00+02:00" of a local FILETIME; empty when unknown.
    const std::string& Iso(uint64_t localFileTime);
    // The same for a FAT write date and time (local time as stored); empty
    // when the fields name no real date.
    std::string IsoFat(uint16_t date, uint16_t time);

private:
    uint64_t m_displayMinute = ~0ULL;
    std::u16string m_display;
    uint64_t m_isoSecond = ~0ULL;
    std::string m_iso;
    uint64_t m_offsetHour = ~0ULL;
    long m_offsetSeconds = 0;
    // The zone's offset from UTC for a local time, in seconds.
    long OffsetOfLocal(int year, int month, int day, int hour, int minute, int second);
};
