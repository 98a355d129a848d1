#include "ui/ScanFailureText.h"

#include "platform/DriveTable.h"
#include "toolkit/QtText.h"

#include <sys/stat.h>

QString ScanFailureText(char16_t letter, const std::u16string& reason, bool isBlockDevice, AdminRoute route) {
    QString text = QStringLiteral("无法扫描%1盘: %2").arg(QChar(letter), ToQString(reason));
    if (!isBlockDevice || !(reason.starts_with(u"permission denied") || reason.starts_with(u"not authorised")))
        return text;
    switch (route) {
    case AdminRoute::DiskService:
        text += QStringLiteral("\n\n读取磁盘需要管理员授权:请在驱动器列表中再次选择此盘,并在弹出的窗口中输入管理员密码。");
        break;
    case AdminRoute::Pkexec:
        text += QStringLiteral("\n\n读取磁盘需要管理员权限,请以管理员身份启动 Ruvex:pkexec ruvex");
        break;
    case AdminRoute::Sudo:
        text += QStringLiteral("\n\n读取磁盘需要管理员权限,请以管理员身份启动 Ruvex,例如 sudo ruvex");
        break;
    }
    return text;
}

bool IsBlockDeviceDrive(char16_t letter) {
    const platform::DriveEntry* drive = platform::Drives().Find(letter);
    struct stat info {};
    return drive && ::stat(drive->path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
}
