#include "ui/SavedScanFiles.h"

#include "engine/SavedScan.h"
#include "engine/SavedScanSource.h"
#include "engine/ScanContext.h"
#include "engine/SilentScanHost.h"
#include "platform/DriveTable.h"
#include "platform/RawSource.h"
#include "ui/FileChoosers.h"
#include "ui/MessageBox.h"

#include <QFileDialog>

namespace {

const QString kFilter = QStringLiteral("扫描结果 (*.ruvex-scan)");

void Refuse(QWidget* owner, const QString& what, const std::string& reason) {
    ShowMessage(owner, what + QStringLiteral(": ") + QString::fromStdString(reason), MessageIcon::Exclamation);
}

}  // namespace

bool SaveScanAs(QWidget* owner, const ScanContext& context, char16_t letter, bool stopped) {
    const QString suggested = QString(QChar(letter)) + QStringLiteral("盘扫描结果.ruvex-scan");
    const std::optional<QString> path = ChooseSaveFile(owner, suggested);
    if (!path) return false;
    SavedScanInfo info;
    info.letter = letter;
    info.stopped = stopped;
    std::string reason;
    std::unique_ptr<platform::RawSource> source = platform::RawSource::OpenDrive(letter, reason);
    if (!source || !ReadSourceIdentity(*source, info.source, reason) ||
        !WriteSavedScan(path->toStdString(), context, info, reason)) {
        Refuse(owner, QStringLiteral("无法保存扫描结果"), reason);
        return false;
    }
    ShowMessage(owner, QStringLiteral("扫描结果已保存"), MessageIcon::None);
    return true;
}

bool OpenSavedScan(QWidget* owner, ScanContext& context, char16_t& letter, SavedScanToResume& resume) {
    const QString path = QFileDialog::getOpenFileName(owner, QStringLiteral("打开扫描结果"), QString(), kFilter);
    if (path.isEmpty()) return false;
    SavedScanInfo info;
    std::string reason;
    if (!ReadSavedScan(path.toStdString(), context, info, reason)) {
        Refuse(owner, QStringLiteral("无法打开扫描结果"), reason);
        return false;
    }
    // The drive as the scan read it, for this session only.
    platform::Drives().Register(DriveOfSavedScan(info));
    std::shared_ptr<const platform::RawSource> source = platform::RawSource::OpenDrive(info.letter, reason);
    if (source && info.stopped) {
        // Its source is checked and opened when it goes on.
        resume = {true, path.toStdString(), info, source};
        letter = info.letter;
        return true;
    }
    SilentScanHost host;
    if (!source || !ReopenSavedScan(context, info, source, host, reason)) {
        context.Reset();
        Refuse(owner, QStringLiteral("无法读取扫描结果所在的磁盘"), reason);
        return false;
    }
    letter = info.letter;
    return true;
}

bool UpdateSavedScan(QWidget* owner, const ScanContext& context, const SavedScanToResume& resume) {
    std::string reason;
    if (WriteSavedScan(resume.path, context, resume.info, reason)) return true;
    Refuse(owner, QStringLiteral("无法保存扫描结果"), reason);
    return false;
}
