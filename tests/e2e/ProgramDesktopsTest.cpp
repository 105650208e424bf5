// SPDX-License-Identifier: MIT

// The tandrel program on other kinds of desktops: a high-density screen (two pixels per point), a
// window manager (openbox), and a panel with a system tray.

#include "testing/Fixtures.h"
#include "testing/TandrelProgram.h"
#include "tests/e2e/PrivateDesktopSuite.h"
#include "tests/e2e/ProgramChecks.h"

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Runs the event loop for a while or until the condition holds, and counts the looks at the X
// input focus that found it outside the process.
struct FocusWatch {
    long long pid;
    int strayed = 0;
    bool holds() {
        if (inputFocusProcess() != pid)
            ++strayed;
        return strayed == 0;
    }
    bool waitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = kSettleTime) {
        return e2e::waitUntil(
            [&] {
                holds();
                return condition();
            },
            timeout);
    }
};

// Chromium draws at two pixels per point, and so does tandrel (QT_SCALE_FACTOR): the accessibility
// extents come in pixels and Qt places windows in points, so this is where a missing or doubled
// conversion shows.
class ProgramAtScale2
    : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded, 2> {};

TEST_F(ProgramAtScale2, PaletteLandsTenPointsAboveTheComposer) {
    for (const QString& url : {textareaPage(), contenteditablePage()}) {
        SCOPED_TRACE(url.toStdString());
        const OpenedPage page = openPage(url);
        ASSERT_TRUE(page.composerSurface());
        TandrelProgram tandrel;
        tandrel.setEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        startWithPalette(tandrel, page);
        if (HasFatalFailure())
            return;
        // Let a second tick pass: a later placement must not move it elsewhere.
        runEventLoop(1200ms);
        const auto palette = tandrel.palette();
        ASSERT_TRUE(palette);
        EXPECT_TRUE(placedAbove(*palette, *page.composerSurface(), 2));
        EXPECT_EQ(inputFocusProcess(), page.pid);
    }
}

// Under a window manager the palette must still be placed by tandrel alone, and the keyboard focus
// never leaves Chromium: not when the palette appears, not when one of its buttons is clicked.
class ProgramUnderWindowManager
    : public PrivateDesktopSuite<WindowManager::Openbox, DesktopLayer::NotNeeded> {};

TEST_F(ProgramUnderWindowManager, PaletteShowsAboveTheComposerAndTheFocusStaysInChromium) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.composerSurface());
    FocusWatch focus{page.pid};
    ASSERT_TRUE(waitUntil([&] { return inputFocusProcess() == page.pid; }))
        << "the window manager never gave Chromium the focus";

    TandrelProgram tandrel;
    ASSERT_TRUE(tandrel.writeDefaultPrompts());
    ASSERT_TRUE(tandrel.start());
    ASSERT_TRUE(focus.waitUntil([&] { return tandrel.palette().has_value(); }))
        << "no palette; tandrel said:\n"
        << tandrel.output().toStdString();
    focus.waitUntil([] { return false; }, 2500ms); // over two ticks of the visibility loop
    const WindowOnScreen palette = *tandrel.palette();
    EXPECT_TRUE(placedAbove(palette, *page.composerSurface()));
    EXPECT_TRUE(palette.overrideRedirect);

    // The dismiss button is the rightmost control, 22 pixels in from the right and the bottom.
    ASSERT_TRUE(
        xdotool({QStringLiteral("mousemove"), QString::number(palette.x + palette.width - 22),
                 QString::number(palette.y + palette.height - 22), QStringLiteral("click"),
                 QStringLiteral("1")}));
    EXPECT_TRUE(focus.waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "the dismiss button did not hide the palette";
    focus.waitUntil([] { return false; }, 1500ms);
    EXPECT_EQ(focus.strayed, 0) << "the X input focus left Chromium " << focus.strayed << " times";
}

// With a tray on the panel, tandrel docks its icon there, and the icon's menu pauses and resumes
// the palette.
class ProgramWithTray
    : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded, 1, true> {
protected:
    // Opens the icon's menu with a click and picks the item that is `downs` steps down from the
    // top with the keyboard, as a user without a mouse would.
    static bool chooseFromMenu(TandrelProgram& tandrel, const WindowOnScreen& icon, int downs) {
        const auto menuOpen = [&] {
            for (const WindowOnScreen& w : tandrel.windows())
                if (w.height > 140 && w.width < 700)
                    return true;
            return false;
        };
        if (!xdotool({QStringLiteral("mousemove"), QString::number(icon.x + icon.width / 2),
                      QString::number(icon.y + icon.height / 2), QStringLiteral("click"),
                      QStringLiteral("1")}) ||
            !waitUntil(menuOpen)) {
            ADD_FAILURE() << "clicking the tray icon opened no menu";
            return false;
        }
        QStringList keys{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")};
        for (int i = 0; i < downs; ++i)
            keys << QStringLiteral("Down");
        keys << QStringLiteral("Return");
        return xdotool(keys) && waitUntil([&] { return !menuOpen(); });
    }
};

TEST_F(ProgramWithTray, TrayIconIsDockedAndItsMenuPausesAndResumes) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    startWithPalette(tandrel, page);
    if (HasFatalFailure())
        return;

    std::vector<WindowOnScreen> icons;
    ASSERT_TRUE(waitUntil([&] { return !(icons = embeddedWindowsOf(tandrel.pid())).empty(); }))
        << "no tandrel window was docked in the tray; tandrel said:\n"
        << tandrel.output().toStdString();
    EXPECT_FALSE(tandrel.output().contains(QLatin1String("No system tray")))
        << tandrel.output().toStdString();
    const WindowOnScreen icon = icons.front();
    EXPECT_GT(icon.width, 0);
    EXPECT_GT(icon.height, 0);

    // Under the disabled status line: Edit Prompts…, Launch at Login, Pause.
    ASSERT_TRUE(chooseFromMenu(tandrel, icon, 3));
    EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "Pause left the palette up";
    runEventLoop(1500ms); // the next ticks keep it hidden
    EXPECT_FALSE(tandrel.palette()) << "the palette came back while paused";
    EXPECT_EQ(inputFocusProcess(), page.pid) << "the menu left the focus elsewhere";

    // Resume is where Pause was; the composer still has the focus.
    ASSERT_TRUE(chooseFromMenu(tandrel, icon, 3));
    EXPECT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowTime))
        << "Resume did not bring the palette back";
    EXPECT_TRUE(QDir(tandrel.autostartFolder()).isEmpty()) << "the menu turned on launch at login";
}

} // namespace
} // namespace tandrel::e2e
