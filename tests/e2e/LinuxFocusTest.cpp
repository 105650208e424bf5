// SPDX-License-Identifier: MIT

// The focus tracker and the accessibility reads, in this process, on the real desktop layer
// (AT-SPI and X11) against Chromium on the fixture pages.

#include "app/focus/AccessibleReads.h"
#include "app/focus/FocusObservation.h"
#include "app/focus/FocusTracker.h"
#include "platform/linux/A11yStatus.h"
#include "platform/linux/LinuxAccessibility.h"
#include "platform/linux/LinuxDesktop.h"
#include "testing/Fixtures.h"
#include "testing/X11Windows.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

// Presses the keys, one after another, in whatever window has the keyboard focus.
void pressKeys(const QStringList& keys) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys);
    ASSERT_TRUE(xdotool.waitForFinished(10000) && xdotool.exitCode() == 0)
        << "xdotool key failed (install xdotool; scripts/setup does): "
        << xdotool.errorString().toStdString() << xdotool.readAllStandardError().toStdString();
}

class LinuxFocus : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::InProcess> {
protected:
    // The tracker's answer once Chromium's tree has caught up with the page, or its last
    // answer when the time runs out.
    static std::optional<ChatTarget> waitForTarget(FocusTracker& tracker,
                                                   bool includeComposerFrame) {
        const QDeadlineTimer deadline(kSettleTime);
        for (;;) {
            std::optional<ChatTarget> target = tracker.current(includeComposerFrame);
            if (target || deadline.hasExpired())
                return target;
            runEventLoop(100ms);
        }
    }

    // The focused element of the page's browser, once the accessibility bus reports one whose
    // role is `role`; proves that a "no target" answer was made looking at the right input.
    static std::optional<a11y::Element> waitForFocusedElement(const OpenedPage& page,
                                                              a11y::Role role) {
        const AccessibleReads reads(desktop_->accessibility());
        const a11y::Element application = desktop_->accessibility().application(page.pid);
        const QDeadlineTimer deadline(kSettleTime);
        for (;;) {
            std::optional<a11y::Element> focused = reads.focusedElement(application);
            const a11y::Role focusedRole =
                focused ? reads.role(*focused).value_or(a11y::Role::other) : a11y::Role::other;
            if (focused && focusedRole == role)
                return focused;
            if (deadline.hasExpired()) {
                ADD_FAILURE() << "no focused " << a11y::nameOf(role).toStdString() << " in "
                              << page.pid
                              << (focused ? " (focused role: " +
                                                a11y::nameOf(focusedRole).toStdString() + ")"
                                          : " (no focused element)");
                return std::nullopt;
            }
            runEventLoop(100ms);
        }
    }
};

TEST_F(LinuxFocus, TracksTextareaComposerAndItsSurface) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.input && page.body && page.rail);
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());

    // The sender's view: the input alone.
    const std::optional<ChatTarget> input = waitForTarget(tracker, false);
    ASSERT_TRUE(input) << "no target for the textarea";
    EXPECT_EQ(input->pid, page.pid);
    EXPECT_EQ(input->documentURL, QUrl(textareaPage()));
    EXPECT_TRUE(nearlyEqual(input->frame, *page.input))
        << "frame " << describe(input->frame).toStdString() << ", page says "
        << describe(*page.input).toStdString();
    EXPECT_FALSE(tracker.lastPanelCount().has_value())
        << "asking without the composer frame must not resolve the surface";

    // The palette's view: the body joined with the rail beside it.
    const std::optional<ChatTarget> surface = tracker.current(true);
    ASSERT_TRUE(surface);
    EXPECT_TRUE(surface->matches(input)) << "the same input must match across both questions";
    EXPECT_EQ(tracker.lastPanelCount(), std::optional<std::int64_t>(1));
    EXPECT_TRUE(nearlyEqual(surface->frame, *page.composerSurface()))
        << "frame " << describe(surface->frame).toStdString() << ", page says "
        << describe(*page.composerSurface()).toStdString();
}

