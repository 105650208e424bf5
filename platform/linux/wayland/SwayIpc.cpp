// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/SwayIpc.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tandrel::linuxdesktop {

QString SwayIpc::problem() const {
    if (connected())
        return {};
    return QStringLiteral("sway's IPC socket ($SWAYSOCK) does not answer: start Tandrel again "
                          "from within the sway session");
}

SwayIpc::SwayIpc(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= qsizetype(sizeof address.sun_path))
        return;
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    // A local socket connects at once or not at all; from then on nothing waits on sway.
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readAvailable(); });
    send(swayipc::kSubscribe, QByteArrayLiteral(R"(["window","workspace"])"));
    askTree();
}

SwayIpc::~SwayIpc() {
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void SwayIpc::send(std::uint32_t type, const QByteArray& payload) {
    if (m_fd < 0)
        return;
    const QByteArray message = swayipc::encode(type, payload);
    qsizetype sent = 0;
    // Requests are a few bytes: the socket's buffer takes them unless sway stopped reading, and
    // then it is gone for us anyway.
    while (sent < message.size()) {
        const ssize_t n = ::send(m_fd, message.constData() + sent,
                                 std::size_t(message.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            disconnect();
            return;
        }
        sent += n;
    }
}

void SwayIpc::askTree() {
    // One question at a time; events meanwhile ask once more when it is answered.
    if (m_treeAsked) {
        m_askAgain = true;
        return;
    }
    m_treeAsked = true;
    send(swayipc::kGetTree, {});
}

void SwayIpc::readAvailable() {
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_buffer.append(chunk, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        disconnect(); // sway went away
        return;
    }
    bool broken = false;
    while (auto message = swayipc::take(m_buffer, &broken))
        handle(*message);
    if (broken)
        disconnect();
}

void SwayIpc::handle(const swayipc::Message& message) {
    if (message.type & swayipc::kEventBit) {
        askTree();
        return;
    }
    if (message.type != swayipc::kGetTree)
        return;
    m_treeAsked = false;
    const std::optional<NativeWindow> focused = focusedWindowInSwayTree(message.payload);
    const bool moved = !m_answered || focused != m_focused;
    m_answered = true;
    m_focused = focused;
    if (m_askAgain) {
        m_askAgain = false;
        askTree();
    }
    if (moved)
        emit changed();
}

void SwayIpc::disconnect() {
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_answered = false;
    m_focused.reset();
    emit changed();
}

} // namespace tandrel::linuxdesktop
