// SPDX-License-Identifier: MIT

// The real desktop layer on a display managed by a window manager (openbox), as users run it:
// the application in front comes from _NET_ACTIVE_WINDOW, activations from its PropertyNotify on
// the root window, and Chromium's window is reparented into a decorated frame.

#include "app/focus/FocusTracker.h"
#include "platform/linux/LinuxDesktop.h"
#include "testing/Fixtures.h"
#include "testing/X11Windows.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

// What xdotool prints for the arguments, trimmed; empty with a test failure when it fails.
QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "xdotool " << arguments.join(u' ').toStdString()
                      << " did not finish (install xdotool; scripts/setup does): "
                      << process.errorString().toStdString();
        return {};
    }
    if (process.exitCode() != 0) {
        ADD_FAILURE() << "xdotool " << arguments.join(u' ').toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The window that the window manager names active, and that window's process, as xdotool reads
// them independently of the code under test.
struct ActiveWindow {
    QString id;
    qint64 pid = 0;
};

ActiveWindow activeWindowByWindowManager() {
    ActiveWindow active;
    active.id = xdotool({QStringLiteral("getactivewindow")});
    if (!active.id.isEmpty())
        active.pid = xdotool({QStringLiteral("getwindowpid"), active.id}).toLongLong();
    return active;
}

class UnderWindowManager
    : public PrivateDesktopSuite<WindowManager::Openbox, DesktopLayer::InProcess> {
protected:
    static std::optional<a11y::Pid> frontmostPid() {
        const std::optional<RunningApplication> app = desktop_->workspace().frontmostApplication();
        return app ? app->processIdentifier : std::nullopt;
    }
};

TEST_F(UnderWindowManager, ChromiumInFrontIsTheFrontmostApplicationAndItsComposerIsTracked) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.input);

    // The premise: the window manager itself names Chromium's window active.
    ASSERT_TRUE(
        waitUntil([&] { return activeWindowByWindowManager().pid == page.pid; }, kSettleTime))
        << "_NET_ACTIVE_WINDOW does not point at Chromium (pid " << page.pid << ")";

    const std::optional<RunningApplication> app = desktop_->workspace().frontmostApplication();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->processIdentifier, std::optional<a11y::Pid>(a11y::Pid(page.pid)));
    ASSERT_TRUE(identityFor(app->names) && app->localizedName);
    EXPECT_TRUE(identityFor(app->names)->contains(QLatin1String("chromium"), Qt::CaseInsensitive))
        << identityFor(app->names)->toStdString();
    EXPECT_TRUE(app->localizedName->contains(QLatin1String("chromium"), Qt::CaseInsensitive))
        << app->localizedName->toStdString();

    // The window manager's frame moves the page on the screen; the page reports where it is.
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
    std::optional<ChatTarget> target;
    waitUntil([&] { return (target = tracker.current(false)).has_value(); }, kSettleTime);
    ASSERT_TRUE(target) << "no target for the textarea under the window manager";
    EXPECT_EQ(target->pid, page.pid);
    EXPECT_EQ(target->documentURL, QUrl(textareaPage()));
    EXPECT_TRUE(nearlyEqual(target->frame, *page.input))
        << "frame " << describe(target->frame).toStdString() << ", page says "
        << describe(*page.input).toStdString();
}

TEST_F(UnderWindowManager, EveryChangeOfTheActiveWindowNotifiesAndChangesTheFrontmostApplication) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.input);
    ASSERT_TRUE(
        waitUntil([&] { return activeWindowByWindowManager().pid == page.pid; }, kSettleTime));
    const QString chromiumWindow = activeWindowByWindowManager().id;

    int activations = 0;
    const std::unique_ptr<Handle> observation =
        desktop_->workspace().observeApplicationActivation([&activations] { ++activations; });
    // Activates the window and waits for a notification and for the application in front to be
    // the one expected; the failure names what was seen instead.
    auto activate = [&](const QString& window, const QString& identity, a11y::Pid pid) {
        activations = 0;
        xdotool({QStringLiteral("windowactivate"), window});
        const bool switched = waitUntil(
            [&] {
                const auto app = desktop_->workspace().frontmostApplication();
                return activations > 0 && app && app->processIdentifier == pid &&
                       (identity.isEmpty() || identityFor(app->names) == identity);
            },
            kSettleTime);
        const auto app = desktop_->workspace().frontmostApplication();
        EXPECT_TRUE(switched) << "activating window " << window.toStdString() << ": " << activations
                              << " notifications, frontmost "
                              << (app ? identityFor(app->names).value_or(QString()).toStdString()
                                      : std::string("none"))
                              << ", window manager's active window "
                              << activeWindowByWindowManager().id.toStdString();
    };

    // Windows that the accessibility bus knows nothing about: once Chromium's own activation
    // reports are behind us, only the root window's PropertyNotify can report a switch between
    // them.
    PlainWindow first(QStringLiteral("TandrelFirst"));
    PlainWindow second(QStringLiteral("TandrelSecond"));
    ASSERT_TRUE(first.isValid() && second.isValid()) << "cannot open the display for windows";
    const a11y::Pid self = desktop_->workspace().ownProcessIdentifier();
    {
        SCOPED_TRACE("from Chromium to a plain window");
        activate(first.id(), QStringLiteral("TandrelFirst"), self);
    }
    {
        SCOPED_TRACE("between plain windows");
        activate(second.id(), QStringLiteral("TandrelSecond"), self);
        activate(first.id(), QStringLiteral("TandrelFirst"), self);
    }
    {
        // What is known of the window in front is kept between readings: a change of its class
        // must still be seen, without any change of the active window.
        SCOPED_TRACE("a window in front that changes its class");
        first.setWindowClass(QStringLiteral("TandrelRenamed"));
        EXPECT_TRUE(waitUntil(
            [&] {
                const auto app = desktop_->workspace().frontmostApplication();
                return app && identityFor(app->names) == QStringLiteral("TandrelRenamed");
            },
            kSettleTime));
    }
    {
        SCOPED_TRACE("back to Chromium");
        activate(chromiumWindow, QString(), a11y::Pid(page.pid));
    }
}

TEST_F(UnderWindowManager, NoApplicationIsInFrontWhileTheWindowManagerNamesNoActiveWindow) {
    PlainWindow window(QStringLiteral("TandrelAlone"));
    ASSERT_TRUE(window.isValid()) << "cannot open the display for a window";
    xdotool({QStringLiteral("windowactivate"), window.id()});
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto app = desktop_->workspace().frontmostApplication();
            return app && identityFor(app->names) == QStringLiteral("TandrelAlone");
        },
        kSettleTime));

    // Everything minimized, as when the user shows the desktop: the focus rests on one of the
    // window manager's own windows, which is no application's.
    for (int windows = 0; windows < 5; ++windows) {
        const unsigned long active = activeWindowOnRoot();
        if (!active)
            break;
        xdotool({QStringLiteral("windowminimize"), QString::number(active)});
        ASSERT_TRUE(waitUntil([&] { return activeWindowOnRoot() != active; }, kSettleTime))
            << "window " << active << " stayed active after minimizing it";
    }
    ASSERT_EQ(activeWindowOnRoot(), 0UL);
    runEventLoop(0ms); // the workspace answers once per turn of the loop
    const std::optional<RunningApplication> app = desktop_->workspace().frontmostApplication();
    EXPECT_FALSE(app)
        << "frontmost: pid " << (app ? app->processIdentifier.value_or(-1) : -1) << ", "
        << (app ? identityFor(app->names).value_or(QString()) : QString()).toStdString();
}

} // namespace
} // namespace tandrel::e2e
