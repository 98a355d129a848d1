#include "results/RecoverySummary.h"

#include "platform/TextConvert.h"
#include "results/RecoveryWriter.h"
#include "results/ResultList.h"

#include <string>
#include <utility>

namespace {

// A message box shows this many files of each kind; the rest are counted.
constexpr size_t kListedFiles = 10;

std::u16string Number(uint64_t value) { return platform::FromUtf8(std::to_string(value)); }

// Two sizes side by side, in bytes as well when their short texts would look alike.
std::pair<std::u16string, std::u16string> SizePair(uint64_t first, uint64_t second) {
    std::u16string a = SizeText(first);
    std::u16string b = SizeText(second);
    if (a == b) {
        a += u"(" + Number(first) + u"字节)";
        b += u"(" + Number(second) + u"字节)";
    }
    return {a, b};
}

template <typename Entry, typename Line>
void AppendList(std::u16string& text, const std::vector<Entry>& entries, Line line) {
    for (size_t i = 0; i < entries.size() && i < kListedFiles; ++i) text += u"\n" + line(entries[i]);
    if (entries.size() > kListedFiles) text += u"\n……另有" + Number(entries.size() - kListedFiles) + u"个";
}

}  // namespace

std::u16string SpaceRefusalText(uint64_t needed, uint64_t available) {
    const auto [neededText, availableText] = SizePair(needed, available);
    return u"目标盘空间不足:恢复需要" + neededText + u",目标盘只有" + availableText +
           u"可用。没有写入任何文件,请选择另外一个盘保存数据!";
}

std::u16string RecoverySummary(const RecoveryReport& report) {
    if (report.Succeeded()) return kRecoveryCompleteText;
    if (report.refusedForSpace) return SpaceRefusalText(report.bytesNeeded, report.bytesAvailable);
    std::u16string text;
    if (report.destinationFull) {
        text = u"目标盘已满,恢复已停止:已恢复" + Number(report.filesWritten) + u"个文件,共" + Number(report.filesPlanned) +
               u"个。\n\n以下" + Number(report.notWritten.size()) + u"个文件未能写入:";
        AppendList(text, report.notWritten, [](const std::string& path) { return platform::FromUtf8(path); });
    } else if (report.stopped) {
        text = u"恢复已停止:已恢复" + Number(report.filesWritten) + u"个文件,共" + Number(report.filesPlanned) + u"个。";
        if (!report.cutShort.empty())
            text += u"\n停止时正在写的文件已删除:" + platform::FromUtf8(report.cutShort);
    } else {
        text = u"已恢复" + Number(report.filesWritten) + u"个文件,共" + Number(report.filesPlanned) + u"个。";
    }
    if (!report.failures.empty()) {
        text += u"\n\n以下" + Number(report.failures.size()) + u"项未能恢复:";
        AppendList(text, report.failures, [](const RecoveryFailure& failure) {
            return platform::FromUtf8(failure.path) + u": " +
                   (failure.encrypted ? std::u16string(kEncryptedFileText) : platform::FromUtf8(failure.reason));
        });
    }
    if (!report.partialFiles.empty()) {
        text += u"\n\n以下" + Number(report.partialFiles.size()) + u"个文件只恢复了一部分(读不出的部分以零填充):";
        AppendList(text, report.partialFiles, [](const PartialFile& partial) {
            return platform::FromUtf8(partial.path) + u": " + SizeText(partial.unreadableBytes) + u"读不出";
        });
    }
    if (!report.damagedFiles.empty()) {
        text += u"\n\n" + Number(report.damagedFiles.size()) + u"个文件的内容可能已损坏(已写出,可能只有一部分可用):";
        AppendList(text, report.damagedFiles, [](const DamagedFile& damaged) {
            return platform::FromUtf8(damaged.path) + u": " + damaged.reason;
        });
    }
    return text;
}
