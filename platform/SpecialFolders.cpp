#include "platform/SpecialFolders.h"

#include <cstdlib>

namespace platform {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string CommonDocumentsFolder() {
    if (std::string home = Environment("RUVEX_HOME"); !home.empty()) return home;
    if (std::string config = Environment("XDG_CONFIG_HOME"); !config.empty()) return config;
    std::string home = Environment("HOME");
    return (home.empty() ? std::string("/root") : home) + "/.config";
}

std::string TemporaryFolder() {
    std::string folder = Environment("TMPDIR");
    return folder.empty() ? "/tmp" : folder;
}

std::string SettingsFilePath() { return CommonDocumentsFolder() + "/ruvex/config.ini"; }

}  // namespace platform
