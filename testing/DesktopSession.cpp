// SPDX-License-Identifier: MIT
#include "testing/DesktopSession.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/prctl.h>

#include <cmath>
#include <csignal>

namespace tandrel::e2e {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartTimeout = 90s; // Xvfb, two buses, the certificate and the server
constexpr auto kOpenTimeout = 90s;  // the script gives Chromium 45 s; this only guards the script
constexpr int kStopTimeoutMs = 15000;

// The variables that lead the desktop layer and child programs to the private desktop.
const char* const kExportedKeys[] = {
    "DISPLAY",         "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
    "WAYLAND_DISPLAY", "SWAYSOCK",        "XDG_CURRENT_DESKTOP"};

std::optional<Rect> rectFrom(const QJsonValue& value) {
    const QJsonArray array = value.toArray();
    if (array.size() != 4)
        return std::nullopt;
    return Rect(array[0].toDouble(), array[1].toDouble(), array[2].toDouble(), array[3].toDouble());
}

} // namespace

std::optional<Rect> OpenedPage::composerSurface() const {
    if (!body)
        return input;
    return rail ? body->united(*rail) : *body;
}

DesktopSession::DesktopSession(WindowManager windowManager)
    : DesktopSession(DesktopOptions{windowManager}) {}

DesktopSession::DesktopSession(const DesktopOptions& options) {
    process_.setProgram(QStringLiteral(TANDREL_PYTHON3));
    QStringList arguments{QStringLiteral(TANDREL_TESTING_DIR "/desktop_session.py"),
                          QStringLiteral("--browser"), QLatin1String(browserName(options.browser))};
    if (options.windowManager == WindowManager::Openbox)
        arguments << QStringLiteral("--window-manager");
    if (options.tray)
        arguments << QStringLiteral("--tray");
    if (options.scale != 1)
        arguments << QStringLiteral("--scale") << QString::number(options.scale);
    if (options.compositor != Compositor::None)
        arguments << QStringLiteral("--compositor")
                  << QLatin1String(compositorName(options.compositor));
    if (options.xwaylandBrowser)
        arguments << QStringLiteral("--xwayland-browser");
    process_.setArguments(arguments);
    // Diagnostics of the script go straight to the test's output; stdout carries the protocol.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // If this test process dies, even by SIGKILL, the script hears it and stops its desktop.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

DesktopSession::~DesktopSession() {
    stop();
}

bool DesktopSession::start(QString* error) {
    process_.start();
    if (!process_.waitForStarted(10000)) {
        *error = QStringLiteral("cannot run %1 (%2): install python3; scripts/setup does")
                     .arg(process_.program(), process_.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeout);
    for (;;) {
        const auto remaining = std::chrono::milliseconds(deadline.remainingTime());
        const std::optional<QString> line = readLine(remaining, error);
        if (!line) {
            *error = QStringLiteral("desktop session did not start: ") + *error;
            return false;
        }
        if (*line == QLatin1String("ready"))
            break;
        if (line->startsWith(QLatin1String("error "))) {
            *error = line->mid(6);
            return false;
        }
        const qsizetype equals = line->indexOf(QLatin1Char('='));
        if (equals > 0)
            values_[line->left(equals)] = line->mid(equals + 1);
    }
    exportEnvironment();
    return true;
}

std::optional<OpenedPage> DesktopSession::open(const QString& url, QString* error,
                                               const QString& windowClass) {
    if (process_.state() != QProcess::Running) {
        *error = QStringLiteral("the desktop session is not running");
        return std::nullopt;
    }
    process_.write((windowClass.isEmpty() ? QStringLiteral("open %1\n").arg(url)
                                          : QStringLiteral("open %1 %2\n").arg(url, windowClass))
                       .toUtf8());
    const QDeadlineTimer deadline(kOpenTimeout);
    for (;;) {
        const auto remaining = std::chrono::milliseconds(deadline.remainingTime());
        const std::optional<QString> line = readLine(remaining, error);
        if (!line) {
            *error = QStringLiteral("opening %1: %2").arg(url, *error);
            return std::nullopt;
        }
        if (line->startsWith(QLatin1String("error "))) {
            *error = line->mid(6);
            return std::nullopt;
        }
        if (!line->startsWith(QLatin1String("opened ")))
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line->mid(7).toUtf8()).object();
        const QJsonObject rects = object.value(QLatin1String("rects")).toObject();
        OpenedPage page;
        page.url = object.value(QLatin1String("url")).toString();
        page.pid = object.value(QLatin1String("pid")).toInteger();
        page.input = rectFrom(rects.value(QLatin1String("input")));
        page.body = rectFrom(rects.value(QLatin1String("body")));
        page.rail = rectFrom(rects.value(QLatin1String("rail")));
        if (!page.input || page.pid <= 0) {
            *error = QStringLiteral("malformed answer from the desktop session: ") + *line;
            return std::nullopt;
        }
        return page;
    }
}

std::optional<std::vector<DesktopSession::SentMessage>> DesktopSession::takeSent(QString* error) {
    if (process_.state() != QProcess::Running) {
        *error = QStringLiteral("the desktop session is not running");
        return std::nullopt;
    }
    process_.write("sent\n");
    for (;;) {
        const std::optional<QString> line = readLine(10s, error);
        if (!line)
            return std::nullopt;
        if (!line->startsWith(QLatin1String("sent ")))
            continue;
        std::vector<SentMessage> messages;
        for (const QJsonValue& entry : QJsonDocument::fromJson(line->mid(5).toUtf8()).array()) {
            const QJsonObject object = entry.toObject();
            messages.push_back({object.value(QLatin1String("url")).toString(),
                                object.value(QLatin1String("text")).toString(),
                                qint64(object.value(QLatin1String("at")).toDouble())});
        }
        return messages;
    }
}

std::optional<QString> DesktopSession::ask(const QString& command, const QString& answer,
                                           QString* error) {
    if (process_.state() != QProcess::Running) {
        *error = QStringLiteral("the desktop session is not running");
        return std::nullopt;
    }
    process_.write(command.toUtf8() + '\n');
    for (;;) {
        const std::optional<QString> line = readLine(60s, error);
        if (!line)
            return std::nullopt;
        if (line->startsWith(QLatin1String("error "))) {
            *error = line->mid(6);
            return std::nullopt;
        }
        if (*line == answer || line->startsWith(answer + QLatin1Char(' ')))
            return line->mid(answer.size()).trimmed();
    }
}

std::optional<qint64> DesktopSession::focusedProcess(QString* error) {
    const auto pid = ask(QStringLiteral("focused"), QStringLiteral("focused"), error);
    if (!pid)
        return std::nullopt;
    return pid->toLongLong();
}

bool DesktopSession::copy(const QString& type, const QByteArray& data, QString* error) {
    return ask(QStringLiteral("copy %1 %2").arg(type, QString::fromLatin1(data.toBase64())),
               QStringLiteral("copied"), error)
        .has_value();
}

std::optional<std::optional<QByteArray>> DesktopSession::paste(const QString& type,
                                                               QString* error) {
    const auto data = ask(QStringLiteral("paste ") + type, QStringLiteral("pasted"), error);
    if (!data)
        return std::nullopt;
    if (*data == QLatin1String("-"))
        return std::optional<QByteArray>();
    return std::optional<QByteArray>(QByteArray::fromBase64(data->toLatin1()));
}

bool DesktopSession::trust(const QString& program, QString* error) {
    return ask(QStringLiteral("trust ") + program, QStringLiteral("trusted"), error).has_value();
}

bool DesktopSession::key(const QString& keysym, QString* error) {
    return ask(QStringLiteral("key ") + keysym, QStringLiteral("typed"), error).has_value();
}

bool DesktopSession::click(int x, int y, QString* error) {
    return ask(QStringLiteral("click %1 %2").arg(x).arg(y), QStringLiteral("clicked"), error)
        .has_value();
}

bool DesktopSession::setAccessibility(bool enabled, QString* error) {
    return accessibility(enabled ? QStringLiteral("on") : QStringLiteral("off"), error);
}

bool DesktopSession::restartAccessibilityBus(QString* error) {
    return accessibility(QStringLiteral("restart"), error);
}

bool DesktopSession::accessibility(const QString& command, QString* error) {
    if (process_.state() != QProcess::Running) {
        *error = QStringLiteral("the desktop session is not running");
        return false;
    }
    process_.write(QStringLiteral("accessibility %1\n").arg(command).toUtf8());
    for (;;) {
        const std::optional<QString> line = readLine(30s, error);
        if (!line)
            return false;
        if (line->startsWith(QLatin1String("error "))) {
            *error = line->mid(6);
            return false;
        }
        if (*line == QLatin1String("accessibility ") + command)
            return true;
    }
}

void DesktopSession::stop() {
    restoreEnvironment();
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (process_.waitForFinished(kStopTimeoutMs))
        return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

QString DesktopSession::value(const QString& key) const {
    const auto found = values_.find(key);
    return found == values_.end() ? QString() : found->second;
}

std::optional<QString> DesktopSession::readLine(std::chrono::milliseconds timeout, QString* error) {
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        pending_ += process_.readAllStandardOutput();
        const qsizetype newline = pending_.indexOf('\n');
        if (newline >= 0) {
            const QByteArray line = pending_.left(newline);
            pending_.remove(0, newline + 1);
            return QString::fromUtf8(line).trimmed();
        }
        if (process_.state() == QProcess::NotRunning) {
            *error = QStringLiteral("the session script ended (exit status %1)")
                         .arg(process_.exitCode());
            return std::nullopt;
        }
        if (deadline.hasExpired()) {
            *error = QStringLiteral("no answer within %1 s").arg(timeout.count() / 1000);
            return std::nullopt;
        }
        process_.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 1000)));
    }
}

