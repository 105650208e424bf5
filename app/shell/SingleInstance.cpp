#include "app/shell/SingleInstance.h"

#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace tandrel {

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");
constexpr int kTimeoutMs = 2000;
// A client that sends more than this without a line break is not a launch of ours.
constexpr qsizetype kMaxRequest = 256;

// Separate desktops of one user (a nested or virtual display) each get their own instance.
QString displayTag() {
    QString display = qEnvironmentVariable("DISPLAY", QStringLiteral("none"));
    for (QChar& c : display)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    return display;
}

// False when the path does not fit a socket address.
bool addressOf(const QString& path, sockaddr_un* address) {
    const QByteArray native = QFile::encodeName(path);
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    if (native.size() >= qsizetype(sizeof(address->sun_path)))
        return false;
    std::memcpy(address->sun_path, native.constData(), std::size_t(native.size()));
    return true;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Waits until the descriptor is ready for `events`, at most until the deadline.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, int(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

bool askToReopen(const QString& path) {
    sockaddr_un address;
    if (!addressOf(path, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    bool answered = false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
        ::send(fd, kReopen.constData(), std::size_t(kReopen.size()), MSG_NOSIGNAL) ==
            kReopen.size()) {
        // The answer tells that a live instance took it, not a socket file left by a crash.
        QByteArray answer;
        char buffer[16];
        while (answer.size() < kDone.size() && waitFor(fd, POLLIN, deadline)) {
            const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
            if (got <= 0)
                break;
            answer.append(buffer, got);
        }
        answered = answer.startsWith(kDone);
    }
    ::close(fd);
    return answered;
}

} // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
    while (!m_clients.empty())
        closeClient(m_clients.begin()->first);
    if (m_listener >= 0) {
        m_listenerNotifier.reset();
        ::close(m_listener);
        // Only the listening instance removes its own socket file.
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
}

QString SingleInstance::socketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/tandrel-%1-%2.socket").arg(getuid()).arg(displayTag());
}

SingleInstance::Role SingleInstance::claim(QString* error) {
    const QString path = socketPath();
    if (askToReopen(path))
        return Role::Secondary;

    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return Role::Failed;
    };
    sockaddr_un address;
    if (!addressOf(path, &address))
        return fail(QStringLiteral("the socket path %1 is too long").arg(path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(systemError());
    // Nobody answered: a socket file there is a leftover of an instance that ended abruptly.
    ::unlink(address.sun_path);
    // Only this user may ask: the socket is created without group or other permissions.
    const mode_t previous = ::umask(0077);
    const bool bound =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, 8) != 0) {
        const QString reason = QStringLiteral("%1: %2").arg(path, systemError());
        ::close(fd);
        return fail(reason);
    }
    m_listener = fd;
    m_listenerNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_listenerNotifier.get(), &QSocketNotifier::activated,
                     m_listenerNotifier.get(), [this] { acceptClients(); });
    return Role::Primary;
}

void SingleInstance::acceptClients() {
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return; // EAGAIN: all taken; anything else: try again at the next wake-up
        Client& client = m_clients[fd];
        client.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(client.notifier.get(), &QSocketNotifier::activated, client.notifier.get(),
                         [this, fd] { readFrom(fd); });
    }
}

void SingleInstance::readFrom(int fd) {
    const auto found = m_clients.find(fd);
    if (found == m_clients.end())
        return;
    char buffer[128];
    const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        closeClient(fd);
        return;
    }
    QByteArray& received = found->second.received;
    received.append(buffer, got);
    const qsizetype newline = received.indexOf('\n');
    if (newline < 0) {
        if (received.size() > kMaxRequest)
            closeClient(fd);
        return;
    }
    const bool reopen = received.left(newline + 1) == kReopen;
    if (reopen)
        ::send(fd, kDone.constData(), std::size_t(kDone.size()), MSG_NOSIGNAL);
    closeClient(fd);
    if (reopen && onReopen)
        onReopen();
}

void SingleInstance::closeClient(int fd) {
    const auto found = m_clients.find(fd);
    if (found == m_clients.end())
        return;
    // The notifier goes before its descriptor, and later: this may run inside its own signal.
    found->second.notifier->setEnabled(false);
    found->second.notifier.release()->deleteLater();
    m_clients.erase(found);
    ::close(fd);
}

} // namespace tandrel
