// SPDX-License-Identifier: MIT

// The tandrel program on sway with Chromium as a native Wayland client, the route that neither X11
// focus nor XTest can serve: the palette above the composer, a click on it sending once, the user's
// clipboard back byte for byte, and the keyboard focus left in the browser throughout.

#include "core/ConfigurationStore.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/ProgramChecks.h"
#include "tests/e2e/TandrelProgram.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <grp.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kLabel = QStringLiteral("Summary");
const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");
// What the user had copied: several lines, a trailing newline and characters beyond ASCII.
const QByteArray kUserClipboard = QByteArray("the user's own text\n\tindented ✓ 😀\n");
// From the focused composer to the palette on screen, tandrel's own start included.
constexpr auto kShowAfterStart = 5000ms;
constexpr auto kSendTime = 10000ms; // a click until the page has the message
constexpr auto kQuiet = 1500ms;     // no second message meanwhile

// Runs programs as the user who owns the session's compositor and buses.
struct SessionUser {
    uint uid = 0;
    uint gid = 0;
    bool differs() const { return uid != ::geteuid(); }
    void apply(QProcess& process) const {
        if (!differs())
            return;
        process.setChildProcessModifier([uid = uid, gid = gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
    }
};

class Sway : public testing::Test {
protected:
    static void SetUpTestSuite() {
        DesktopOptions options;
        options.compositor = Compositor::Sway;
        session_ = std::make_unique<DesktopSession>(options);
        if (!session_->start(&startError_)) {
            startError_ = QStringLiteral("the private sway session did not start: ") + startError_;
            session_.reset();
            return;
        }
        user_.uid = session_->value(QStringLiteral("SESSION_UID")).toUInt();
        user_.gid = session_->value(QStringLiteral("SESSION_GID")).toUInt();
    }
    static void TearDownTestSuite() { session_.reset(); }
    void SetUp() override {
        ASSERT_TRUE(session_ && startError_.isEmpty()) << startError_.toStdString();
    }

    static inline std::unique_ptr<DesktopSession> session_;
    static inline QString startError_;
    static inline SessionUser user_;
};

// The process of the window sway gives the keyboard focus to; 0 when none.
qint64 swayFocusedProcess() {
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"),
                  {QStringLiteral("--raw"), QStringLiteral("-t"), QStringLiteral("get_tree")});
    if (!swaymsg.waitForFinished(10000) || swaymsg.exitCode() != 0)
        return 0;
    QJsonArray nodes{QJsonDocument::fromJson(swaymsg.readAllStandardOutput()).object()};
    while (!nodes.isEmpty()) {
        const QJsonObject node = nodes.takeAt(nodes.size() - 1).toObject();
        if (node.value(QLatin1String("focused")).toBool())
            return node.value(QLatin1String("pid")).toInteger();
        for (const char* key : {"nodes", "floating_nodes"})
            for (const QJsonValue& child : node.value(QLatin1String(key)).toArray())
                nodes.append(child);
    }
    return 0;
}

// A click as from the mouse: on the X display sway runs on, which hands it to the window under
// the pointer, as it does with a real device.
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

// The clipboard as wl-paste reads it, as the session's user; absent when it cannot be read.
std::optional<QByteArray> pasteAs(const SessionUser& user) {
    QProcess paste;
    user.apply(paste);
    paste.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    if (!paste.waitForFinished(10000) || paste.exitCode() != 0)
        return std::nullopt;
    return paste.readAllStandardOutput();
}

TEST_F(Sway, PaletteSendsIntoNativeChromiumAndGivesTheClipboardBack) {
    QString error;
    const std::optional<OpenedPage> page = session_->open(textareaPage(), &error);
    ASSERT_TRUE(page && page->composerSurface()) << error.toStdString();
    ASSERT_EQ(swayFocusedProcess(), page->pid) << "sway did not focus Chromium";

    // The user's clipboard, held by wl-copy as any Wayland program would hold it.
    QProcess copy;
    user_.apply(copy);
    copy.start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"),
                                           QStringLiteral("text/plain;charset=utf-8")});
    ASSERT_TRUE(copy.waitForStarted(10000)) << "wl-copy: " << copy.errorString().toStdString();
    copy.write(kUserClipboard);
    copy.closeWriteChannel();
    ASSERT_TRUE(waitUntil([&] { return pasteAs(user_) == kUserClipboard; }))
        << "wl-copy did not take the clipboard";

    TandrelProgram tandrel;
    ASSERT_NO_THROW(ConfigurationStore(tandrel.promptsPath())
                        .save(Configuration({Prompt(QUuid::createUuid(), kLabel, kPrompt)})));
    if (user_.differs())
        tandrel.runAs(user_.uid, user_.gid);
    QElapsedTimer shown;
    shown.start();
    ASSERT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowAfterStart))
        << "no palette above the composer within " << kShowAfterStart.count()
        << " ms; tandrel said:\n"
        << tandrel.output().toStdString();
    std::printf("palette on screen %lld ms after tandrel started\n",
                static_cast<long long>(shown.elapsed()));
    // Where it shows first may still move while Chromium fills its tile.
    waitUntil(
        [&] {
            const auto shown = tandrel.palette();
            return shown && placedAbove(*shown, *page->composerSurface());
        },
        kShowTime);
    ASSERT_TRUE(tandrel.palette()) << "the palette went away";
    const WindowOnScreen palette = *tandrel.palette();
    EXPECT_TRUE(placedAbove(palette, *page->composerSurface()));
    EXPECT_EQ(swayFocusedProcess(), page->pid) << "the palette took the keyboard focus";

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
    EXPECT_TRUE(waitUntil([&] { return (clipboard = pasteAs(user_)) == kUserClipboard; }))
        << "the clipboard holds \"" << clipboard.value_or("(unreadable)").toStdString()
        << "\", not the user's text";
    EXPECT_EQ(swayFocusedProcess(), page->pid) << "the browser lost the keyboard focus";

    copy.kill();
    copy.waitForFinished(5000);
}

} // namespace
} // namespace tandrel::e2e
