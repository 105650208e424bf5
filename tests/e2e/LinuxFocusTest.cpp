// The focus tracker and the accessibility reads, in this process, on the real desktop layer
// (AT-SPI and X11) against Chromium on the fixture pages.

#include "app/focus/AX.h"
#include "app/focus/FocusTracker.h"
#include "platform/linux/LinuxDesktop.h"
#include "tests/e2e/DesktopSession.h"
#include "tests/e2e/Fixtures.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

// How long a freshly started Chromium may take to expose its page to the accessibility bus.
constexpr auto kSettleTime = 10s;

// Lets the event loop run (accessibility events arrive through it) for a short while.
void runEventLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

class LinuxFocus : public testing::Test {
protected:
    // The accessibility connection is process-wide, so the whole suite shares one desktop.
    static void SetUpTestSuite() {
        session_ = std::make_unique<DesktopSession>();
        if (!session_->start(&startError_)) {
            session_.reset();
            return;
        }
        desktop_ = LinuxDesktop::create(&startError_);
        if (!desktop_)
            startError_ = QStringLiteral("the real desktop layer did not start: ") + startError_;
    }
    static void TearDownTestSuite() {
        desktop_.reset();
        session_.reset();
    }

    void SetUp() override { ASSERT_TRUE(session_ && desktop_) << startError_.toStdString(); }

    static OpenedPage openPage(const QString& url) {
        QString error;
        std::optional<OpenedPage> page = session_->open(url, &error);
        if (!page) {
            ADD_FAILURE() << error.toStdString();
            return {};
        }
        return *page;
    }

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
    static std::optional<ax::Element> waitForFocusedElement(const OpenedPage& page,
                                                            const QString& role) {
        const AX ax(desktop_->accessibility());
        const ax::Element application = desktop_->accessibility().createApplication(page.pid);
        const QDeadlineTimer deadline(kSettleTime);
        for (;;) {
            std::optional<ax::Element> focused =
                ax.element(application, QStringLiteral("AXFocusedUIElement"));
            if (focused && ax.string(*focused, QStringLiteral("AXRole")) == role)
                return focused;
            if (deadline.hasExpired()) {
                ADD_FAILURE()
                    << "no focused " << role.toStdString() << " in " << page.pid
                    << (focused
                            ? " (focused role: " +
                                  ax.string(*focused, QStringLiteral("AXRole")).toStdString() + ")"
                            : " (no focused element)");
                return std::nullopt;
            }
            runEventLoop(100ms);
        }
    }

    static std::unique_ptr<DesktopSession> session_;
    static std::unique_ptr<LinuxDesktop> desktop_;
    static QString startError_;
};

std::unique_ptr<DesktopSession> LinuxFocus::session_;
std::unique_ptr<LinuxDesktop> LinuxFocus::desktop_;
QString LinuxFocus::startError_;

TEST_F(LinuxFocus, TracksTextareaComposerAndItsSurface) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.input && page.body && page.rail);
    FocusTracker tracker(*desktop_);

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
    FocusTracker tracker(*desktop_);

    const std::optional<ChatTarget> target = waitForTarget(tracker, true);
    ASSERT_TRUE(target) << "no target for the contenteditable composer";
    EXPECT_EQ(target->documentURL, QUrl(contenteditablePage()));
    EXPECT_EQ(tracker.lastPanelCount(), std::optional<std::int64_t>(-1));
    EXPECT_TRUE(nearlyEqual(target->frame, *page.input))
        << "frame " << describe(target->frame).toStdString() << ", page says "
        << describe(*page.input).toStdString();

    const AX ax(desktop_->accessibility());
    const ComposerTextSnapshot snapshot = ax.textSnapshot(target->element);
    ASSERT_TRUE(snapshot.isReadable()) << "the composer's text cannot be read";
    for (const auto& [source, text] : snapshot.readings()) {
        SCOPED_TRACE(int(source));
        EXPECT_EQ(text.toStdString(), contenteditableText().toStdString());
    }
    // The page puts the caret after the last character; an emoji counts as two UTF-16 units.
    EXPECT_EQ(ax.selection(target->element),
              std::optional<TextRange>(TextRange{contenteditableText().size(), 0}));
}

TEST_F(LinuxFocus, FindsNoTargetOutsideAChatComposer) {
    FocusTracker tracker(*desktop_);
    const AX ax(desktop_->accessibility());
    {
        SCOPED_TRACE("search field");
        const OpenedPage page = openPage(searchPage());
        if (waitForFocusedElement(page, QStringLiteral("AXTextField"))) {
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
    {
        SCOPED_TRACE("password field");
        const OpenedPage page = openPage(passwordPage());
        const std::optional<ax::Element> field =
            waitForFocusedElement(page, QStringLiteral("AXTextField"));
        if (field) {
            EXPECT_EQ(ax.string(*field, QStringLiteral("AXSubrole")),
                      QStringLiteral("AXSecureTextField"));
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
    {
        SCOPED_TRACE("composer on a host that is not a chat");
        const OpenedPage page = openPage(otherHostPage());
        const std::optional<ax::Element> input =
            waitForFocusedElement(page, QStringLiteral("AXTextArea"));
        if (input) {
            EXPECT_EQ(ax.webURL(*input), std::optional<QUrl>(QUrl(otherHostPage())));
            EXPECT_FALSE(tracker.current(true).has_value());
        }
    }
}

} // namespace
} // namespace tandrel::e2e
