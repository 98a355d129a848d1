#pragma once
// Whether a drive of the drive table can be read by this user, and how a
// disk the system will not open for them is read anyway: through the disk
// service after the user authorises it, or by starting Ruvex as
// administrator where no such service runs.
#include <cstdint>
#include <string>

enum class DriveAccess {
    Readable,            // opens as it is
    AfterAuthorisation,  // a disk the disk service opens once the user authorises it
    Unreadable,          // the reason says why
};

// How the drive behind `letter` can be read; `reason` says why it cannot
// be read as it is.
DriveAccess AccessOfDrive(char16_t letter, std::string& reason);

// The size of a disk that is readable only after authorisation, as the
// kernel tells it without opening the device; false when it does not.
bool KernelDiskSize(char16_t letter, uint64_t& bytes);

// Has the disk service open the drive's device read-only (the user is asked
// for the administrator password) and lets every later reader of that
// device read through it. False, with the reason, when refused.
bool AuthoriseDrive(char16_t letter, std::string& reason);

// How administrator rights are had on this machine: the disk service asks
// when a disk is chosen; else `pkexec ruvex` where Ruvex's polkit action
// keeps the display; else `sudo ruvex`.
enum class AdminRoute { DiskService, Pkexec, Sudo };
AdminRoute AdminRouteHere();
