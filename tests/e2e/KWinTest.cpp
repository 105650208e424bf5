// SPDX-License-Identifier: MIT

// The tandrel program on KWin with the browser (Chromium or Firefox) as a native Wayland client:
// the window in front told by Tandrel's KWin script, the keys through KWin's fake input and the
// clipboard through data-control. The palette above the composer, a click on it sending once, the
// user's clipboard back byte for byte, the keyboard focus left in the browser, and a switch to an
// XWayland window and back followed.

#include "core/ConfigurationStore.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/ProgramChecks.h"
#include "tests/e2e/TandrelProgram.h"
#include "tests/e2e/X11Windows.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kLabel = QStringLiteral("Summary");
const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");
const QByteArray kUserClipboard = QByteArray("the user's own text\n\tindented ✓ 😀\n");
// From tandrel's start (its own start and KWin loading its script included) to the palette.
constexpr auto kShowAfterStart = 5000ms;
constexpr auto kSendTime = 10000ms;
constexpr auto kQuiet = 1500ms;

class KWin : public testing::Test {
protected:
    static void SetUpTestSuite() {
        DesktopOptions options;
        options.compositor = Compositor::KWin;
        session_ = std::make_unique<DesktopSession>(options);
        if (!session_->start(&startError_)) {
            startError_ = QStringLiteral("the private KWin session did not start: ") + startError_;
            session_.reset();
        }
    }
    static void TearDownTestSuite() { session_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(session_ && startError_.isEmpty()) << startError_.toStdString();
    }

    qint64 focused() {
        QString error;
        return session_->focusedProcess(&error).value_or(-1);
    }

    static inline std::unique_ptr<DesktopSession> session_;
    static inline QString startError_;
};

// A click as from the mouse, on the X display KWin runs on.
bool clickOnHost(const QString& hostDisplay, int x, int y) {
    QProcess xdotool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), hostDisplay);
    xdotool.setProcessEnvironment(env);
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                   QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("click"),
                   QStringLiteral("1")});
    return xdotool.waitForFinished(10000) && xdotool.exitCode() == 0;
}

// The clipboard as a native application reads it; absent when it cannot be read. Before wl-copy
// holds it, its owner (the browser) may never answer: each reading is short.
std::optional<QByteArray> paste() {
    QProcess paste;
    paste.setStandardInputFile(QProcess::nullDevice());
    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    if (!paste.waitForFinished(2000) || paste.exitCode() != 0) {
        paste.kill();
        paste.waitForFinished(2000);
        return std::nullopt;
    }
    return paste.readAllStandardOutput();
}

TEST_F(KWin, PaletteSendsIntoTheNativeBrowserAndFollowsASwitchToXWayland) {
    // The user's clipboard, held before the browser starts, as it would be.
    QProcess copy;
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"),
                                           QStringLiteral("text/plain;charset=utf-8")});
    ASSERT_TRUE(copy.waitForStarted(10000)) << "wl-copy: " << copy.errorString().toStdString();
    copy.write(kUserClipboard);
    copy.closeWriteChannel();
    ASSERT_TRUE(waitUntil([&] { return paste() == kUserClipboard; }, 10s))
        << "wl-copy did not take the clipboard";

    QString error;
    const std::optional<OpenedPage> page = session_->open(textareaPage(), &error);
    ASSERT_TRUE(page && page->composerSurface()) << error.toStdString();
    ASSERT_EQ(focused(), page->pid) << "KWin did not activate the browser";

    TandrelProgram tandrel;
    ASSERT_NO_THROW(ConfigurationStore(tandrel.promptsPath())
                        .save(Configuration({Prompt(QUuid::createUuid(), kLabel, kPrompt)})));
    ASSERT_TRUE(session_->trust(QStringLiteral(TANDREL_PATH), &error)) << error.toStdString();
    QElapsedTimer shown;
    shown.start();
    ASSERT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowAfterStart))
        << "no palette above the composer within " << kShowAfterStart.count()
        << " ms; tandrel said:\n"
        << tandrel.output().toStdString();
    std::printf("palette on screen %lld ms after tandrel started\n",
                static_cast<long long>(shown.elapsed()));
    waitUntil(
        [&] {
            const auto shown = tandrel.palette();
            return shown && placedAbove(*shown, *page->composerSurface());
        },
        kShowTime);
    ASSERT_TRUE(tandrel.palette()) << "the palette went away";
    const WindowOnScreen palette = *tandrel.palette();
    EXPECT_TRUE(placedAbove(palette, *page->composerSurface()));
    EXPECT_EQ(focused(), page->pid) << "the palette took the keyboard focus";

    session_->takeSent(&error);
    ASSERT_TRUE(clickOnHost(session_->value(QStringLiteral("HOST_DISPLAY")), palette.x + 30,
                            palette.y + palette.height / 2));
    std::vector<DesktopSession::SentMessage> sent;
    QDeadlineTimer deadline(kSendTime);
    waitUntil(
        [&] {
            if (auto more = session_->takeSent(&error); more && !more->empty()) {
                sent.insert(sent.end(), more->begin(), more->end());
                deadline.setRemainingTime(kQuiet);
            }
            return deadline.hasExpired();
        },
        kSendTime + 10 * kQuiet);
    ASSERT_EQ(sent.size(), 1u) << "tandrel said:\n" << tandrel.output().toStdString();
    EXPECT_EQ(sent.front().text, kPrompt);
    EXPECT_EQ(sent.front().url, page->url);

    std::optional<QByteArray> clipboard;
    EXPECT_TRUE(waitUntil([&] { return (clipboard = paste()) == kUserClipboard; }))
        << "the clipboard holds \"" << clipboard.value_or("(unreadable)").toStdString()
        << "\", not the user's text";
    EXPECT_EQ(focused(), page->pid) << "the browser lost the keyboard focus";

    // An XWayland window in front: the X11 path serves it, and it is no chat.
    {
        PlainWindow other(QStringLiteral("tandrel-e2e-other"));
        ASSERT_TRUE(other.isValid());
        ASSERT_TRUE(waitUntil([&] { return focused() == QCoreApplication::applicationPid(); }))
            << "KWin did not activate the XWayland window";
        EXPECT_TRUE(waitUntil([&] { return !tandrel.palette().has_value(); }, kShowTime))
            << "the palette stayed while an XWayland window was in front";
    }
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(waitUntil([&] { return focused() == page->pid; }))
        << "KWin did not give the browser the focus back";
    EXPECT_TRUE(waitUntil(
        [&] {
            const auto shown = tandrel.palette();
            return shown && placedAbove(*shown, *page->composerSurface());
        },
        kShowTime))
        << "no palette above the composer after the browser came back; tandrel said:\n"
        << tandrel.output().toStdString();
    std::printf("palette back on screen %lld ms after the browser came back in front\n",
                static_cast<long long>(back.elapsed()));

    copy.kill();
    copy.waitForFinished(5000);
}

} // namespace
} // namespace tandrel::e2e
