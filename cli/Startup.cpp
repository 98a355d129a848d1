#include "cli/Commands.h"

#include "partitions/PartitionDrives.h"
#include "platform/DriveTable.h"
#include "platform/SpecialFolders.h"
#include "platform/TextConvert.h"
#include "settings/IniFile.h"

void LoadSettings() {
    CIniFile settings;
    settings.SetPath(platform::SettingsFilePath());
    platform::SetCodePage(platform::ToUtf8(settings.GetString(u"Options", u"CodePage", u"CP936")));
    platform::Drives().Load(settings.GetPath());
    partitions::AddPartitionDrives(platform::Drives());
}
