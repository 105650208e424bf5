// SPDX-License-Identifier: MIT

// The tandrel program, run as a user would, on the private desktop with Chromium on the fixture
// pages: where the palette appears, that it never takes the keyboard focus, dismissing, desktop
// chat apps, a second launch, a browser that ends, and a prompts file that cannot be read.

#include "testing/Fixtures.h"
#include "testing/TandrelProgram.h"
#include "tests/e2e/PrivateDesktopSuite.h"
#include "tests/e2e/ProgramChecks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <csignal>
#include <cstdio>

#include <unistd.h>

#include <gtest/gtest.h>

namespace tandrel::e2e {
namespace {

class Program : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded> {};

// The fields of /proc/<pid>/stat after the command name, which may itself hold spaces; empty once
// the process is gone.
QStringList statFields(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString stat = QString::fromLatin1(file.readAll());
    return stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
}

// The CPU time the process has used so far (user and system), in seconds.
double cpuSeconds(qint64 pid) {
    const QStringList fields = statFields(pid);
    static const double ticks = double(::sysconf(_SC_CLK_TCK));
    return fields.size() > 12 ? (fields[11].toDouble() + fields[12].toDouble()) / ticks : -1;
}

// Whether any process of the group still runs (a zombie waiting for its parent does not).
bool groupRuns(qint64 group) {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        const QStringList fields = number ? statFields(pid) : QStringList{};
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != QLatin1String("Z"))
            return true;
    }
    return false;
}

// The CPU time tandrel uses over a few seconds with no browser left: at rest it wakes only for its
// timers, a few hundredths of a second per second at most.
constexpr std::chrono::milliseconds kRestWindow{5000};
constexpr double kRestCpuSeconds = 0.3;
double cpuSecondsAtRest(const TandrelProgram& tandrel) {
    const double before = cpuSeconds(tandrel.pid());
    runEventLoop(kRestWindow);
    return cpuSeconds(tandrel.pid()) - before;
}

TEST_F(Program, PaletteAppearsAboveTheComposerWithoutTakingTheFocus) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.composerSurface());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);

    const WindowOnScreen palette = *tandrel.palette();
    EXPECT_TRUE(placedAbove(palette, *page.composerSurface()));
    EXPECT_TRUE(palette.overrideRedirect) << "no window manager may place or focus the palette";
    EXPECT_EQ(inputFocusProcess(), page.pid) << "the palette took the keyboard focus";

    // Another page without a composer hides it; the composer again shows it within a tick.
    openPage(searchPage());
    EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "the palette stayed above a search field";
    const OpenedPage again = openPage(textareaPage());
    EXPECT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowTime))
        << "the palette did not come back within " << kShowTime.count() << " ms";
    if (const auto shown = tandrel.palette()) {
        EXPECT_TRUE(placedAbove(*shown, *again.composerSurface()));
    }
    EXPECT_EQ(inputFocusProcess(), again.pid);
}

TEST_F(Program, DismissHidesThePaletteForThatInputOnly) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);
    const WindowOnScreen palette = *tandrel.palette();

    // The dismiss button is the rightmost control, 22 pixels in from the right and the bottom.
    ASSERT_TRUE(clickAt(palette.x + palette.width - 22, palette.y + palette.height - 22));
    EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "the dismiss button did not hide the palette";
    // Stays hidden over the next ticks while the focus stays in that input.
    runEventLoop(std::chrono::milliseconds(2500));
    EXPECT_FALSE(tandrel.palette()) << "the palette came back for the dismissed input";
    EXPECT_EQ(inputFocusProcess(), page.pid) << "clicking the palette took the keyboard focus";

    // Another composer is another input: the palette shows there.
    openPage(contenteditablePage());
    EXPECT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }))
        << "the dismissal was not forgotten for another input";
}

// A desktop chat app is known by its window's class, wherever its page comes from: the same page on
// a host that is no web chat gets no palette in a browser's window, and gets one in the app's.
TEST_F(Program, DesktopChatAppGetsThePaletteAboveItsInput) {
    const OpenedPage inBrowser = openPage(otherHostPage());
    TandrelProgram tandrel;
    ASSERT_TRUE(tandrel.writeDefaultPrompts());
    ASSERT_TRUE(tandrel.start());
    EXPECT_FALSE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowTime))
        << "a palette above " << inBrowser.url.toStdString() << " in a browser";

    for (const QString& windowClass : {QStringLiteral("Claude"), QStringLiteral("ChatGPT")}) {
        SCOPED_TRACE(windowClass.toStdString());
        const OpenedPage app = openPage(otherHostPage(), windowClass);
        ASSERT_TRUE(app.composerSurface());
        ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }))
            << "no palette in the " << windowClass.toStdString() << " window; tandrel said:\n"
            << tandrel.output().toStdString();
        EXPECT_TRUE(placedAbove(*tandrel.palette(), *app.composerSurface()));
        EXPECT_EQ(inputFocusProcess(), app.pid);
    }
}

