// SPDX-License-Identifier: MIT

// The tandrel program with the browser as a native Wayland client of each compositor family, the
// route that neither X11 focus nor XTest can serve: the palette above the composer, a click on it
// sending once, the user's clipboard back byte for byte, the keyboard focus left in the browser
// throughout, and a switch to an XWayland window and back followed.

#include "core/ConfigurationStore.h"
#include "testing/Fixtures.h"
#include "testing/TandrelProgram.h"
#include "testing/X11Windows.h"
#include "tests/e2e/ProgramChecks.h"

#include <QElapsedTimer>

#include <sstream>

#include <gtest/gtest.h>

#include <csignal>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kLabel = QStringLiteral("Summary");
const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");
// Tandrel's own start included, and KWin's: it looks through every script installed before it
// runs the one Tandrel loads, which took 3 s here.
constexpr auto kShowAfterStart = 15000ms;
constexpr auto kSendTime = 10000ms; // a click until the page has the message
constexpr auto kQuiet = 1500ms;     // no second message meanwhile

// What the user had copied: several lines of text beyond ASCII, or an image, as it would be on
// the clipboard of one of the compositors.
struct UserClipboard {
    QString type;
    QByteArray data;
};

UserClipboard textClipboard() {
    return {QStringLiteral("text/plain;charset=utf-8"),
            QByteArray("the user's own text\n\tindented ✓ 😀\n")};
}

// A small PNG with every byte value after its header: nothing may be lost or re-encoded.
UserClipboard imageClipboard() {
    QByteArray png = QByteArray::fromHex("89504e470d0a1a0a");
    for (int i = 0; i < 4096; ++i)
        png.append(char(i * 7 % 256));
    return {QStringLiteral("image/png"), png};
}

struct Row {
    Compositor compositor;
    bool imageClipboard = false;
    // The compositor's output scale. XWayland, where the palette lives, counts points at every
    // scale, as the compositor places windows.
    int scale = 1;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << compositorName(row.compositor);
    if (!row.imageClipboard)
        *out << "_text";
    if (row.scale != 1)
        *out << "_scale" << row.scale;
}

std::string rowName(const testing::TestParamInfo<Row>& info) {
    std::ostringstream name;
    PrintTo(info.param, &name);
    return name.str();
}

class NativeWayland : public testing::TestWithParam<Row> {
protected:
    void SetUp() override {
        DesktopOptions options;
        options.compositor = GetParam().compositor;
        options.scale = GetParam().scale;
        session_ = std::make_unique<DesktopSession>(options);
        QString error;
        ASSERT_TRUE(session_->start(&error)) << "the private " << compositorName(options.compositor)
                                             << " session did not start: " << error.toStdString();
    }

    qint64 focused() {
        QString error;
        const auto pid = session_->focusedProcess(&error);
        EXPECT_TRUE(pid) << error.toStdString();
        return pid.value_or(-1);
    }

    // The palette once it sits above the composer (it may first show while the browser still
    // fills its window); the last one seen otherwise.
    std::optional<WindowOnScreen> settledPalette(TandrelProgram& tandrel, const Rect& surface) {
        waitUntil(
            [&] {
                const auto shown = tandrel.palette();
                return shown && placedAbove(*shown, surface);
            },
            kShowTime);
        return tandrel.palette();
    }

    // Clicks the palette's first button and collects what the page sends until it has been
    // quiet for a while.
    std::vector<DesktopSession::SentMessage> clickAndCollect(const WindowOnScreen& palette) {
        QString error;
        session_->takeSent(&error);
        EXPECT_TRUE(session_->click(palette.x + 30, palette.y + palette.height / 2, &error))
            << error.toStdString();
        return collectSent(*session_, kSendTime, kQuiet);
    }

    std::unique_ptr<DesktopSession> session_;
};

