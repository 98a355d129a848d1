#include "platform/TextConvert.h"
#include "platform/TimeConvert.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

TEST(TextConvert, CodePageNamesBecomeUtf16) {
    platform::SetCodePage("CP936");
    const uint8_t gbk[] = {0xD5, 0xD5, 0xC6, 0xAC, 'A'};  // "照片A" in GBK
    EXPECT_EQ(platform::FromCodePage(gbk), u"照片A");
    const uint8_t truncated[] = {'B', 0xD5};
    EXPECT_EQ(platform::FromCodePage(truncated), u"B\xFFFD");
    platform::SetCodePage("CP437");
    const uint8_t oem[] = {0x82};
    EXPECT_EQ(platform::FromCodePage(oem), u"é");
    platform::SetCodePage("CP936");
}

TEST(TextConvert, Utf8RoundTripsAndRepairsInvalidInput) {
    std::u16string text = u"恢复 ok \U0001F600";
    EXPECT_EQ(platform::FromUtf8(platform::ToUtf8(text)), text);
    EXPECT_EQ(platform::ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(platform::FromUtf8("a\xC3"), u"a\xFFFD");
    EXPECT_EQ(platform::FromUtf8("\xC0\xAF"), u"\xFFFD\xFFFD") << "overlong encodings are refused";
}

TEST(TimeConvert, FileTimesBecomeCalendarFields) {
    // 2024-02-29 13:45:30.250 UTC
    const uint64_t ticks = 133536879302500000ULL;
    platform::CalendarTime time;
    ASSERT_TRUE(platform::FileTimeToCalendar(ticks, time));
    EXPECT_EQ(time.year, 2024);
    EXPECT_EQ(time.month, 2);
    EXPECT_EQ(time.day, 29);
    EXPECT_EQ(time.hour, 13);
    EXPECT_EQ(time.minute, 45);
    EXPECT_EQ(time.second, 30);
    EXPECT_EQ(time.milliseconds, 250);
    EXPECT_EQ(platform::FileTimeToLocalFileTime(ticks), ticks) << "tests run with TZ=UTC";
    EXPECT_FALSE(platform::FileTimeToCalendar(~0ULL, time));
    EXPECT_GE(platform::CurrentYear(), 2026);
}

TEST(TimeConvert, LocalTimeFollowsDaylightSavingBetweenCalls) {
    // Central European time, without relying on installed zone files.
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    constexpr uint64_t kHour = 36000000000ULL;
    const uint64_t winter = 133493472000000000ULL;  // 2024-01-10 08:00:00 UTC
    const uint64_t summer = 133655184000000000ULL;  // 2024-07-15 12:00:00 UTC
    EXPECT_EQ(platform::FileTimeToLocalFileTime(winter), winter + kHour);
    EXPECT_EQ(platform::FileTimeToLocalFileTime(winter + 1), winter + 1 + kHour) << "same second";
    EXPECT_EQ(platform::FileTimeToLocalFileTime(summer), summer + 2 * kHour);
    EXPECT_EQ(platform::FileTimeToLocalFileTime(winter), winter + kHour);
    setenv("TZ", "UTC", 1);
    tzset();
}

}  // namespace
