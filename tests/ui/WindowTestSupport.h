#pragma once
// What the results-window tests share: waiting for the reader thread's
// answers, finding tree nodes, and answering the window's choosers and
// message boxes.
#include "ui/FileChoosers.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModel>
#include <QStringList>
#include <QTest>

#include <functional>
#include <optional>

// Processes events until `done` holds or `milliseconds` pass; the result of `done`.
inline bool WaitUntil(const std::function<bool()>& done, int milliseconds = 10000) {
    for (int waited = 0; !done() && waited < milliseconds; waited += 10) QTest::qWait(10);
    return done();
}

// The node reached from the tree's root by the texts of `path`; invalid when one is missing.
inline QModelIndex NodeAt(const QAbstractItemModel& model, const QStringList& path) {
    QModelIndex index = model.index(0, 0);
    for (const QString& text : path) {
        QModelIndex next;
        for (int row = 0; row < model.rowCount(index); ++row)
            if (model.index(row, 0, index).data().toString() == text) next = model.index(row, 0, index);
        index = next;
    }
    return index;
}

// Records every message box and answers every chooser with `answer` while it
// lives; or answers the choosers in turn from `answers`, and cancels the rest.
class ScriptedUser {
public:
    explicit ScriptedUser(std::optional<QString> answer) : ScriptedUser(QList<std::optional<QString>>{}, answer) {}
    explicit ScriptedUser(QList<std::optional<QString>> answers, std::optional<QString> afterThem = std::nullopt) {
        SetMessageHandler([this](const QString& text) { messages << text; });
        SetChooserHandler([this, answers, afterThem](const QString& proposal) {
            proposals << proposal;
            return proposals.size() <= answers.size() ? answers[proposals.size() - 1] : afterThem;
        });
    }
    ~ScriptedUser() {
        SetMessageHandler(nullptr);
        SetChooserHandler(nullptr);
    }
    QStringList messages;
    QStringList proposals;
};
