#pragma once
// What the user reads when a drive cannot be scanned: the drive, the reason
// the scan gave, and for a disk the system would not open, what gets the
// rights to read it on this machine.
#include "ui/DriveAccess.h"

#include <QString>

#include <string>

QString ScanFailureText(char16_t letter, const std::u16string& reason, bool isBlockDevice,
                        AdminRoute route = AdminRouteHere());
// Whether the drive's source is a disk or partition rather than an image file.
bool IsBlockDeviceDrive(char16_t letter);
