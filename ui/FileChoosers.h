#pragma once
// The folder and file choosers of the recovery commands. Tests answer them
// in place of a user, since a modal chooser would wait for one.
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// A folder to recover into, starting at `start`; nothing when cancelled.
std::optional<QString> ChooseFolder(QWidget* owner, const QString& start);
// A file to save one file as, proposing `suggested`; nothing when cancelled.
std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& suggested);

// Replaces both choosers (null restores them). The handler gets the start
// folder or the suggested path and answers as the user would.
void SetChooserHandler(std::function<std::optional<QString>(const QString& proposal)> handler);
