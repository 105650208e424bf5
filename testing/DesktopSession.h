// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"
#include "testing/Browser.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <chrono>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel::e2e {

// A fixture page that the browser shows with its input focused, and where the page itself says its
// parts are on the screen (screen pixels, top-left origin, as accessibility coordinates).
struct OpenedPage {
    QString url;
    qint64 pid = 0; // the browser's main process, which owns its window
    std::optional<Rect> input;
    std::optional<Rect> body; // the composer body, when the page has one
    std::optional<Rect> rail; // the side panel beside the body, when the page has one

    // The rectangle that covers the composer body and its rail, or the input alone without a body.
    std::optional<Rect> composerSurface() const;
};

// Whether a window manager runs on the private display. Without one, the input focus says which
// application is in front; with openbox, _NET_ACTIVE_WINDOW does, as on a user's desktop.
enum class WindowManager { None, Openbox };

// Where the browser runs: on the X display itself, or as a native Wayland client of a compositor
// nested in it (the compositor, the buses and the browser then run as the session's own user; see
// SESSION_UID).
enum class Compositor { None, Sway, KWin, GnomeShell };
const char* compositorName(Compositor compositor);

// What else the private desktop runs and how it draws.
struct DesktopOptions {
    WindowManager windowManager = WindowManager::None;
    // An XEmbed system tray (trayer) at the top right, as a panel would hold.
    bool tray = false;
    // Device pixels per point for the browser; programs started from the test set their own.
    int scale = 1;
    Browser browser = browserUnderTest();
    Compositor compositor = Compositor::None;
    // With a compositor: the browser as an X11 client of its XWayland rather than a native one.
    bool xwaylandBrowser = false;
};

// Runs testing/desktop_session.py as a child: a private X display, D-Bus session, accessibility
// bus, HTTPS fixture server and a browser (Chromium or Firefox). Once started, this process's
// environment points at that desktop (DISPLAY, DBUS_SESSION_BUS_ADDRESS, AT_SPI_BUS_ADDRESS,
// XDG_RUNTIME_DIR), so the real desktop layer and any program started from here use it. Everything
// stops with stop(), with the destructor, and with this process, however it ends.
class DesktopSession {
public:
    explicit DesktopSession(WindowManager windowManager = WindowManager::None);
    explicit DesktopSession(const DesktopOptions& options);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // False with a message naming what is missing or what failed.
    bool start(QString* error);
    // (Re)starts the browser on the page and waits until the page has focused its input. With a
    // window class, the browser's window carries it, as a desktop chat app's window would.
    std::optional<OpenedPage> open(const QString& url, QString* error,
                                   const QString& windowClass = {});
    void stop();

    // One message a page sent on Return: its text and the page's clock then (ms since the epoch).
    struct SentMessage {
        QString url;
        QString text;
        qint64 at = 0;
    };
    // The messages the pages sent since the last call, oldest first; absent with *error set when
    // the session does not answer.
    std::optional<std::vector<SentMessage>> takeSent(QString* error);

    // Lets the program at this path type into native windows as the compositor allows it (on
    // KWin, a desktop entry naming it); false with *error set when the session did not confirm.
    bool trust(const QString& program, QString* error);

    // Turns the desktop's accessibility switch (org.a11y.Status IsEnabled) on or off; false with
    // *error set when the session did not confirm it.
    bool setAccessibility(bool enabled, QString* error);
    // Kills the accessibility bus with its launcher and registry, as a crash would, and starts a
    // new one; browsers opened from now on join the new bus.
    bool restartAccessibilityBus(QString* error);

    // A value the session reported, e.g. "DISPLAY" or "FIXTURE_PORT"; empty when unknown.
    QString value(const QString& key) const;

    // Inside a compositor, what a user does and sees there. Each is absent (or false) with
    // *error set when the session could not do it.
    // The process whose window has the compositor's keyboard focus; 0 for none.
    std::optional<qint64> focusedProcess(QString* error);
    // The user's clipboard: the bytes, of the MIME type, held by a native program of the session
    // until the next copy.
    bool copy(const QString& type, const QByteArray& data, QString* error);
    // The clipboard's content of the type as a native program reads it; an empty optional inside
    // when the clipboard has none.
    std::optional<std::optional<QByteArray>> paste(const QString& type, QString* error);
    // A click as from the mouse, at X screen coordinates.
    bool click(int x, int y, QString* error);
    // A key typed on the real keyboard (an X keysym such as "a").
    bool key(const QString& keysym, QString* error);

private:
    bool accessibility(const QString& command, QString* error);
    // Sends the command and waits for the line that starts with the answer's first word.
    std::optional<QString> ask(const QString& command, const QString& answer, QString* error);
    std::optional<QString> readLine(std::chrono::milliseconds timeout, QString* error);
    void exportEnvironment();
    void restoreEnvironment();

    QProcess process_;
    QByteArray pending_;
    std::map<QString, QString> values_;
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> savedEnvironment_;
};

// True when the two rectangles agree to within `tolerance` points on every edge.
bool nearlyEqual(const Rect& a, const Rect& b, double tolerance = 2.0);
QString describe(const Rect& rect);

} // namespace tandrel::e2e
