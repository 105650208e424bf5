// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QDBusServiceWatcher;

namespace tandrel::linuxdesktop {

// Watches the process's connection to the accessibility bus. That bus belongs to a session
// service (org.a11y.Bus); when the service is restarted (a desktop component crashed, say), a new
// bus takes its place at a new address and every application registers there again. libatspi
// cannot follow: it keeps what it learnt of the old bus for the life of the process, and a second
// connection finds only that. So once the service changed hands the connection counts as lost
// (nothing may be read through libatspi any more), the new bus is looked up, started if nobody
// runs it, and reported as soon as its registry answers, for the program to start again on it.
class AtspiConnection final : public QObject {
    Q_OBJECT
public:
    AtspiConnection();
    ~AtspiConnection() override;

    bool isConnected() const { return m_connected; }

signals:
    // The bus went away: what was read from it names nothing any more.
    void lost();
    // A new bus answers at this address.
    void replaced(const QByteArray& address);

private:
    void onOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);
    void lookUpNewBus();
    void checkRegistry(const QByteArray& address);
    void scheduleRetry();

    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_owner;
    bool m_connected = true;
    bool m_looking = false;
    int m_retryMs = 0;
    int m_checks = 0;
    QTimer m_retry;
};

} // namespace tandrel::linuxdesktop
