// SPDX-License-Identifier: MIT
#include "platform/linux/QtClock.h"
#include "tests/support/CoreApplication.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

// Zero delays only: the event loop runs the due timers at once, so nothing here waits on time.
class QtClockHandles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureCoreApplication(); }
    // Runs the event loop until `done` holds, for at most five seconds: a timer that never
    // fires fails the test instead of hanging the run.
    template <class Done> static bool runUntil(Done done) {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return done();
    }
    static void runDueWork() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QtClock clock;
};

TEST_F(QtClockHandles, WorkRunsOnceAndNotAtAllWhenItsHandleIsGoneFirst) {
    int ran = 0;
    auto handle = clock.runAfter(0, [&] { ++ran; });
    runDueWork();
    runDueWork();
    EXPECT_EQ(ran, 1);

    int cancelled = 0;
    auto cancelledHandle = clock.runAfter(0, [&] { ++cancelled; });
    cancelledHandle.reset();
    runDueWork();
    EXPECT_EQ(cancelled, 0);
}

TEST_F(QtClockHandles, WorkMayDestroyItsOwnHandle) {
    // The refresh of the focus observation drops its own handle while it runs.
    std::unique_ptr<Handle> handle;
    int ran = 0;
    handle = clock.runAfter(0, [&] {
        ++ran;
        handle.reset();
    });
    runDueWork();
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(handle);

    std::unique_ptr<Handle> repeating;
    int ticks = 0;
    repeating = clock.repeat(0.001, 0.0005, [&] {
        if (++ticks == 3)
            repeating.reset();
    });
    ASSERT_TRUE(runUntil([&] { return !repeating; })) << "ticked " << ticks << " times";
    // A few more intervals pass without a tick once the handle is gone.
    const QDeadlineTimer quiet(20);
    while (!quiet.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    runDueWork();
    EXPECT_EQ(ticks, 3);
}

TEST_F(QtClockHandles, UptimeAdvancesWithTheMonotonicClock) {
    // Watched against Qt's own monotonic timer over a few milliseconds of busy waiting, so a
    // clock that stands still or runs at the wrong rate fails.
    QElapsedTimer outer;
    outer.start();
    const double first = clock.uptime();
    QElapsedTimer inner;
    inner.start();
    while (inner.nsecsElapsed() < 5'000'000) {
    }
    const double innerSeconds = double(inner.nsecsElapsed()) / 1e9;
    const double second = clock.uptime();
    const double outerSeconds = double(outer.nsecsElapsed()) / 1e9;
    EXPECT_GE(second - first, innerSeconds - 0.0005);
    EXPECT_LE(second - first, outerSeconds + 0.0005);
    EXPECT_GT(first, 0);
}

} // namespace
} // namespace tandrel::linuxdesktop
