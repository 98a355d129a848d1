#pragma once
// The program's message boxes: one OK button, the application's title. Tests
// replace what shows them, since a modal box would wait for a user.
#include <QString>

#include <functional>

class QWidget;

enum class MessageIcon { None, Exclamation };

void ShowMessage(QWidget* owner, const QString& text, MessageIcon icon);

// Replaces the box by `handler` (null restores the box).
void SetMessageHandler(std::function<void(const QString& text)> handler);