TEST_F(LinuxFocus, ReadsContenteditableParagraphsAsLines) {
    const OpenedPage page = openPage(contenteditablePage());
    ASSERT_TRUE(page.input);
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());

    const std::optional<ChatTarget> target = waitForTarget(tracker, true);
    ASSERT_TRUE(target) << "no target for the contenteditable composer";
    EXPECT_EQ(target->documentURL, QUrl(contenteditablePage()));
    EXPECT_EQ(tracker.lastPanelCount(), std::optional<std::int64_t>(-1));
    EXPECT_TRUE(nearlyEqual(target->frame, *page.input))
        << "frame " << describe(target->frame).toStdString() << ", page says "
        << describe(*page.input).toStdString();

    const AccessibleReads reads(desktop_->accessibility());
    const auto selectionOf = [&](const a11y::Element& e) -> std::optional<TextRange> {
        const auto read = reads.text(e);
        return read ? read->selection : std::nullopt;
    };
    const std::optional<a11y::TextContent> content = reads.text(target->element);
    ASSERT_TRUE(content) << "the composer's text cannot be read";
    EXPECT_EQ(content->text.toStdString(), contenteditableText().toStdString());
    // The page puts the caret after the last character; an emoji counts as two UTF-16 units.
    EXPECT_EQ(content->selection,
              std::optional<TextRange>(TextRange{contenteditableText().size(), 0}));

    // Selections whose ends lie inside paragraphs: the container only names the paragraphs,
    // each paragraph knows where in its own text.
    const qsizetype second = contenteditableText().indexOf(QLatin1String("Second"));
    const qsizetype one = contenteditableText().indexOf(QLatin1String("one,"));
    {
        SCOPED_TRACE("a word inside the second paragraph");
        // Home of the text, one line down, past "Second ", then three characters selected.
        QStringList keys{QStringLiteral("ctrl+Home"), QStringLiteral("Down")};
        for (int i = 0; i < 7; ++i)
            keys << QStringLiteral("Right");
        for (int i = 0; i < 3; ++i)
            keys << QStringLiteral("shift+Right");
        pressKeys(keys);
        const std::optional<TextRange> expected(TextRange{one, 3});
        std::optional<TextRange> selection;
        waitUntil([&] { return (selection = selectionOf(target->element)) == expected; });
        EXPECT_EQ(selection, expected);
    }
    {
        SCOPED_TRACE("from the first paragraph into the second");
        pressKeys({QStringLiteral("ctrl+Home"), QStringLiteral("Right"), QStringLiteral("Right"),
                   QStringLiteral("shift+Down")});
        // Where on the second line the selection ends depends on the font; that it ends inside
        // the second paragraph does not.
        auto spans = [&](const std::optional<TextRange>& s) {
            return s && s->location == 2 && s->location + s->length > second &&
                   s->location + s->length < second + 25;
        };
        std::optional<TextRange> selection;
        waitUntil([&] { return spans(selection = selectionOf(target->element)); });
        EXPECT_TRUE(spans(selection))
            << (selection ? QStringLiteral("%1+%2").arg(selection->location).arg(selection->length)
                          : QStringLiteral("no selection"))
                   .toStdString();
    }
}

