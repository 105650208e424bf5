// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/FrontWindowSource.h"
#include "platform/linux/wayland/ShellExtensionState.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <optional>

class QDBusServiceWatcher;

namespace tandrel::linuxdesktop {

// Tandrel's GNOME Shell extension on the session bus: only the shell knows the native window in
// front. Every call is asynchronous; the last answer is kept, and the extension's signal, or its
// name coming and going, asks again. While it does not answer, GNOME Shell's own record of it
// and the extension folders tell the user what to do.
class GnomeShellExtension final : public FrontWindowSource {
    Q_OBJECT
public:
    explicit GnomeShellExtension(QDBusConnection bus = QDBusConnection::sessionBus());
    ~GnomeShellExtension() override;

    bool answered() const override { return m_facts.serving; }
    std::optional<NativeWindow> focused() const override { return m_focused; }
    QString problem() const override;

    // Asks the extension to type Control+V or Return into the window in front; false when it
    // does not answer (nothing is sent then). Not waited on.
    bool press(const QString& method);

private slots:
    void onWindowChanged(const QDBusMessage& message);
    void onShellExtensionChanged(const QDBusMessage& message);

private:
    void askWindow();
    void askShell();
    void take(const std::optional<NativeWindow>& window, bool serving);

    QDBusConnection m_bus;
    std::unique_ptr<QDBusServiceWatcher> m_watcher;
    ShellExtensionFacts m_facts;
    std::optional<NativeWindow> m_focused;
    // What the extension's folders and the shell's settings said when last looked at.
    mutable QElapsedTimer m_localFactsRead;
    mutable bool m_installed = false;
    mutable std::optional<bool> m_enabledInSettings;
};

// Keys through the extension's Clutter virtual keyboard, which GNOME Shell accepts from itself
// without asking the user.
class GnomeShellKeys final : public NativeKeys {
public:
    explicit GnomeShellKeys(GnomeShellExtension& extension) : m_extension(extension) {}
    QString problem() const override;
    bool paste() override;
    bool submit() override;

private:
    GnomeShellExtension& m_extension;
};

} // namespace tandrel::linuxdesktop
