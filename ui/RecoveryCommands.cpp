#include "ui/RecoveryCommands.h"

#include "engine/ScanContext.h"
#include "results/GuessedContentCheck.h"
#include "results/RecoverySummary.h"
#include "results/RecoveryWriter.h"
#include "results/ResultList.h"
#include "results/ResultsModel.h"
#include "results/SafeFileName.h"
#include "ui/FileChoosers.h"
#include "ui/MessageBox.h"
#include "ui/ReaderThread.h"
#include "ui/RecoveryProgressDialog.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

// False, after the refusal, when `path` or the folder it lies in is on the
// scanned drive.
bool AllowedOrRefused(const RecoveryTarget& target, const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    for (const QString& each : {path, folder}) {
        if (IsDestinationAllowed(target.letter, each.toStdString())) continue;
        ShowMessage(target.owner, QString::fromStdU16String(kSameDriveRefusal), MessageIcon::None);
        return false;
    }
    return true;
}

// Runs `job` on the reader thread behind the progress dialog; returns when
// it has ended.
template <typename Job>
void RunWithProgress(const RecoveryTarget& target, Job job) {
    RecoveryProgressDialog dialog(target.owner);
    RecoveryHost& host = dialog.Host();
    target.reader.Post([&dialog, &host, job] {
        job(host);
        ReaderThread::Deliver(&dialog, [&dialog] { dialog.Finish(); });
    });
    // The dialog cannot close before the job has delivered its end, so the
    // job's references stay valid while it runs.
    dialog.exec();
}

}  // namespace

QString RecoveryStartFolder() { return QDir::homePath(); }

void StartRecovery(const RecoveryTarget& target) {
    // A destination without room for the ticked files is refused before
    // anything is written, and the user chooses again.
    for (;;) {
        std::optional<QString> folder = ChooseFolder(target.owner, RecoveryStartFolder());
        if (!folder) return;
        const std::u16string base = RecoveryBaseFolder(folder->toStdU16String(), target.letter);
        if (!AllowedOrRefused(target, QString::fromStdU16String(base))) return;
        auto report = std::make_shared<RecoveryReport>();
        TreeNode& root = target.results.Root();
        ScanContext& context = target.results.Context();
        const std::u16string destination = folder->toStdU16String();
        const char16_t letter = target.letter;
        RunWithProgress(target, [report, &root, &context, destination, letter](RecoveryHost& host) {
            RecoveryWriter writer(context);
            *report = writer.RecoverAll(root, destination, letter, &host);
        });
        ShowMessage(target.owner, QString::fromStdU16String(RecoverySummary(*report)), MessageIcon::Exclamation);
        if (!report->refusedForSpace) return;
    }
}

void RecoverThisFile(const RecoveryTarget& target, const ListRow& row) {
    if (!row.file) return;
    if (row.item && row.item->encrypted) {
        // Nothing could be written: say so before asking where to write it.
        ShowMessage(target.owner, QStringLiteral("无法保存此文件:%1").arg(QString::fromStdU16String(kEncryptedFileText)),
                    MessageIcon::Exclamation);
        return;
    }
    const QString suggested = QDir(RecoveryStartFolder()).filePath(QString::fromStdU16String(SafeFileName(row.name)));
    std::optional<QString> path = ChooseSaveFile(target.owner, suggested);
    if (!path || !AllowedOrRefused(target, *path)) return;
    auto result = std::make_shared<SaveResult>();
    const std::u16string destination = path->toStdU16String();
    RunWithProgress(target, [result, file = row.file, owned = row.ownedFile, destination](RecoveryHost& host) {
        host.SetTotal(1, 0);
        *result = file->SaveToFile(destination, [&host](uint64_t bytes) {
            host.SetDone(0, bytes);
            return !host.StopRequested();
        });
    });
    if (result->stopped) return;
    if (result->ok && !result->Partial()) {
        const std::u16string damage = DamageOfSavedFile(row.file, row.item, row.name, destination);
        if (!damage.empty())
            ShowMessage(target.owner,
                        QStringLiteral("文件已保存,但可能已损坏:%1。").arg(QString::fromStdU16String(damage)),
                        MessageIcon::Exclamation);
        return;
    }
    QString text = result->ok ? QStringLiteral("文件已保存,但有%1读不出,已以零填充。")
                                    .arg(QString::fromStdU16String(SizeText(result->unreadableBytes)))
                              : QStringLiteral("无法保存此文件:%1").arg(QString::fromStdString(result->error));
    ShowMessage(target.owner, text, MessageIcon::Exclamation);
}
