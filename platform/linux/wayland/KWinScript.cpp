// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/KWinScript.h"

#include "platform/linux/wayland/KWinWindowReport.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>

namespace tandrel::linuxdesktop {

namespace {

const QString kKWin = QStringLiteral("org.kde.KWin");
const QString kScripting = QStringLiteral("/Scripting");
const QString kScriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
// The script reports at once when it starts; KWin busy at login may take a while to run it.
constexpr auto kFirstReport = std::chrono::seconds(10);
// Unloading at quit is the one call waited on: nothing is left to keep responsive.
constexpr int kUnloadTimeoutMs = 1000;
constexpr uint kNameDoNotQueue = 4;
constexpr uint kNamePrimaryOwner = 1;
constexpr uint kNameAlreadyOwner = 4;

QString service() {
    return QString::fromLatin1(KWinScript::kService);
}

} // namespace

KWinScript::KWinScript(QDBusConnection bus)
    : m_bus(std::move(bus)), m_silence(std::make_unique<QTimer>()) {
    m_silence->setSingleShot(true);
    m_silence->setInterval(kFirstReport);
    connect(m_silence.get(), &QTimer::timeout, this, [this] {
        fail(QStringLiteral("KWin loaded Tandrel's window script (%1) but it never reported: "
                            "look for \"js:\" lines in KWin's log (journalctl --user -b), or "
                            "restart KWin (kwin_wayland --replace) and start Tandrel again")
                 .arg(m_scriptPath));
    });
    if (!m_bus.isConnected()) {
        m_problem = QStringLiteral("Tandrel has no session bus to hear KWin on: start it from "
                                   "within the Plasma session");
        return;
    }
    // KWin restarted (or came late): its scripts are gone, ours is loaded again.
    m_kwin = std::make_unique<QDBusServiceWatcher>(kKWin, m_bus,
                                                   QDBusServiceWatcher::WatchForOwnerChange);
    connect(m_kwin.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                m_loaded = false;
                m_report.reset();
                if (owner.isEmpty()) {
                    fail(QStringLiteral("KWin left the session bus: start Tandrel again once "
                                        "KWin runs"));
                    return;
                }
                m_problem.clear();
                loadScript();
            });
    claimName();
}

KWinScript::~KWinScript() {
    if (m_loaded) {
        m_bus.call(QDBusMessage::createMethodCall(kKWin, kScripting, kScriptingInterface,
                                                  QStringLiteral("unloadScript"))
                       << QString::fromLatin1(kScriptName),
                   QDBus::Block, kUnloadTimeoutMs);
    }
    if (!m_scriptPath.isEmpty())
        QFile::remove(m_scriptPath);
}

std::optional<NativeWindow> KWinScript::focused() const {
    return m_report ? *m_report : std::nullopt;
}

void KWinScript::Report(const QString& report) {
    const KWinReport parsed = parseKWinReport(report);
    if (!parsed.valid)
        return;
    m_silence->stop();
    const bool moved = !m_report || *m_report != parsed.window || !m_problem.isEmpty();
    m_problem.clear();
    m_report = parsed.window;
    if (moved)
        emit changed();
}

void KWinScript::fail(const QString& problem) {
    m_silence->stop();
    m_report.reset();
    m_problem = problem;
    emit changed();
}

QDBusPendingCallWatcher* KWinScript::callKWin(const QString& method,
                                              const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kKWin, kScripting, kScriptingInterface, method);
    message.setArguments(arguments);
    return new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
}

void KWinScript::claimName() {
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << service() << kNameDoNotQueue;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(request), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError() ||
            (reply.value() != kNamePrimaryOwner && reply.value() != kNameAlreadyOwner)) {
            fail(QStringLiteral("another program holds %1 on the session bus (another Tandrel?): "
                                "quit it and start Tandrel again")
                     .arg(service()));
            return;
        }
        if (!m_bus.registerObject(QString::fromLatin1(kPath), QString::fromLatin1(kInterface), this,
                                  QDBusConnection::ExportScriptableSlots)) {
            fail(QStringLiteral("Tandrel could not take %1 on the session bus")
                     .arg(QString::fromLatin1(kPath)));
            return;
        }
        loadScript();
    });
}

void KWinScript::loadScript() {
    // Written at each start rather than installed: it names the bus name and interface of this
    // very build, and a build run from its folder needs nothing installed. Only KWin, which runs
    // as the user, reads it.
    if (m_scriptPath.isEmpty()) {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        QSaveFile file(folder + QStringLiteral("/tandrel-kwin-front-window.js"));
        if (folder.isEmpty() || !file.open(QIODevice::WriteOnly) ||
            file.write(kwinFrontWindowScript(service(), QString::fromLatin1(kPath),
                                             QString::fromLatin1(kInterface),
                                             QStringLiteral("Report"))
                           .toUtf8()) < 0 ||
            !file.commit()) {
            fail(QStringLiteral("Tandrel could not write its KWin script into %1: make "
                                "$XDG_RUNTIME_DIR writable and start Tandrel again")
                     .arg(folder));
            return;
        }
        m_scriptPath = file.fileName();
    }
    // One left loaded by a Tandrel that crashed would keep the name: it goes first, whether or
    // not there is one.
    QDBusPendingCallWatcher* unload =
        callKWin(QStringLiteral("unloadScript"), {QString::fromLatin1(kScriptName)});
    connect(unload, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            fail(QStringLiteral("KWin does not answer on the session bus (%1 %2 %3: %4): start "
                                "Tandrel from within the Plasma session")
                     .arg(kKWin, kScripting, kScriptingInterface, w->error().message()));
            return;
        }
        QDBusPendingCallWatcher* load = callKWin(QStringLiteral("loadScript"),
                                                 {m_scriptPath, QString::fromLatin1(kScriptName)});
        connect(load, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusPendingReply<int> reply = *w;
            if (reply.isError() || reply.value() < 0) {
                fail(QStringLiteral("KWin refused Tandrel's window script (%1)%2: check that KWin "
                                    "can read it and that scripts are not disabled in KWin's "
                                    "settings, then start Tandrel again")
                         .arg(m_scriptPath, reply.isError()
                                                ? QStringLiteral(": ") + reply.error().message()
                                                : QString()));
                return;
            }
            m_loaded = true;
            startScripts();
        });
    });
}

void KWinScript::startScripts() {
    // KWin 5.27 starts every loaded script at once; there is no per-script run.
    QDBusPendingCallWatcher* start = callKWin(QStringLiteral("start"), {});
    connect(start, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            fail(QStringLiteral("KWin did not start Tandrel's window script (%1): start Tandrel "
                                "again")
                     .arg(w->error().message()));
            return;
        }
        if (!m_report)
            m_silence->start();
    });
}

} // namespace tandrel::linuxdesktop
