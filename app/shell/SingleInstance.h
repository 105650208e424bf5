#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

namespace tandrel {

// One running Tandrel per user and display. The first instance listens on a local socket in the
// user's runtime folder; a later launch connects, asks it to reopen and ends. Plain POSIX sockets
// watched by the Qt event loop: Qt's network module would cost the resident program a megabyte
// for this one line of talk.
class SingleInstance {
public:
    enum class Role { Primary, Secondary, Failed };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // The socket's path for this user and display.
    static QString socketPath();

    // Secondary when a running instance took the request to reopen; Primary when this process is
    // now the one that listens; Failed (with the reason in *error) when neither worked.
    Role claim(QString* error);

    // Called on the main thread whenever a later launch asks this instance to reopen.
    std::function<void()> onReopen;

private:
    struct Client {
        std::unique_ptr<QSocketNotifier> notifier;
        QByteArray received;
    };
    void acceptClients();
    void readFrom(int fd);
    void closeClient(int fd);

    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_listenerNotifier;
    std::map<int, Client> m_clients;
};

} // namespace tandrel
