#pragma once
// The command-line front end's commands. Each returns the process exit code:
// 0 success, 1 the work failed, 2 the command line was wrong.
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int RunDrivesCommand(const Arguments& arguments);
int RunScanCommand(Arguments arguments);
int RunRecoverCommand(Arguments arguments);
int RunPartitionsCommand(Arguments arguments);

// Loads the settings file: the drive table and the code page.
void LoadSettings();
