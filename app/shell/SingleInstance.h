#pragma once

#include <QLocalServer>
#include <QString>

#include <functional>
#include <memory>

namespace tandrel {

// One running Tandrel per user and display. The first instance listens on a local socket in the
// user's runtime folder; a later launch connects, asks it to reopen and ends.
class SingleInstance {
public:
    enum class Role { Primary, Secondary, Failed };

    // The socket's path for this user and display.
    static QString socketPath();

    // Secondary when a running instance took the request to reopen; Primary when this process is
    // now the one that listens; Failed (with the reason in *error) when neither worked.
    Role claim(QString* error);

    // Called on the main thread whenever a later launch asks this instance to reopen.
    std::function<void()> onReopen;

private:
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace tandrel
