// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiConnection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>

namespace tandrel::linuxdesktop {

namespace {

Q_LOGGING_CATEGORY(lcBus, "tandrel.accessibility.bus", QtInfoMsg)

const QString kService = QStringLiteral("org.a11y.Bus");
constexpr int kFirstRetryMs = 250;
constexpr int kLongestRetryMs = 5000;
constexpr int kAddressTimeoutMs = 2000;

} // namespace

AtspiConnection::AtspiConnection() {
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected() && session.interface()) {
        m_owner = session.interface()->serviceOwner(kService).value();
        m_watcher = new QDBusServiceWatcher(kService, session,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                &AtspiConnection::onOwnerChanged);
    }
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &AtspiConnection::lookUpNewBus);
}

AtspiConnection::~AtspiConnection() = default;

void AtspiConnection::onOwnerChanged(const QString&, const QString&, const QString& newOwner) {
    if (newOwner == m_owner)
        return;
    m_owner = newOwner;
    if (m_connected) {
        qCWarning(lcBus, "The accessibility bus went away.");
        m_connected = false;
        emit lost();
    }
    // A new service is there at once, or is started by asking it for its bus.
    m_retryMs = 0;
    m_retry.start(newOwner.isEmpty() ? kFirstRetryMs : 0);
}

void AtspiConnection::lookUpNewBus() {
    if (m_looking)
        return;
    m_looking = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/org/a11y/bus"), kService, QStringLiteral("GetAddress"));
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kAddressTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                m_looking = false;
                const QDBusPendingReply<QString> reply = *finished;
                if (reply.isError() || reply.value().isEmpty())
                    return scheduleRetry();
                checkRegistry(reply.value().toUtf8());
            });
}

void AtspiConnection::checkRegistry(const QByteArray& address) {
    // A connection of our own to the new bus, apart from libatspi's: asking the registry for
    // anything starts it, and its answer says the bus is ready for applications.
    const QString name = QStringLiteral("tandrel-a11y-check-%1").arg(++m_checks);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), name);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(name);
        return scheduleRetry();
    }
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"),
        QStringLiteral("/org/a11y/atspi/accessible/root"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ping, kAddressTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, address, name](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const bool answered = !finished->isError();
                QDBusConnection::disconnectFromBus(name);
                if (!answered)
                    return scheduleRetry();
                qCInfo(lcBus, "A new accessibility bus answers.");
                emit replaced(address);
            });
}

void AtspiConnection::scheduleRetry() {
    m_retryMs = m_retryMs ? std::min(m_retryMs * 2, kLongestRetryMs) : kFirstRetryMs;
    m_retry.start(m_retryMs);
}

} // namespace tandrel::linuxdesktop
