#include "platform/linux/A11yStatus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace tandrel::linuxdesktop {

namespace {
const char* kService = "org.a11y.Bus";
const char* kPath = "/org/a11y/bus";
const char* kProperties = "org.freedesktop.DBus.Properties";
const char* kStatus = "org.a11y.Status";
constexpr int kTimeoutMs = 500;
} // namespace

bool A11yStatus::isEnabled() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kProperties, "Get");
    call << QString::fromLatin1(kStatus) << QStringLiteral("IsEnabled");
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

bool A11yStatus::enable() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kProperties, "Set");
    call << QString::fromLatin1(kStatus) << QStringLiteral("IsEnabled")
         << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace tandrel::linuxdesktop
