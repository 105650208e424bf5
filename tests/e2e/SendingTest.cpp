// SPDX-License-Identifier: MIT

// Sending a prompt on the real desktop: the sender, the focus tracker and the Linux layer in this
// process, Chromium showing the fixture pages, and the user's clipboard held by another process.

#include "app/sending/PromptSender.h"
#include "testing/Fixtures.h"
#include "tests/e2e/ForeignClipboard.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <utility>
#include <vector>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;
using Content = ForeignClipboard::Content;

struct Status {
    std::optional<QString> text;
    bool busy = false;
};

// A photo-like image as a screenshot tool leaves it: noise does not compress, so a few megabytes.
QByteArray noisePng() {
    QImage image(1400, 1000, QImage::Format_RGB32);
    QRandomGenerator random(8);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

class Sending
    : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::InProcessWithClipboard> {
protected:
    void TearDown() override { clipboard_.release(); }

    ChatTarget waitForTarget(FocusTracker& tracker) {
        std::optional<ChatTarget> target;
        EXPECT_TRUE(waitUntil([&] { return bool(target = tracker.current(true)); }))
            << "the page's input was never found as a chat composer";
        return target.value_or(ChatTarget{});
    }

    struct Outcome {
        std::vector<Status> statuses;
        std::vector<DesktopSession::SentMessage> sent;
        std::string input; // after a failed send, what the input held
    };

    // Sends the prompt into the focused input of the open page and waits for the insertion to
    // end, and for whatever the page then sends.
    Outcome send(const QString& text) {
        Outcome outcome;
        QString error;
        FocusTracker tracker(desktop_->accessibility(), desktop_->workspace(), desktop_->clock());
        const ChatTarget target = waitForTarget(tracker);
        EXPECT_TRUE(session_->takeSent(&error)) << error.toStdString();
        PromptSender sender(desktop_->pasteboard(), desktop_->keyEvents(), desktop_->clock(),
                            tracker);
        QObject::connect(&sender, &PromptSender::statusChanged,
                         [&](const std::optional<QString>& status) {
                             outcome.statuses.push_back({status, sender.busy()});
                         });
        sender.send(Prompt(QUuid::createUuid(), QStringLiteral("Prompt"), text), target);
        EXPECT_TRUE(waitUntil([&] { return !sender.busy(); })) << "the insertion never ended";
        if (!outcome.statuses.empty() && outcome.statuses.back().text)
            outcome.input = describeInput(tracker, target);
        // A page sends within a few hundredths of a second; a second message would follow soon.
        const QDeadlineTimer deadline(outcome.statuses.back().text ? 700ms : 3000ms);
        waitUntil([&] {
            if (auto sent = session_->takeSent(&error))
                outcome.sent.insert(outcome.sent.end(), sent->begin(), sent->end());
            return deadline.hasExpired();
        });
        return outcome;
    }

    // What the input holds when a send failed: a paste that came late, went elsewhere or arrived
    // altered each read differently here.
    static std::string describeInput(FocusTracker& tracker, const ChatTarget& target) {
        const ComposerTextSnapshot now = tracker.reads().textSnapshot(target.element);
        if (!now.isReadable())
            return "; the input cannot be read";
        return "; the input holds: \"" + now.text()->right(120).toStdString() + "\"";
    }

    void expectClipboard(const Content& content) {
        for (const auto& [type, bytes] : content) {
            const std::optional<QByteArray> now = ForeignClipboard::read(type);
            ASSERT_TRUE(now) << type.toStdString() << " is gone from the clipboard";
            EXPECT_TRUE(*now == bytes) << type.toStdString() << ": " << now->size()
                                       << " bytes now, " << bytes.size() << " before";
        }
    }

    ForeignClipboard clipboard_;
};

const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");

TEST_F(Sending, PageReceivesThePromptOnceAndEveryKindOfClipboardComesBackByteForByte) {
    openPage(textareaPage());
    const std::pair<const char*, Content> clipboards[] = {
        {"plain text", {{"text/plain", QByteArray("the user's own words, ü and 😀")}}},
        {"rich copy",
         {{"text/html", QByteArray("<meta charset='utf-8'><b>bold</b> and <i>ü</i>")},
          {"text/plain", QByteArray("bold and ü")}}},
        {"screenshot", {{"image/png", noisePng()}}},
    };
    for (const auto& [name, content] : clipboards) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(clipboard_.copy(content));
        ASSERT_TRUE(ForeignClipboard::read(content.front().first))
            << "the copy did not reach the clipboard";
        const Outcome outcome = send(kPrompt);
        ASSERT_FALSE(outcome.statuses.empty());
        EXPECT_TRUE(outcome.statuses.front().busy && !outcome.statuses.front().text);
        EXPECT_FALSE(outcome.statuses.back().text)
            << outcome.statuses.back().text->toStdString() << outcome.input;
        ASSERT_EQ(outcome.sent.size(), 1u) << "the page must send exactly once";
        EXPECT_EQ(outcome.sent[0].text, kPrompt);
        expectClipboard(content);
    }
}

