// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/FrontWindowSource.h"
#include "platform/linux/wayland/SwayTree.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QSocketNotifier;

namespace tandrel::linuxdesktop {

// sway's IPC socket, spoken directly and never waited on: the focused window is asked for at
// connection and again after every window or workspace event, and kept. A reader is always told
// the last answer; changed() says when it moved.
class SwayIpc final : public FrontWindowSource {
    Q_OBJECT
public:
    // Connects to the socket at the path ($SWAYSOCK); connected() is false when that fails.
    explicit SwayIpc(const QString& path);
    ~SwayIpc() override;

    bool connected() const { return m_fd >= 0; }
    bool answered() const override { return connected() && m_answered; }
    std::optional<NativeWindow> focused() const override { return m_focused; }
    QString problem() const override;

private:
    void send(std::uint32_t type, const QByteArray& payload);
    void readAvailable();
    void handle(const swayipc::Message& message);
    void askTree();
    void disconnect();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_buffer;
    bool m_treeAsked = false;
    bool m_askAgain = false;
    bool m_answered = false;
    std::optional<NativeWindow> m_focused;
};

} // namespace tandrel::linuxdesktop
