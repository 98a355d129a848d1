#pragma once
// The two ways the results window writes found files out: "开始恢复" copies
// everything ticked into a folder the user picks, "恢复此文件" saves one row
// under a name the user picks. Both refuse a destination on the scanned
// drive, write on the reader thread behind a progress dialog with 停止, and
// say what could not be written.
#include <QString>

class QWidget;
class ReaderThread;
class ResultsModel;
struct ListRow;

struct RecoveryTarget {
    QWidget* owner;         // the results window
    ResultsModel& results;  // the tree and its ticks
    ReaderThread& reader;
    char16_t letter;        // the scanned drive
};

void StartRecovery(const RecoveryTarget& target);
void RecoverThisFile(const RecoveryTarget& target, const ListRow& row);

// The folder the choosers open at: the user's home. The program's own
// folder is a system folder that nobody can write to.
QString RecoveryStartFolder();