void DesktopSession::exportEnvironment() {
    for (const char* key : kExportedKeys) {
        const QString value = this->value(QLatin1String(key));
        if (value.isEmpty())
            continue;
        std::optional<QByteArray> previous;
        if (qEnvironmentVariableIsSet(key))
            previous = qgetenv(key);
        savedEnvironment_.emplace_back(key, previous);
        qputenv(key, value.toUtf8());
    }
}

void DesktopSession::restoreEnvironment() {
    for (const auto& [key, previous] : savedEnvironment_) {
        if (previous)
            qputenv(key.constData(), *previous);
        else
            qunsetenv(key.constData());
    }
    savedEnvironment_.clear();
}

const char* compositorName(Compositor compositor) {
    switch (compositor) {
    case Compositor::None:
        return "none";
    case Compositor::Sway:
        return "sway";
    case Compositor::KWin:
        return "kwin";
    case Compositor::GnomeShell:
        return "gnome";
    }
    return "none";
}

bool nearlyEqual(const Rect& a, const Rect& b, double tolerance) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance &&
           std::abs(a.x() + a.width() - b.x() - b.width()) <= tolerance &&
           std::abs(a.y() + a.height() - b.y() - b.height()) <= tolerance;
}

QString describe(const Rect& rect) {
    return QStringLiteral("[%1, %2, %3, %4]")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

} // namespace tandrel::e2e
