#include "ui/FileChoosers.h"

#include <QFileDialog>

namespace {

std::function<std::optional<QString>(const QString&)>& Handler() {
    static std::function<std::optional<QString>(const QString&)> handler;
    return handler;
}

std::optional<QString> Answer(const QString& chosen) {
    if (chosen.isEmpty()) return std::nullopt;
    return chosen;
}

}  // namespace

std::optional<QString> ChooseFolder(QWidget* owner, const QString& start) {
    if (Handler()) return Handler()(start);
    return Answer(QFileDialog::getExistingDirectory(owner, QString(), start, QFileDialog::ShowDirsOnly));
}

std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& suggested) {
    if (Handler()) return Handler()(suggested);
    // Asks before replacing an existing file.
    return Answer(QFileDialog::getSaveFileName(owner, QString(), suggested));
}

void SetChooserHandler(std::function<std::optional<QString>(const QString& proposal)> handler) {
    Handler() = std::move(handler);
}
