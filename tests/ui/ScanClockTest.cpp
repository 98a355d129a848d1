#include "ui/ScanClock.h"

#include <gtest/gtest.h>

namespace {

TEST(ScanClockTest, DurationsAreHoursMinutesSeconds) {
    EXPECT_EQ(DurationText(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(DurationText(3723999), QStringLiteral("1:02:03"));
    EXPECT_EQ(DurationText(36000000 * 3), QStringLiteral("30:00:00"));
}

TEST(ScanClockTest, EstimatesTheRestOfThePhaseOnceItHasRunAWhile) {
    ScanClock clock;
    clock.Start(1000, 0);
    clock.SetDone(0.5);
    EXPECT_EQ(clock.RemainingText(2000), QStringLiteral("剩余时间 正在估算..."));
    EXPECT_EQ(clock.RemainingText(11000), QStringLiteral("剩余时间 约0:00:10"));
    EXPECT_EQ(clock.ElapsedText(62000), QStringLiteral("已用时间 0:01:01"));
    // A new phase starts its estimate afresh; elapsed time goes on.
    clock.StartPhase(20000);
    clock.SetDone(0.25);
    EXPECT_EQ(clock.RemainingText(21000), QStringLiteral("剩余时间 正在估算..."));
    EXPECT_EQ(clock.RemainingText(50000), QStringLiteral("剩余时间 约0:01:30"));
    EXPECT_EQ(clock.ElapsedText(50000), QStringLiteral("已用时间 0:00:49"));
}

TEST(ScanClockTest, SpeedIsTheBytesReadSinceTheLastSample) {
    ScanClock clock;
    clock.Start(0, 1000);
    EXPECT_EQ(clock.SpeedText(2000, 1000 + 4 * 1048576), QStringLiteral("读取速度 2.0MB/s"));
    EXPECT_EQ(clock.SpeedText(3000, 1000 + 4 * 1048576), QStringLiteral("读取速度 0.0MB/s"));
}

}  // namespace
