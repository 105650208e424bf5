// SPDX-License-Identifier: MIT
#include "app/shell/SingleInstance.h"

#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
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

// A file of this user and display in the runtime folder.
QString runtimePath(const QString& extension) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/tandrel-%1-%2.%3").arg(getuid()).arg(displayTag(), extension);
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

// A connection to the running instance, or -1 while it cannot be made (no socket yet, the queue
// of a stopped instance full). Never blocks: a blocking connect waits as long as the queue stays
// full, which for a stopped instance is forever.
int connectNow(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Asks the instance at the other end to reopen; true when it said it did before the deadline.
bool askToReopen(int fd, std::chrono::steady_clock::time_point deadline) {
    if (::send(fd, kReopen.constData(), std::size_t(kReopen.size()), MSG_NOSIGNAL) !=
        kReopen.size())
        return false;
    QByteArray answer;
    char buffer[16];
    while (answer.size() < kDone.size() && waitFor(fd, POLLIN, deadline)) {
        const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (got <= 0)
            break;
        answer.append(buffer, got);
    }
    return answer.startsWith(kDone);
}

} // namespace

SingleInstance::SingleInstance(std::chrono::milliseconds answerTime) : m_answerTime(answerTime) {}

SingleInstance::~SingleInstance() {
    while (!m_clients.empty())
        closeClient(m_clients.begin()->first);
    if (m_listener >= 0) {
        m_listenerNotifier.reset();
        ::close(m_listener);
        // Only the listening instance removes its own socket file, and before it lets go of the
        // lock: the next first instance's socket is never removed.
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
    if (m_lock >= 0)
        ::close(m_lock);
}

QString SingleInstance::socketPath() {
    return runtimePath(QStringLiteral("socket"));
}

QString SingleInstance::lockPath() {
    return runtimePath(QStringLiteral("lock"));
}

SingleInstance::Role SingleInstance::claim(QString* error) {
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return Role::Failed;
    };
    const QString path = socketPath();
    sockaddr_un address;
    if (!addressOf(path, &address))
        return fail(QStringLiteral("the socket path %1 is too long").arg(path));
    const QString lock = lockPath();
    const int lockFd = ::open(QFile::encodeName(lock).constData(),
                              O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0)
        return fail(QStringLiteral("%1: %2").arg(lock, systemError()));

    // The lock is tried again while waiting: an instance that is just ending gives it up after
    // removing its socket, and the launch that finds neither then becomes the first.
    const auto deadline = std::chrono::steady_clock::now() + m_answerTime;
    for (;;) {
        if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const QString reason = QStringLiteral("%1: %2").arg(lock, systemError());
            ::close(lockFd);
            return fail(reason);
        }
        if (const int fd = connectNow(address); fd >= 0) {
            const bool answered = askToReopen(fd, deadline);
            ::close(fd);
            ::close(lockFd);
            return answered ? Role::Secondary : Role::Unresponsive;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(lockFd);
            return Role::Unresponsive;
        }
        // Starting up, or stopped with a full queue: asked again shortly.
        ::poll(nullptr, 0, 20);
    }
    // Kept for the life of the instance: the system releases it when the process ends, however
    // it ends. Held even if listening fails below, so that no second palette ever starts.
    m_lock = lockFd;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return fail(systemError());
    // This process holds the lock: a socket file there is a leftover of an instance that ended.
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
    if (reopen)
        emit reopenRequested();
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
