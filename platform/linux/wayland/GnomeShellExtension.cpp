// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/GnomeShellExtension.h"
#include "platform/linux/wayland/GnomeShellSettings.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QStandardPaths>

namespace tandrel::linuxdesktop {

namespace {

const QString kService = QLatin1String(kShellExtensionService);
const QString kPath = QLatin1String(kShellExtensionPath);
const QString kInterface = QLatin1String(kShellExtensionInterface);
const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kShellPath = QStringLiteral("/org/gnome/Shell");
const QString kShellExtensions = QStringLiteral("org.gnome.Shell.Extensions");

QVariantMap dictionaryIn(const QVariant& argument) {
    if (argument.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(argument.value<QDBusArgument>());
    return argument.toMap();
}

bool installed() {
    return !QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                   QStringLiteral("gnome-shell/extensions/") +
                                       QLatin1String(kShellExtensionUuid),
                                   QStandardPaths::LocateDirectory)
                .isEmpty();
}

} // namespace

GnomeShellExtension::GnomeShellExtension(QDBusConnection bus) : m_bus(std::move(bus)) {
    m_watcher = std::make_unique<QDBusServiceWatcher>(kService, m_bus,
                                                      QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_watcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (owner.isEmpty())
                    take(std::nullopt, false);
                askWindow();
            });
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("FocusedWindowChanged"), this,
                  SLOT(onWindowChanged(QDBusMessage)));
    m_bus.connect(kShell, kShellPath, kShellExtensions, QStringLiteral("ExtensionStateChanged"),
                  this, SLOT(onShellExtensionChanged(QDBusMessage)));
    askWindow();
}

GnomeShellExtension::~GnomeShellExtension() = default;

void GnomeShellExtension::askWindow() {
    const QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                             QStringLiteral("FocusedWindow"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (reply.isError()) {
            take(std::nullopt, false);
            askShell();
            return;
        }
        take(nativeWindowFromShell(reply.value()), true);
    });
}

void GnomeShellExtension::askShell() {
    QDBusMessage call = QDBusMessage::createMethodCall(kShell, kShellPath, kShellExtensions,
                                                       QStringLiteral("GetExtensionInfo"));
    call << QLatin1String(kShellExtensionUuid);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        ShellExtensionFacts facts = m_facts;
        facts.state.reset();
        facts.shellError.clear();
        if (reply.isError()) {
            facts.shell = ShellExtensionFacts::Shell::Unreachable;
        } else {
            facts.shell = ShellExtensionFacts::Shell::Answered;
            const QVariantMap info = reply.value();
            if (info.contains(QStringLiteral("state")))
                facts.state = int(info.value(QStringLiteral("state")).toDouble());
            facts.shellError = info.value(QStringLiteral("error")).toString();
        }
        const bool moved = facts.shell != m_facts.shell || facts.state != m_facts.state ||
                           facts.shellError != m_facts.shellError;
        m_facts = facts;
        if (moved)
            emit changed();
    });
}

void GnomeShellExtension::take(const std::optional<NativeWindow>& window, bool serving) {
    if (window == m_focused && serving == m_facts.serving)
        return;
    m_focused = window;
    m_facts.serving = serving;
    emit changed();
}

void GnomeShellExtension::onWindowChanged(const QDBusMessage& message) {
    if (message.arguments().isEmpty())
        return;
    take(nativeWindowFromShell(dictionaryIn(message.arguments().constFirst())), true);
}

void GnomeShellExtension::onShellExtensionChanged(const QDBusMessage& message) {
    if (!message.arguments().isEmpty() &&
        message.arguments().constFirst().toString() == QLatin1String(kShellExtensionUuid) &&
        !m_facts.serving)
        askShell();
}

QString GnomeShellExtension::problem() const {
    ShellExtensionFacts facts = m_facts;
    if (!facts.serving && facts.shell == ShellExtensionFacts::Shell::Answered && !facts.state) {
        // The folders and the settings change only by the user's hand, and this is asked several
        // times per tick: looked at again once a second at most.
        if (!m_localFactsRead.isValid() || m_localFactsRead.hasExpired(1000)) {
            m_installed = installed();
            m_enabledInSettings = shellExtensionEnabledInSettings(kShellExtensionUuid);
            m_localFactsRead.start();
        }
        facts.installed = m_installed;
        facts.enabledInSettings = m_enabledInSettings;
    }
    return shellExtensionProblem(facts);
}

bool GnomeShellExtension::press(const QString& method) {
    if (!m_facts.serving)
        return false;
    // Calls to one peer arrive in order: Return never overtakes the paste.
    m_bus.asyncCall(QDBusMessage::createMethodCall(kService, kPath, kInterface, method));
    return true;
}

QString GnomeShellKeys::problem() const {
    return m_extension.answered() ? QString() : m_extension.problem();
}

bool GnomeShellKeys::paste() {
    return m_extension.press(QStringLiteral("Paste"));
}

bool GnomeShellKeys::submit() {
    return m_extension.press(QStringLiteral("Submit"));
}

} // namespace tandrel::linuxdesktop
