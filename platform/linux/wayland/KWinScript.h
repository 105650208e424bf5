// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/wayland/FrontWindowSource.h"

#include <QDBusConnection>
#include <QString>

#include <memory>
#include <optional>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;
class QTimer;

namespace tandrel::linuxdesktop {

// The window in front on KWin, told by a small KWin script this program loads into KWin over
// D-Bus: the script calls Report() on this program's bus name whenever the active window changes,
// moves or is resized. Every D-Bus call is asynchronous; the script is unloaded when this object
// goes, and one left by a Tandrel that crashed is unloaded before ours is loaded.
class KWinScript final : public FrontWindowSource {
    Q_OBJECT
public:
    // The name, object and interface the script reports to, and the name KWin knows it by.
    static constexpr const char* kService = "io.github.tandrel.Tandrel.KWin";
    static constexpr const char* kPath = "/io/github/tandrel/Tandrel/KWin";
    static constexpr const char* kInterface = "io.github.tandrel.Tandrel.KWin";
    static constexpr const char* kScriptName = "tandrel-front-window";

    explicit KWinScript(QDBusConnection bus = QDBusConnection::sessionBus());
    ~KWinScript() override;

    bool answered() const override { return m_report.has_value(); }
    std::optional<NativeWindow> focused() const override;
    QString problem() const override { return m_problem; }

public slots:
    // Called by the script, with the report parseKWinReport() reads.
    Q_SCRIPTABLE void Report(const QString& report);

private:
    void claimName();
    void loadScript();
    void startScripts();
    void fail(const QString& problem);
    QDBusPendingCallWatcher* callKWin(const QString& method, const QVariantList& arguments);

    QDBusConnection m_bus;
    QString m_scriptPath;
    bool m_loaded = false;
    std::optional<std::optional<NativeWindow>> m_report;
    QString m_problem;
    std::unique_ptr<QTimer> m_silence;
    std::unique_ptr<QDBusServiceWatcher> m_kwin;
};

} // namespace tandrel::linuxdesktop
