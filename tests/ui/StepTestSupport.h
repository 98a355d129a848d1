#pragma once
// Drives for the step dialogs' tests, and a script that acts on each modal
// dialog as it opens (a modal dialog would otherwise wait for a person).
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

// Replaces the drive table with `drives` (letter, path) and no block devices.
void UseDrives(const std::vector<std::pair<char16_t, std::string>>& drives);

// Collects message box texts instead of showing boxes, while it lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    QStringList texts;
};

class ModalScript {
public:
    using Action = std::function<void(QWidget& dialog)>;
    struct Step {
        QString dialog;  // object name of the dialog the action is for
        Action action;
    };
    // Runs `steps` in order, each on the next modal dialog that opens with
    // its name. The progress dialog runs on by itself; any other dialog that
    // no step is for is cancelled, so that a wrong turn ends the sequence.
    explicit ModalScript(std::vector<Step> steps);

    // Object names of the modal dialogs seen, in order.
    QStringList seen;

private:
    void Poll();

    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<QWidget> m_current;
    QTimer m_timer;
};

// Presses Esc on a dialog; selects the row of drive `letter` in a drive dialog and presses Next.
void PressEscape(QWidget& dialog);
void ChooseDrive(QWidget& dialog, char16_t letter);
// Clicks item `item` of the mode list and presses Next.
void ChooseMode(QWidget& dialog, int item);