TEST_F(Sending, RichTextComposerWithParagraphsGetsThePromptAtItsEnd) {
    openPage(contenteditablePage());
    const Content content{{"text/plain", QByteArray("kept")}};
    ASSERT_TRUE(clipboard_.copy(content));
    const QString prompt = QString::fromUtf8("Translate this into French, please ✓ 😀");
    const Outcome outcome = send(prompt);
    ASSERT_FALSE(outcome.statuses.empty());
    EXPECT_FALSE(outcome.statuses.back().text)
        << outcome.statuses.back().text->toStdString() << outcome.input;
    ASSERT_EQ(outcome.sent.size(), 1u);
    const QString& sent = outcome.sent[0].text;
    EXPECT_TRUE(sent.startsWith(QStringLiteral("First paragraph of the draft.")))
        << sent.toStdString();
    EXPECT_TRUE(sent.endsWith(prompt)) << sent.toStdString();
    EXPECT_EQ(sent.count(prompt), 1);
    expectClipboard(content);
}

TEST_F(Sending, PagesThatHideOrAlterThePasteAreNeverSentTo) {
    const Content content{{"text/html", QByteArray("<p>rich</p>")},
                          {"text/plain", QByteArray("rich")}};
    for (const char* page : {"https://chatgpt.com/textarea.html?paste=ignore",
                             "https://chatgpt.com/textarea.html?paste=extra"}) {
        SCOPED_TRACE(page);
        openPage(QString::fromLatin1(page));
        ASSERT_TRUE(clipboard_.copy(content));
        const Outcome outcome = send(kPrompt);
        ASSERT_FALSE(outcome.statuses.empty());
        EXPECT_EQ(outcome.statuses.back().text,
                  QStringLiteral("Could not verify insertion. Return was not pressed."));
        EXPECT_TRUE(outcome.sent.empty()) << "the page sent " << outcome.sent[0].text.toStdString();
        expectClipboard(content);
    }
}

// Another application copies while the checks run (the page never shows the paste, so they run
// their whole budget): its copy is newer than the prompt and is not overwritten by the put-back.
TEST_F(Sending, CopyByAnotherApplicationDuringTheChecksStaysOnTheClipboard) {
    openPage(QStringLiteral("https://chatgpt.com/textarea.html?paste=ignore"));
    ASSERT_TRUE(clipboard_.copy({{"text/plain", QByteArray("before the send")}}));
    ForeignClipboard other;
    const Content newer{{"text/plain", QByteArray("copied during the send")}};
    bool copied = false;
    // Copies once the prompt is on the clipboard, so the copy comes after the sender's write.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ForeignClipboard::read(QStringLiteral("text/plain")) != kPrompt.toUtf8())
            return;
        poll.stop();
        copied = other.copy(newer);
    });
    poll.start(50);
    const Outcome outcome = send(kPrompt);
    ASSERT_TRUE(copied) << "the prompt was never seen on the clipboard";
    ASSERT_FALSE(outcome.statuses.empty());
    EXPECT_EQ(outcome.statuses.back().text,
              QStringLiteral("Could not verify insertion. Return was not pressed."));
    expectClipboard(newer);
}

} // namespace
} // namespace tandrel::e2e
