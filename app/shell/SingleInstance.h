// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace tandrel {

// One running Tandrel per user and display. Which instance is the first is decided by a lock
// (flock) on a file in the user's runtime folder, which the system releases when the process ends
// however it ends; the first instance also listens on a local socket there, and a later launch
// connects, asks it to reopen and ends. An instance that holds the lock but does not answer
// (stopped, or stuck) is never replaced: the socket only carries messages. Plain POSIX sockets
// watched by the Qt event loop: Qt's network module would cost the resident program a megabyte
// for this one line of talk.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // Unresponsive: another instance is running (it holds the lock) but did not take the request
    // within the answer time; nothing should be started.
    enum class Role { Primary, Secondary, Unresponsive, Failed };

    // How long a later launch waits for the running instance to answer.
    explicit SingleInstance(std::chrono::milliseconds answerTime = std::chrono::seconds(2));
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The socket's and the lock's paths for this user and display.
    static QString socketPath();
    static QString lockPath();

    // Primary when this process took the lock and now listens; Secondary when the running
    // instance took the request to reopen; Unresponsive when it holds the lock but did not answer;
    // Failed (with the reason in *error) when the lock or the socket could not be set up.
    Role claim(QString* error);

signals:
    // On the main thread, whenever a later launch asks this instance to reopen.
    void reopenRequested();

private:
    struct Client {
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray received;
    };
    void acceptClients();
    void readFrom(int fd);
    void closeClient(int fd);

    std::chrono::milliseconds m_answerTime;
    int m_lock = -1;
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_listenerNotifier;
    std::map<int, Client> m_clients;
};

} // namespace tandrel