TEST_F(LinuxFocus, FindsNoTargetOutsideAChatComposer) {
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
    const AccessibleReads reads(desktop_->accessibility());
    {
        SCOPED_TRACE("search field");
        const OpenedPage page = openPage(searchPage());
        if (waitForFocusedElement(page, a11y::Role::textField)) {
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
    {
        SCOPED_TRACE("password field");
        const OpenedPage page = openPage(passwordPage());
        const std::optional<a11y::Element> field =
            waitForFocusedElement(page, a11y::Role::passwordField);
        if (field) {
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
    {
        SCOPED_TRACE("composer on a host that is not a chat");
        const OpenedPage page = openPage(otherHostPage());
        const std::optional<a11y::Element> input =
            waitForFocusedElement(page, a11y::Role::textArea);
        if (input) {
            EXPECT_EQ(reads.webURL(*input), std::optional<QUrl>(QUrl(otherHostPage())));
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
}

// The kept readings never hide a change: with the readings of the composer kept from the
// evaluation before, the page moves the composer, removes its side panel, changes its classes and
// replaces its input, and after each change the next evaluation answers what a tracker reading
// everything afresh answers. That reference runs on a second desktop layer with its own kept
// readings, dropped before every look, so waiting for the change never refreshes the first one.
TEST_F(LinuxFocus, NextEvaluationSeesEveryComposerChange) {
    const OpenedPage page = openPage(changingPage());
    QString error;
    std::unique_ptr<LinuxDesktop> reference = LinuxDesktop::create(&error);
    ASSERT_TRUE(reference) << error.toStdString();
    FocusTracker warm(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
    ASSERT_TRUE(waitForTarget(warm, true)) << "no target for the changing composer";

    struct Answer {
        std::optional<ChatTarget> target;
        std::optional<std::int64_t> panels;
        bool sameAs(const Answer& other) const {
            return target.has_value() == other.target.has_value() && panels == other.panels &&
                   (!target || (nearlyEqual(target->frame, other.target->frame, 0.5) &&
                                target->element == other.target->element));
        }
    };
    const auto afresh = [&reference] {
        reference->atspi().forgetKeptReadings();
        FocusTracker tracker(reference->accessibility(), reference->workspace(),
                             reference->clock());
        Answer answer{tracker.current(true), {}};
        answer.panels = tracker.lastPanelCount();
        return answer;
    };
    Answer before{warm.current(true), warm.lastPanelCount()};
    ASSERT_TRUE(before.sameAs(afresh()));
    for (const char* change : {"move", "remove the panel", "change the classes", "replace"}) {
        SCOPED_TRACE(change);
        pressKeys({QStringLiteral("F9")});
        // Wait until the change has settled: a replaced input leaves a moment with no focus.
        const QDeadlineTimer deadline(kSettleTime);
        Answer expected = afresh();
        for (;;) {
            runEventLoop(100ms);
            const Answer again = afresh();
            const bool settled = !expected.sameAs(before) && again.sameAs(expected);
            expected = again;
            if (settled || deadline.hasExpired())
                break;
        }
        ASSERT_FALSE(expected.sameAs(before)) << "the page's change never reached the bus";
        // Nothing else changes now: the kept readings must give the same answer at once.
        const Answer seen{warm.current(true), warm.lastPanelCount()};
        EXPECT_TRUE(seen.sameAs(expected))
            << "kept readings answered "
            << (seen.target ? describe(seen.target->frame).toStdString() : "nothing") << " with "
            << seen.panels.value_or(-1) << " panels; afresh "
            << (expected.target ? describe(expected.target->frame).toStdString() : "nothing")
            << " with " << expected.panels.value_or(-1) << " panels";
        before = expected;
    }
}

// A browser that stops answering (as one does while it waits on the clipboard's owner) is
// reported as not responding, not as a focus that went elsewhere; once it answers again, the same
// input is found. The test ends with that unanswered request still in flight, so that closing
// the desktop right after it is exercised too (the sanitizer build reports what it strands).
TEST_F(LinuxFocus, BrowserThatStopsAnsweringIsNotRespondingRatherThanUnfocused) {
    const OpenedPage page = openPage(textareaPage());
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
    const std::optional<ChatTarget> before = waitForTarget(tracker, false);
    ASSERT_TRUE(before) << "no target for the textarea";

    ASSERT_EQ(::kill(static_cast<pid_t>(page.pid), SIGSTOP), 0);
    const FocusResult answer = tracker.evaluate(false);
    const std::optional<ChatTarget>& whileStopped = answer.target;
    const FocusOutcome& outcome = answer.outcome;
    ASSERT_EQ(::kill(static_cast<pid_t>(page.pid), SIGCONT), 0);
    EXPECT_FALSE(whileStopped);
    EXPECT_EQ(outcome.reason, FocusOutcome::Reason::applicationNotResponding)
        << outcome.text().toStdString();

    const std::optional<ChatTarget> after = waitForTarget(tracker, false);
    EXPECT_TRUE(after && after->matches(before)) << "the input was not found again";

    ASSERT_EQ(::kill(static_cast<pid_t>(page.pid), SIGSTOP), 0);
    EXPECT_FALSE(tracker.current(false));
    ASSERT_EQ(::kill(static_cast<pid_t>(page.pid), SIGCONT), 0);
}

TEST_F(LinuxFocus, ObservesTypingInTheComposer) {
    const OpenedPage page = openPage(textareaPage());
    FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
    const std::optional<ChatTarget> target = waitForTarget(tracker, true);
    ASSERT_TRUE(target) << "no target for the textarea";

    // What the palette relies on: a coalesced change after a real edit ...
    int changes = 0;
    FocusObservation observation(desktop_->accessibility(), desktop_->workspace(),
                                 desktop_->clock());
    QObject::connect(&observation, &FocusObservation::changed, [&changes] { ++changes; });
    observation.observe(target->pid, target->layoutElements);
    ASSERT_TRUE(observation.isConnected());
    // ... made of a value change reported on the composer itself.
    std::vector<a11y::Change> composerChanges;
    Result<std::unique_ptr<a11y::Observer>> observer = desktop_->accessibility().observe(
        target->pid, [&](const a11y::Element& element, a11y::Change change) {
            if (element == target->element)
                composerChanges.push_back(change);
        });
    ASSERT_TRUE(observer.ok() && *observer);
    (*observer)->watch(target->element, a11y::Change::text);

    // Chromium learns of new listeners through the registry a moment later and sends only what
    // somebody listens to: type again until the change is seen.
    const AccessibleReads reads(desktop_->accessibility());
    const QDeadlineTimer deadline(kSettleTime);
    int typed = 0;
    auto seen = [&] {
        return changes > 0 && std::find(composerChanges.begin(), composerChanges.end(),
                                        a11y::Change::text) != composerChanges.end();
    };
    while (!seen() && !deadline.hasExpired()) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("x")});
        ASSERT_TRUE(xdotool.waitForFinished(10000) && xdotool.exitCode() == 0)
            << "xdotool type failed (install xdotool; scripts/setup does): "
            << xdotool.errorString().toStdString() << xdotool.readAllStandardError().toStdString();
        ++typed;
        const QDeadlineTimer pause(1s);
        while (!seen() && !pause.hasExpired())
            runEventLoop(20ms);
    }
    EXPECT_GT(changes, 0) << "no change was signalled after typing " << typed << " characters";
    EXPECT_TRUE(seen()) << "no text change on the composer after typing " << typed << " characters";
    // The events were about what was typed.
    const std::optional<a11y::TextContent> content = reads.text(target->element);
    ASSERT_TRUE(content);
    EXPECT_TRUE(content->text.startsWith(QLatin1Char('x'))) << content->text.toStdString();
}

TEST_F(LinuxFocus, XErrorsAreCaughtOnlyAroundTheRequestsThatExpectThem) {
    desktop_->workspace().frontmostApplication(); // reads windows inside its own trap
    // The workspace left Xlib's own handler in place for the rest of the process.
    EXPECT_TRUE(xlibDefaultErrorHandlerInPlace());
    // A trap catches the error of a window that is gone, and only while it lives.
    const TrapRun run = readGoneWindowInsideATrap();
    EXPECT_EQ(run.caught, 1);
    EXPECT_TRUE(run.handlerRestored);
}

// The service that keeps the accessibility switch is stopped (a frozen desktop component): asking
// for the switch never waits on it again after the first time, and its answer is taken up once it
// comes back.
TEST_F(LinuxFocus, StoppedAccessibilityServiceIsAskedInTheBackground) {
    const auto owner =
        QDBusConnection::sessionBus().interface()->servicePid(QStringLiteral("org.a11y.Bus"));
    ASSERT_TRUE(owner.isValid() && owner.value() > 0);
    const pid_t launcher = pid_t(owner.value());
    ASSERT_EQ(::kill(launcher, SIGSTOP), 0);
    linuxdesktop::A11yStatus status; // its first question goes unanswered
    QElapsedTimer asking;
    asking.start();
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_FALSE(status.isEnabled());
        runEventLoop(10ms);
    }
    const qint64 askedFor = asking.elapsed();
    ::kill(launcher, SIGCONT);
    // Five ticks that each waited for the service would take 2.5 s.
    EXPECT_LT(askedFor, 1000) << "asking for the switch waited on a stopped service";
    EXPECT_TRUE(waitUntil([&] { return status.isEnabled(); }, 5000ms))
        << "the service's answer was never taken up";
}

} // namespace
} // namespace tandrel::e2e
