// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/ShellExtensionState.h"

namespace tandrel::linuxdesktop {

QString shellExtensionProblem(const ShellExtensionFacts& facts) {
    if (facts.serving)
        return {};
    const QString uuid = QLatin1String(kShellExtensionUuid);
    const QString enable = QStringLiteral("run `gnome-extensions enable %1`").arg(uuid);
    const QString extension = QStringLiteral("Tandrel's GNOME Shell extension");
    switch (facts.shell) {
    case ShellExtensionFacts::Shell::Asking:
        return {};
    case ShellExtensionFacts::Shell::Unreachable:
        return QStringLiteral("GNOME Shell does not answer on the session bus: start Tandrel "
                              "again from within the GNOME session");
    case ShellExtensionFacts::Shell::Answered:
        break;
    }
    if (!facts.state) {
        // The running shell read the extension folders when it started, without this one.
        if (!facts.installed)
            return extension +
                   QStringLiteral(" is not installed: it belongs in "
                                  "/usr/share/gnome-shell/extensions/%1 (install the tandrel "
                                  "package again) or ~/.local/share/gnome-shell/extensions/%1")
                       .arg(uuid);
        if (facts.enabledInSettings.value_or(false))
            return extension + QStringLiteral(" is enabled but the running GNOME Shell has not "
                                              "loaded it: log out and in once");
        return extension + QStringLiteral(" is installed but not enabled: ") + enable +
               QStringLiteral(", then log out and in once");
    }
    switch (ShellExtensionState(*facts.state)) {
    case ShellExtensionState::Enabled:
    case ShellExtensionState::Downloading:
        return {}; // its name on the bus follows
    case ShellExtensionState::Disabled:
    case ShellExtensionState::Initialized:
        return extension + QStringLiteral(" is disabled: ") + enable;
    case ShellExtensionState::OutOfDate:
        return extension + QStringLiteral(" does not support this version of GNOME Shell: "
                                          "install the tandrel package made for it");
    case ShellExtensionState::Error:
        break;
    }
    return extension + QStringLiteral(" failed in GNOME Shell") +
           (facts.shellError.isEmpty()
                ? QString()
                : QStringLiteral(" (") + facts.shellError + QStringLiteral(")")) +
           QStringLiteral(": install the tandrel package again, then log out and in once");
}

std::optional<NativeWindow> nativeWindowFromShell(const QVariantMap& description) {
    const auto number = [&](const char* key, bool* ok) {
        const QVariant value = description.value(QLatin1String(key));
        bool converted = false;
        const int n = value.toInt(&converted);
        *ok = *ok && value.isValid() && converted;
        return n;
    };
    bool ok = true;
    const QRect frame(number("frame-x", &ok), number("frame-y", &ok), number("frame-width", &ok),
                      number("frame-height", &ok));
    const QPoint buffer(number("buffer-x", &ok), number("buffer-y", &ok));
    if (!ok || frame.isEmpty())
        return std::nullopt;
    NativeWindow window;
    window.id = description.value(QStringLiteral("id")).toLongLong();
    if (const qint64 pid = description.value(QStringLiteral("pid")).toLongLong(); pid > 0)
        window.pid = pid;
    // The most specific name the shell knows: a sandbox's or GTK's application id, else the
    // window class (browsers and Electron apps name themselves there).
    for (const char* key : {"sandboxed-app-id", "gtk-application-id", "wm-class"}) {
        window.appId = description.value(QLatin1String(key)).toString();
        if (!window.appId.isEmpty())
            break;
    }
    window.content = frame;
    window.bufferOrigin = buffer;
    window.xwayland = description.value(QStringLiteral("x11")).toBool();
    return window;
}

} // namespace tandrel::linuxdesktop
