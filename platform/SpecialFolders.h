#pragma once
#include <string>

namespace platform {

// The all-users documents folder: $RUVEX_HOME when set, else the XDG
// configuration folder ($XDG_CONFIG_HOME, or ~/.config).
std::string CommonDocumentsFolder();
// $TMPDIR or /tmp.
std::string TemporaryFolder();
// The settings file: <documents folder>/ruvex/config.ini.
std::string SettingsFilePath();

}  // namespace platform
