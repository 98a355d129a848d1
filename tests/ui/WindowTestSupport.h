#pragma once
// What the results-window tests share: waiting for the reader thread's
// answers, and answering the window's choosers and message boxes.
#include "ui/FileChoosers.h"
#include "ui/MessageBox.h"

#include <QStringList>
#include <QTest>

#include <functional>
#include <optional>

// Processes events until `done` holds or `milliseconds` pass; the result of `done`.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    for (int waited = 0; !done() && waited < milliseconds; waited += 10) QTest::qWait(10);
    return done();
}

// Records every message box and answers every chooser with `answer` while it lives.
class ScriptedUser {
public:
    explicit ScriptedUser(std::optional<QString> answer) {
        SetMessageHandler([this](const QString& text) { messages << text; });
        SetChooserHandler([this, answer](const QString& proposal) {
            proposals << proposal;
            return answer;
        });
    }
    ~ScriptedUser() {
        SetMessageHandler(nullptr);
        SetChooserHandler(nullptr);
    }
    QStringList messages;
    QStringList proposals;
};
