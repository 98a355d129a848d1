#pragma once
// The command line's host of a recovery: a progress bar of files and bytes
// on standard error while it is a terminal, and Ctrl+C as Cancel.
#include "cli/Interrupt.h"
#include "results/RecoveryHost.h"

class CliRecoveryHost : public RecoveryHost {
public:
    CliRecoveryHost();
    ~CliRecoveryHost() override;

    void SetTotal(uint64_t files, uint64_t bytes) override;
    void SetDone(uint64_t files, uint64_t bytes) override;

private:
    void Draw();

    InterruptWatch m_interrupt;
    bool m_interactive;
    bool m_lineOpen = false;
    uint64_t m_totalFiles = 0;
    uint64_t m_totalBytes = 0;
    uint64_t m_files = 0;
    uint64_t m_bytes = 0;
    int m_drawnPerMille = -1;
    uint64_t m_drawnFiles = 0;
};
