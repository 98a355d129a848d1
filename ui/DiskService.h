#pragma once
// The desktop's disk service, UDisks2 on the system bus. A user who may not
// read a disk can still have it opened read-only for them: the service asks
// for the administrator password through polkit and hands back a file
// descriptor, so the window itself never runs as root.
#include <string>

// Whether UDisks2 runs on the system bus (or starts there on demand).
bool DiskServicePresent();

// Asks the service to open the block device `devicePath` read-only
// (Block.OpenForBackup). Returns the descriptor, owned by the caller, or -1
// with the service's reason in `reason`. With `interactive` false the
// service must not ask for a password. Events are processed while the
// password dialog is up, so the windows keep painting.
int OpenDiskForReading(const std::string& devicePath, bool interactive, std::string& reason);