TEST_F(Program, SecondLaunchReachesTheRunningOneAndOpensTheEditor) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);
    ASSERT_FALSE(tandrel.editor());

    const TandrelProgram::Run second = tandrel.runAgain();
    ASSERT_TRUE(second.finished) << "the second launch did not end";
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    EXPECT_TRUE(waitUntil([&] { return tandrel.editor().has_value(); }))
        << "the running tandrel did not open its editor";
    EXPECT_TRUE(tandrel.isRunning());

    // Stopped, the running one cannot answer: a launch meanwhile says so and starts nothing, and
    // once it runs again it is still the one a launch reaches.
    ASSERT_EQ(::kill(pid_t(tandrel.pid()), SIGSTOP), 0);
    const TandrelProgram::Run frozen = tandrel.runAgain();
    ::kill(pid_t(tandrel.pid()), SIGCONT);
    ASSERT_TRUE(frozen.finished) << "the launch beside a stopped tandrel did not end";
    EXPECT_NE(frozen.exitCode, 0);
    EXPECT_TRUE(frozen.output.contains("already running but does not answer"))
        << frozen.output.toStdString();
    const TandrelProgram::Run third = tandrel.runAgain();
    ASSERT_TRUE(third.finished);
    EXPECT_EQ(third.exitCode, 0) << third.output.toStdString();
    EXPECT_TRUE(tandrel.isRunning());
}

// An application that ends takes its accessible objects with it, each announced as gone; tandrel
// must let them go once, however the browser ends, and show its palette for the next one.
TEST_F(Program, BrowserThatEndsLeavesTandrelAtRestAndTheNextOneGetsThePalette) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);
    const double idle = cpuSecondsAtRest(tandrel);

    // Killed: the browser's process group is its own, so the renderers go with it.
    ASSERT_EQ(::killpg(pid_t(page.pid), SIGKILL), 0);
    ASSERT_TRUE(waitUntil([&] { return !groupRuns(page.pid); })) << "the browser did not end";
    EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "the palette stayed after the browser was killed";
    const double afterKill = cpuSecondsAtRest(tandrel);
    EXPECT_LT(afterKill, kRestCpuSeconds) << "tandrel kept busy after the browser was killed";

    const OpenedPage second = openPage(textareaPage());
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }))
        << "no palette above the next browser; tandrel said:\n"
        << tandrel.output().toStdString();
    EXPECT_TRUE(placedAbove(*tandrel.palette(), *second.composerSurface()));

    // Closed as a user closes it (SIGTERM to the group, as the desktop's session does).
    ASSERT_EQ(::killpg(pid_t(second.pid), SIGTERM), 0);
    ASSERT_TRUE(waitUntil([&] { return !groupRuns(second.pid); })) << "the browser did not close";
    const double afterClose = cpuSecondsAtRest(tandrel);
    EXPECT_LT(afterClose, kRestCpuSeconds) << "tandrel kept busy after the browser was closed";
    std::printf("tandrel's CPU seconds in %.0f s: %.3f with the palette up, %.3f after the browser "
                "was killed, %.3f after it was closed\n",
                kRestWindow.count() / 1000.0, idle, afterKill, afterClose);

    const OpenedPage third = openPage(textareaPage());
    EXPECT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }))
        << "no palette above the browser opened after a close";
    EXPECT_TRUE(tandrel.isRunning());
}

TEST_F(Program, UnreadablePromptsFileIsReportedAndLeftAlone) {
    openPage(textareaPage());
    TandrelProgram tandrel;
    ASSERT_TRUE(tandrel.writeDefaultPrompts());
    const QByteArray corrupt = QByteArrayLiteral("{\"prompts\": [ {\"title\": \"Half");
    {
        QFile file(tandrel.promptsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(corrupt);
    }
    ASSERT_TRUE(tandrel.start());

    // The alert is the only window; it names the problem and the file.
    ASSERT_TRUE(waitUntil([&] { return !tandrel.windows().empty(); }))
        << "no alert appeared; tandrel said:\n"
        << tandrel.output().toStdString();
    const QString said = tandrel.output();
    EXPECT_TRUE(said.contains(QLatin1String("Could not load your prompts"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String("Your file was left unchanged at ") +
                              tandrel.promptsPath() + QLatin1Char('.')))
        << said.toStdString();
    EXPECT_FALSE(tandrel.palette());

    // Closing the alert ends the program with a failure status, the file untouched.
    ASSERT_TRUE(pressKey(tandrel.windows().front().id, QStringLiteral("Return")));
    ASSERT_TRUE(tandrel.waitForExit(10000)) << "tandrel kept running after the alert";
    EXPECT_NE(tandrel.exitCode(), 0);
    QFile file(tandrel.promptsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), corrupt);
}

// The accessibility bus is restarted under a running tandrel, as after a crash of a desktop
// component: tandrel finds the new bus by itself and serves the browsers that join it.
TEST_F(Program, PaletteComesBackAfterTheAccessibilityBusRestarts) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);

    QString error;
    ASSERT_TRUE(session_->restartAccessibilityBus(&error)) << error.toStdString();
    const OpenedPage again = openPage(textareaPage());
    EXPECT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, 10 * kShowTime))
        << "no palette on the new bus; tandrel said:\n"
        << tandrel.output().toStdString();
    if (const auto shown = tandrel.palette()) {
        EXPECT_TRUE(placedAbove(*shown, *again.composerSurface()));
    }
    EXPECT_TRUE(tandrel.output().contains(QLatin1String("starting again on the new one")))
        << tandrel.output().toStdString();
}

} // namespace
} // namespace tandrel::e2e
