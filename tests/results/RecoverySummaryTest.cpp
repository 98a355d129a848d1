#include "results/RecoverySummary.h"

#include "results/RecoveryWriter.h"

#include <gtest/gtest.h>

namespace {

TEST(RecoverySummary, CompleteOnlyWhenEveryFileWasWrittenWhole) {
    RecoveryReport report;
    report.filesPlanned = report.filesWritten = 3;
    EXPECT_EQ(RecoverySummary(report), u"恢复完成");

    report.partialFiles.push_back({"/out/D盘恢复的文件/a.jpg", 4096, "read error at sector 77"});
    EXPECT_EQ(RecoverySummary(report),
              u"已恢复3个文件,共3个。\n\n以下1个文件只恢复了一部分(读不出的部分以零填充):\n"
              u"/out/D盘恢复的文件/a.jpg: 4KB读不出");
}

TEST(RecoverySummary, FailuresAreListedWithTheirReasonsAndCounted) {
    RecoveryReport report;
    report.filesPlanned = 14;
    report.filesWritten = 2;
    for (int i = 0; i < 12; ++i)
        report.failures.push_back({"/out/f" + std::to_string(i), "No space left on device", false});
    std::u16string text = RecoverySummary(report);
    EXPECT_EQ(text.rfind(u"已恢复2个文件,共14个。\n\n以下12项未能恢复:\n/out/f0: No space left on device\n", 0), 0u);
    EXPECT_NE(text.find(u"/out/f9: No space left on device\n……另有2个"), std::u16string::npos) << "ten listed, the rest counted";
    EXPECT_EQ(text.find(u"/out/f10"), std::u16string::npos);
}

TEST(RecoverySummary, AnEncryptedFileIsSaidToBeEncryptedInsteadOfTheReadersReason) {
    RecoveryReport report;
    report.filesPlanned = 2;
    report.failures.push_back({"/out/secret.bin", "MFT record 70 is encrypted and cannot be decrypted", true});
    report.failures.push_back({"/out/other.bin", "Permission denied", false});
    EXPECT_EQ(RecoverySummary(report), u"已恢复0个文件,共2个。\n\n以下2项未能恢复:\n/out/secret.bin: 文件已加密,无法恢复\n"
                                       u"/out/other.bin: Permission denied");
}

TEST(RecoverySummary, AStopSaysWhatWasWrittenAndWhatWasRemoved) {
    RecoveryReport report;
    report.filesPlanned = 5;
    report.filesWritten = 2;
    report.stopped = true;
    report.cutShort = "/out/D盘恢复的文件/big.bin";
    EXPECT_EQ(RecoverySummary(report), u"恢复已停止:已恢复2个文件,共5个。\n停止时正在写的文件已删除:/out/D盘恢复的文件/big.bin");
}

}  // namespace
