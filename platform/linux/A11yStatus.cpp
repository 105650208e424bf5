// SPDX-License-Identifier: MIT
#include "platform/linux/A11yStatus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tandrel::linuxdesktop {

namespace {
const char* kService = "org.a11y.Bus";
const char* kPath = "/org/a11y/bus";
const char* kProperties = "org.freedesktop.DBus.Properties";
const char* kStatus = "org.a11y.Status";
const char* kIsEnabled = "IsEnabled";
constexpr int kTimeoutMs = 500;

QDBusMessage askForTheSwitch() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kProperties, "Get");
    call << QString::fromLatin1(kStatus) << QString::fromLatin1(kIsEnabled);
    return call;
}
} // namespace

A11yStatus::A11yStatus() {
    QDBusConnection::sessionBus().connect(
        QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kProperties),
        QStringLiteral("PropertiesChanged"), this,
        SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    // The launch waits for this one answer: it decides whether the editor opens to guide the user.
    m_enabled = readFromService();
    if (m_enabled)
        m_lastAnswer = *m_enabled;
}

std::optional<bool> A11yStatus::readFromService() {
    const QDBusMessage call = askForTheSwitch();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

bool A11yStatus::isEnabled() {
    if (m_enabled)
        return *m_enabled;
    askInBackground();
    return m_lastAnswer;
}

void A11yStatus::askInBackground() {
    if (m_asking)
        return;
    m_asking = true;
    const QDBusMessage call = askForTheSwitch();
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_asking = false;
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                // No answer: the next question asks again, one call at a time.
                if (reply.isError() || m_enabled)
                    return;
                m_enabled = reply.value().variant().toBool();
                m_lastAnswer = *m_enabled;
            });
}

bool A11yStatus::enable() {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kProperties, "Set");
    call << QString::fromLatin1(kStatus) << QString::fromLatin1(kIsEnabled)
         << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    m_enabled = readFromService(); // what the service really holds now
    if (m_enabled)
        m_lastAnswer = *m_enabled;
    return true;
}

void A11yStatus::onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                     const QStringList& invalidated) {
    if (interface != QLatin1String(kStatus))
        return;
    if (const auto it = changed.constFind(QString::fromLatin1(kIsEnabled)); it != changed.cend()) {
        m_enabled = it->toBool();
        m_lastAnswer = *m_enabled;
    } else if (invalidated.contains(QString::fromLatin1(kIsEnabled)))
        m_enabled.reset(); // the next question asks the service
}

} // namespace tandrel::linuxdesktop
