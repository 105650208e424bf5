#include "platform/linux/QtClock.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

// Zero delays only: the event loop runs the due timers at once, so nothing here waits on time.
class QtClockHandles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "tandrel-platform-tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
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
        if (++ticks == 1)
            repeating.reset();
    });
    while (repeating)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    runDueWork();
    EXPECT_EQ(ticks, 1);
}

TEST_F(QtClockHandles, UptimeNeverGoesBack) {
    const double first = clock.uptime();
    EXPECT_GE(clock.uptime(), first);
    EXPECT_GT(first, 0);
}

} // namespace
} // namespace tandrel::linuxdesktop
