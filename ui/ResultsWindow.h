#pragma once
// The last step: the window over what the scan found. Returns when it closes.
class ScanContext;

void ShowResultsWindow(ScanContext& context, char16_t driveLetter);