TEST_P(NativeWayland, PaletteSendsOnceKeepsTheFocusAndGivesTheClipboardBack) {
    QString error;
    TandrelProgram tandrel;
    ASSERT_NO_THROW(ConfigurationStore(tandrel.promptsPath())
                        .save(Configuration({Prompt(QUuid::createUuid(), kLabel, kPrompt)})));
    if (const uint uid = session_->value(QStringLiteral("SESSION_UID")).toUInt();
        uid != ::geteuid())
        tandrel.runAs(uid, session_->value(QStringLiteral("SESSION_GID")).toUInt());
    // What the compositor asks of a program before it lets it type (on KWin, a desktop entry
    // naming it), well before it starts, as an installation would be: KWin notices a new
    // entry only a while later (written just before the start, it was missed in two runs of
    // three).
    ASSERT_TRUE(session_->trust(tandrel.program(), &error)) << error.toStdString();
    // Copied before the browser starts: a clipboard read while a new browser takes it over may
    // wait on the browser.
    const UserClipboard user = GetParam().imageClipboard ? imageClipboard() : textClipboard();
    ASSERT_TRUE(session_->copy(user.type, user.data, &error)) << error.toStdString();
    const std::optional<OpenedPage> page = session_->open(textareaPage(), &error);
    ASSERT_TRUE(page && page->composerSurface()) << error.toStdString();
    ASSERT_EQ(focused(), page->pid) << "the compositor did not focus the browser";

    QElapsedTimer shown;
    shown.start();
    ASSERT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }, kShowAfterStart))
        << "no palette above the composer within " << kShowAfterStart.count()
        << " ms; tandrel said:\n"
        << tandrel.output().toStdString();
    std::printf("palette on screen %lld ms after tandrel started\n",
                static_cast<long long>(shown.elapsed()));
    const auto palette = settledPalette(tandrel, *page->composerSurface());
    ASSERT_TRUE(palette) << "the palette went away";
    EXPECT_TRUE(placedAbove(*palette, *page->composerSurface()));
    EXPECT_EQ(focused(), page->pid) << "the palette took the keyboard focus";

    std::vector<DesktopSession::SentMessage> sent = clickAndCollect(*palette);
    ASSERT_EQ(sent.size(), 1u) << "tandrel said:\n" << tandrel.output().toStdString();
    EXPECT_EQ(sent.front().text, kPrompt);
    EXPECT_EQ(sent.front().url, page->url);

    std::optional<std::optional<QByteArray>> clipboard;
    EXPECT_TRUE(waitUntil([&] {
        clipboard = session_->paste(user.type, &error);
        return clipboard && *clipboard == user.data;
    })) << "the clipboard does not hold the user's "
        << user.type.toStdString() << " again: " << error.toStdString();
    EXPECT_EQ(focused(), page->pid) << "the browser lost the keyboard focus";

    // An XWayland window in front takes the palette away; the browser back brings it back.
    {
        PlainWindow other(QStringLiteral("Xterm-like"));
        ASSERT_TRUE(other.isValid());
        ASSERT_TRUE(waitUntil([&] { return focused() != page->pid; }))
            << "the compositor did not focus the XWayland window";
        EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
            << "the palette stayed over the XWayland window";
    }
    EXPECT_TRUE(waitUntil([&] { return focused() == page->pid; }))
        << "the compositor did not give the browser the focus back";
    const auto back = settledPalette(tandrel, *page->composerSurface());
    ASSERT_TRUE(back) << "no palette once the browser was back in front; tandrel said:\n"
                      << tandrel.output().toStdString();
    EXPECT_TRUE(placedAbove(*back, *page->composerSurface()));

    // The user types on the real keyboard, then sends again: keys from the real keyboard and
    // from Tandrel's alternate at the compositor, and the browser keeps its focus throughout.
    ASSERT_TRUE(session_->key(QStringLiteral("a"), &error)) << error.toStdString();
    sent = clickAndCollect(*settledPalette(tandrel, *page->composerSurface()));
    ASSERT_EQ(sent.size(), 1u) << "tandrel said:\n" << tandrel.output().toStdString();
    EXPECT_EQ(sent.front().text, QStringLiteral("a") + kPrompt);

    // The browser crashes under the palette: its window goes, and so must the palette, while
    // tandrel carries on.
    ASSERT_TRUE(tandrel.palette());
    ASSERT_EQ(::kill(pid_t(page->pid), SIGKILL), 0);
    EXPECT_TRUE(waitUntil([&] { return !tandrel.palette(); }, kShowTime))
        << "the palette stayed after the browser was killed";
    EXPECT_TRUE(tandrel.isRunning()) << tandrel.output().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Compositors, NativeWayland,
                         testing::Values(Row{Compositor::Sway, true},
                                         Row{Compositor::Sway, false, 2}, Row{Compositor::KWin},
                                         Row{Compositor::GnomeShell, true}),
                         rowName);

} // namespace
} // namespace tandrel::e2e
