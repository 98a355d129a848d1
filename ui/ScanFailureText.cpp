#include "ui/ScanFailureText.h"

#include "platform/DriveTable.h"
#include "toolkit/QtText.h"

#include <sys/stat.h>

QString ScanFailureText(char16_t letter, const std::u16string& reason, bool isBlockDevice) {
    QString text = QStringLiteral("无法扫描%1盘: %2").arg(QChar(letter), ToQString(reason));
    if (isBlockDevice && reason.starts_with(u"permission denied"))
        text += QStringLiteral("\n\n读取磁盘需要管理员权限,请以管理员身份启动 Ruvex,例如 sudo ruvex 或 pkexec ruvex。");
    return text;
}

bool IsBlockDeviceDrive(char16_t letter) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    struct stat info {};
    return drive && ::stat(drive->path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
}
