#include "ui/DiskService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <fcntl.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManagerInterface = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
// Long enough for a person to type a password.
constexpr int kAuthorisationTimeoutMs = 10 * 60 * 1000;
constexpr int kQueryTimeoutMs = 5000;

std::string ErrorText(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    if (name.startsWith(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorized")))
        return "not authorised: " + reply.errorMessage().toStdString();
    return reply.errorMessage().toStdString();
}

// The service's object for a device node, such as
// /org/freedesktop/UDisks2/block_devices/sdb for /dev/sdb.
QString BlockObjectOf(const std::string& devicePath, std::string& reason) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kManagerPath, kManagerInterface,
                                                       QStringLiteral("ResolveDevice"));
    // The device is named by its node; no options.
    QVariantMap device{{QStringLiteral("path"), QString::fromStdString(devicePath)}};
    call << device << QVariantMap();
    const QDBusMessage reply = QDBusConnection::systemBus().call(call, QDBus::Block, kQueryTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        reason = ErrorText(reply);
        return {};
    }
    const QList<QDBusObjectPath> objects =
        reply.arguments().isEmpty() ? QList<QDBusObjectPath>()
                                    : qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().front());
    if (objects.isEmpty()) {
        reason = devicePath + ": not a disk the disk service knows";
        return {};
    }
    return objects.front().path();
}

}  // namespace

bool DiskServicePresent() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface()) return false;
    if (bus.interface()->isServiceRegistered(kService).value()) return true;
    return bus.interface()->activatableServiceNames().value().contains(kService);
}

int OpenDiskForReading(const std::string& devicePath, bool interactive, std::string& reason) {
    if (!QDBusConnection::systemBus().isConnected()) {
        reason = "no system bus: " + QDBusConnection::systemBus().lastError().message().toStdString();
        return -1;
    }
    const QString object = BlockObjectOf(devicePath, reason);
    if (object.isEmpty()) return -1;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, object, kBlockInterface, QStringLiteral("OpenForBackup"));
    call << QVariantMap{{QStringLiteral("auth.no_user_interaction"), !interactive}};
    call.setInteractiveAuthorizationAllowed(interactive);
    const QDBusMessage reply = QDBusConnection::systemBus().call(
        call, interactive ? QDBus::BlockWithGui : QDBus::Block, interactive ? kAuthorisationTimeoutMs : kQueryTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        reason = ErrorText(reply);
        return -1;
    }
    if (reply.arguments().isEmpty()) {
        reason = "the disk service answered without a descriptor";
        return -1;
    }
    const auto descriptor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().front());
    // The message owns its descriptor; the caller gets a copy of its own.
    const int fd = descriptor.isValid() ? ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    if (fd < 0) reason = "the disk service answered without a descriptor";
    return fd;
}
