// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/LinuxDesktop.h"
#include "testing/DesktopSession.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace tandrel::e2e {

// How long the browser may take to expose a page to the accessibility bus, or a window manager to
// switch windows.
inline constexpr std::chrono::milliseconds kSettleTime{10000};

// Lets the event loop run (X and accessibility events arrive through it) for a short while.
inline void runEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until the condition holds or the time runs out; answers the condition's
// last value.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = kSettleTime) {
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        runEventLoop(std::chrono::milliseconds(50));
    }
}

// Everything the pages sent until `quiet` has passed with nothing new, once the first message
// arrived or `timeout` passed without one.
inline std::vector<DesktopSession::SentMessage> collectSent(DesktopSession& session,
                                                            std::chrono::milliseconds timeout,
                                                            std::chrono::milliseconds quiet) {
    std::vector<DesktopSession::SentMessage> sent;
    QString error;
    QDeadlineTimer deadline(timeout);
    waitUntil(
        [&] {
            if (auto more = session.takeSent(&error); more && !more->empty()) {
                sent.insert(sent.end(), more->begin(), more->end());
                deadline.setRemainingTime(quiet);
            }
            return deadline.hasExpired();
        },
        timeout + 10 * quiet);
    return sent;
}

// Whether the cases read the desktop in this process, or only run programs against it. With the
// clipboard, the process also needs a QGuiApplication on the private display: the suite creates
// it once the display is up, so such an executable's main() creates no application object.
enum class DesktopLayer { NotNeeded, InProcess, InProcessWithClipboard };

// A suite of cases on one private desktop. A process keeps one accessibility connection, so all
// cases of a suite share the desktop, started once before the first case.
template <WindowManager windowManager, DesktopLayer layer, int scale = 1, bool tray = false>
class PrivateDesktopSuite : public testing::Test {
protected:
    static void SetUpTestSuite() {
        session_ = std::make_unique<DesktopSession>(DesktopOptions{windowManager, tray, scale});
        if (!session_->start(&startError_)) {
            startError_ = QStringLiteral("the private desktop did not start: ") + startError_;
            session_.reset();
            return;
        }
        if constexpr (layer == DesktopLayer::InProcessWithClipboard) {
            if (!QCoreApplication::instance())
                gui_ = std::make_unique<QGuiApplication>(argc_, argv_);
        }
        if constexpr (layer != DesktopLayer::NotNeeded) {
            desktop_ = LinuxDesktop::create(&startError_);
            if (!desktop_)
                startError_ =
                    QStringLiteral("the real desktop layer did not start: ") + startError_;
        }
    }
    static void TearDownTestSuite() {
        desktop_.reset();
        gui_.reset(); // before its display goes away
        session_.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(session_ && (layer == DesktopLayer::NotNeeded || desktop_))
            << startError_.toStdString();
    }

    // The page with its input focused; on failure an empty page and a test failure.
    static OpenedPage openPage(const QString& url, const QString& windowClass = {}) {
        QString error;
        std::optional<OpenedPage> page = session_->open(url, &error, windowClass);
        if (!page) {
            ADD_FAILURE() << error.toStdString();
            return {};
        }
        return *page;
    }

    static inline std::unique_ptr<DesktopSession> session_;
    static inline std::unique_ptr<LinuxDesktop> desktop_;
    static inline QString startError_;
    static inline int argc_ = 1;
    static inline char name_[] = "e2e";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QGuiApplication> gui_;
};

} // namespace tandrel::e2e
