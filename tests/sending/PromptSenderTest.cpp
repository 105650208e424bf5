// SPDX-License-Identifier: MIT
#include "app/sending/PromptSender.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/WebChatScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace tandrel;
using namespace tandrel::sim;
using Verb = SimKeyEvents::Verb;

namespace {

const QString kCannotVerify = QStringLiteral("This input cannot be verified. Nothing was sent.");
const QString kWriteFailed = QStringLiteral("Could not put the prompt on the clipboard.");
const QString kFocusBeforePaste = QStringLiteral("Focus changed. Nothing was sent.");
const QString kFocusDuringCheck = QStringLiteral("Focus changed. Return was not pressed.");
const QString kNotVerified = QStringLiteral("Could not verify insertion. Return was not pressed.");
const QString kReturnFailed = QStringLiteral("Prompt inserted. Press Return to send.");
const QString kNotResponding =
    QStringLiteral("The application is not responding. Nothing was sent.");
const QString kNotSaved = QStringLiteral("Could not save your clipboard. Nothing was sent.");
const QString kNotRestored = QStringLiteral(" Could not restore your clipboard.");

struct Status {
    std::optional<QString> text;
    bool busy = false;
    friend bool operator==(const Status&, const Status&) = default;
};

void PrintTo(const Status& s, std::ostream* os) {
    *os << "{" << (s.text ? '"' + s.text->toStdString() + '"' : std::string("none"))
        << (s.busy ? ", busy}" : ", idle}");
}

// A rich copy: two items, the first with an HTML and a plain-text form.
std::vector<PasteboardItem> richCopy() {
    return {{{"text/html", "<b>bold</b> words"}, {"text/plain", "bold words"}},
            {{"image/png", QByteArray("\x89PNG\r\n\x1a\n\0\0", 10)}}};
}

class Sending : public ::testing::Test {
public:
    Sending() {
        QObject::connect(&sender, &PromptSender::statusChanged,
                         [this](const std::optional<QString>& text) {
                             statuses.push_back({text, sender.busy()});
                         });
        clipboard().copy(richCopy());
    }

    ChatTarget target() {
        const std::optional<ChatTarget> found = tracker.current(true);
        EXPECT_TRUE(found) << "the chat input should be the target";
        return found.value_or(ChatTarget{});
    }
    // A click on the target; the clipboard's owner answers at once unless a case says otherwise.
    void send() { send(target()); }
    void send(const ChatTarget& to) {
        sender.send(prompt, to);
        sim.advance(0);
    }
    SimPasteboard& clipboard() { return sim.pasteboard(); }
    SimKeyEvents& keys() { return sim.keyEvents(); }
    double now() { return sim.manualClock().uptime(); }
    // A second input in the same page, which takes the focus.
    void focusAnotherInput() {
        chat.browser->focus(chat.body.child(a11y::Role::textArea).text("other"));
    }
    void browserAnswers(bool answering) { sim.ax().setAnswering(chat.browser->pid(), answering); }
    // Answers true for the prompt's text as the sender puts it on the clipboard.
    std::function<bool(const PasteboardContent&)> isThePrompt() {
        return [text = prompt.text](const PasteboardContent& content) {
            return content == plainTextContent(text);
        };
    }
    int pastes() {
        return int(std::count_if(keys().keys().begin(), keys().keys().end(),
                                 [](const auto& key) { return key.verb == Verb::paste; }));
    }

    SimDesktop sim;
    test::WebChatScene chat = test::buildWebChat(sim);
    FocusTracker tracker{sim.accessibility(), sim.workspace(), sim.clock()};
    PromptSender sender{sim.pasteboard(), sim.keyEvents(), sim.clock(), tracker};
    Prompt prompt{QUuid::createUuid(), "Summary", "Summarize this thread in three bullets."};
    std::vector<Status> statuses;
};

TEST_F(Sending, VerifiedPastePressesReturnOnceAndRestoresTheClipboardOnlyAfterTheDelay) {
    send();
    ASSERT_TRUE(sender.busy());
    EXPECT_EQ(clipboard().text(), prompt.text) << "the prompt is on the clipboard while pasting";
    ASSERT_EQ(keys().keys().size(), 1u);
    EXPECT_EQ(keys().keys()[0].verb, Verb::paste);
    const double pasted = now();

    sim.advance(0.08); // the text showed after 0.02 s; the first check finds it
    const auto returns = keys().submits();
    ASSERT_EQ(returns.size(), 1u);
    EXPECT_NEAR(returns[0].time - pasted, 0.08, 1e-6);
    EXPECT_EQ(returns[0].focused, chat.input.node());
    EXPECT_EQ(returns[0].text, "hi" + prompt.text);
    EXPECT_TRUE(sender.busy()) << "buttons stay disabled until the clipboard is back";
    EXPECT_EQ(clipboard().text(), prompt.text);

    sim.advance(0.29);
    EXPECT_TRUE(sender.busy());
    sim.advance(0.01);
    EXPECT_FALSE(sender.busy());
    EXPECT_EQ(clipboard().items(), richCopy()) << "every item with every type comes back";
    EXPECT_EQ(statuses, (std::vector<Status>{{std::nullopt, true}, {std::nullopt, false}}));
    sim.advance(5);
    EXPECT_EQ(keys().keys().size(), 2u) << "nothing more after the insertion ended";
    EXPECT_EQ(sim.manualClock().pendingCount(), 0u);
}

TEST_F(Sending, EmptyClipboardIsEmptyAgainAndTypesWithoutDataAreLeftOut) {
    clipboard().copy({});
    send();
    sim.advance(0.4);
    EXPECT_TRUE(clipboard().items().empty()) << "not left holding the prompt";
    EXPECT_EQ(keys().submits().size(), 1u);

    // An item whose only type the owner never delivers still holds its place in the list.
    clipboard().copy({{{"text/plain", "kept"}, {"x-broken", "never"}}, {{"x-broken", "never"}}});
    clipboard().withhold("x-broken");
    send();
    sim.advance(0.4);
    EXPECT_EQ(clipboard().items(),
              (std::vector<PasteboardItem>{{{"text/plain", "kept"}}, PasteboardItem{}}));
}

TEST_F(Sending, PressingAgainWhileBusyOrAfterTheFocusLeftOnlyBeeps) {
    const ChatTarget found = target();
    send();
    send(found);
    EXPECT_EQ(keys().beeps(), 1);
    EXPECT_EQ(keys().keys().size(), 1u) << "no second paste";
    EXPECT_EQ(statuses.size(), 1u) << "a beep reports no status";
    sim.advance(0.5);
    EXPECT_EQ(keys().submits().size(), 1u);

    // The target the palette last saw is no longer focused.
    focusAnotherInput();
    const int clipboardWrites = clipboard().writes();
    send(found);
    EXPECT_EQ(keys().beeps(), 2);
    EXPECT_FALSE(sender.busy());
    EXPECT_EQ(clipboard().writes(), clipboardWrites);
    EXPECT_EQ(statuses.size(), 2u);

    // A stopped browser has not said where its focus is: the click is answered in words.
    chat.browser->focus(chat.input);
    browserAnswers(false);
    send(found);
    EXPECT_EQ(keys().beeps(), 2);
    EXPECT_EQ(statuses.back(), (Status{kNotResponding, false}));
    EXPECT_EQ(clipboard().writes(), clipboardWrites);
}

TEST_F(Sending, UnreadableInputIsRefusedBeforeTheClipboardIsTouched) {
    chat.input.fail(a11y::Question::text, Failure::notAnswering);
    send();
    EXPECT_EQ(statuses, (std::vector<Status>{{kCannotVerify, false}}));
    EXPECT_EQ(clipboard().writes(), 0);
    EXPECT_TRUE(keys().keys().empty());
    EXPECT_EQ(clipboard().items(), richCopy());
}

TEST_F(Sending, CopyByTheUserDuringVerificationStaysOnTheClipboard) {
    keys().setBehaviour(chat.input, {0.5, PasteBehaviour::Shape::exact});
    send();
    sim.advance(0.2);
    clipboard().copyText("my own copy");
    sim.advance(1.0);
    EXPECT_EQ(keys().submits().size(), 1u);
    EXPECT_FALSE(sender.busy());
    EXPECT_EQ(clipboard().text(), "my own copy");
    EXPECT_EQ(clipboard().items().size(), 1u);
}

// Every way an insertion can end short of Return: its status, when it comes (seconds from the
// paste keystroke), and that the user's clipboard is back at that moment.
class SendingEndings;
struct Ending {
    const char* name;
    PasteBehaviour input;
    std::function<void(SendingEndings&)> beforeSend;
    std::function<void(SendingEndings&)> afterSend;
    double seconds;
    QString status;
    bool pasted = true;
    bool written = true; // the prompt went onto the clipboard
};

void PrintTo(const Ending& ending, std::ostream* os) {
    *os << ending.name;
}

class SendingEndings : public Sending, public ::testing::WithParamInterface<Ending> {
public:
    std::unique_ptr<Handle> focusMove;
};

using Shape = PasteBehaviour::Shape;
const Ending kEndings[] = {
    {"FocusMovesAfterPaste",
     {},
     nullptr,
     [](SendingEndings& s) {
         s.focusMove = s.sim.manualClock().runAfter(0.05, [&s] { s.focusAnotherInput(); });
     },
     0.08,
     kFocusDuringCheck},
    {"TextNeverShows", {std::nullopt}, nullptr, nullptr, 1.6, kNotVerified},
    {"InputAddsACharacter", {0.02, Shape::extraCharacter}, nullptr, nullptr, 1.6, kNotVerified},
    {"InputPastesTwice", {0.02, Shape::twice}, nullptr, nullptr, 1.6, kNotVerified},
    {"InputAddsABlankLine", {0.02, Shape::separated}, nullptr, nullptr, 1.6, kNotVerified},
    // The user's clipboard cannot be saved whole in time: nothing is written or pasted.
    {"ClipboardOwnerNeverAnswers",
     {},
     [](SendingEndings& s) { s.clipboard().setOwnerDelay(std::nullopt); },
     nullptr,
     1.0,
     kNotSaved,
     false,
     false},
    {"ClipboardOwnerTooSlow",
     {},
     [](SendingEndings& s) { s.clipboard().setOwnerDelay(0.34); }, // three types
     nullptr,
     1.0,
     kNotSaved,
     false,
     false},
    // The user switches away while a slow owner hands over the clipboard: the paste is held.
    {"FocusMovesWhileTheClipboardIsSaved",
     {},
     [](SendingEndings& s) { s.clipboard().setOwnerDelay(0.3); },
     [](SendingEndings& s) {
         s.focusMove = s.sim.manualClock().runAfter(0.5, [&s] { s.focusAnotherInput(); });
     },
     0.9,
     kFocusBeforePaste,
     false,
     false},
    {"ClipboardWriteFails",
     {},
     [](SendingEndings& s) { s.clipboard().refuseWrites(s.isThePrompt()); },
     nullptr,
     0,
     kWriteFailed,
     false},
    {"PasteKeystrokeFails",
     {},
     [](SendingEndings& s) { s.keys().fail(Verb::paste); },
     nullptr,
     0,
     kFocusBeforePaste,
     false},
    {"ApplicationStopsAnsweringWhileTheClipboardIsSaved",
     {},
     [](SendingEndings& s) {
         // The moment the click is accepted, the browser goes busy.
         QObject::disconnect(&s.sender, &PromptSender::statusChanged, nullptr, nullptr);
         QObject::connect(&s.sender, &PromptSender::statusChanged,
                          [&s](const std::optional<QString>& text) {
                              s.statuses.push_back({text, s.sender.busy()});
                              s.browserAnswers(false);
                          });
     },
     nullptr,
     0,
     kNotResponding,
     false,
     false},
    {"ApplicationNeverAnswersAfterPaste",
     {},
     nullptr,
     [](SendingEndings& s) { s.browserAnswers(false); },
     1.6,
     kNotVerified},
    {"TextReadsTimeOutAfterPaste",
     {},
     nullptr,
     [](SendingEndings& s) { s.chat.input.fail(a11y::Question::text, Failure::notAnswering); },
     1.6,
     kNotVerified},
    {"ReturnKeystrokeFails",
     {},
     [](SendingEndings& s) { s.keys().fail(Verb::submit); },
     nullptr,
     0.08,
     kReturnFailed},
};

TEST_P(SendingEndings, EndWithTheirStatusNoReturnAndTheClipboardBack) {
    const Ending& ending = GetParam();
    keys().setBehaviour(chat.input, ending.input);
    if (ending.beforeSend)
        ending.beforeSend(*this);

    const double start = now();
    const int writes = clipboard().writes();
    send();
    if (ending.afterSend)
        ending.afterSend(*this);
    if (ending.seconds > 0) {
        sim.advance(ending.seconds - 0.001);
        EXPECT_TRUE(sender.busy()) << "still checking just before the end";
        sim.advance(0.001);
    }
    EXPECT_NEAR(now() - start, ending.seconds, 1e-6);
    EXPECT_FALSE(sender.busy());
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), (Status{ending.status, false}));
    EXPECT_EQ(clipboard().items(), richCopy());
    sim.advance(3);
    EXPECT_EQ(keys().submits().size(), 0u);
    EXPECT_EQ(pastes(), ending.pasted ? 1 : 0);
    if (!ending.written) {
        EXPECT_EQ(clipboard().writes(), writes) << "the user's clipboard was never touched";
    }
    EXPECT_EQ(statuses.size(), 2u) << "buttons disabled once, then one status";
    EXPECT_EQ(sim.manualClock().pendingCount(), 0u) << "no check left running";
}

INSTANTIATE_TEST_SUITE_P(, SendingEndings, ::testing::ValuesIn(kEndings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Sending, SlowInputIsVerifiedAtTheThirteenthCheck) {
    keys().setBehaviour(chat.input, {1.0, PasteBehaviour::Shape::exact});
    const double start = now();
    send();
    sim.advance(2);
    const auto returns = keys().submits();
    ASSERT_EQ(returns.size(), 1u);
    EXPECT_NEAR(returns[0].time - start, 13 * 0.08, 1e-9);
    EXPECT_EQ(statuses.back(), (Status{std::nullopt, false}));
}

// The browser asks us for the clipboard's text after the paste and answers nothing meanwhile:
// each silent check counts as one not verified, within the same twenty.
TEST_F(Sending, ApplicationSilentForSomeChecksIsCheckedAgainWithinTheSameBudget) {
    struct Case {
        int silentChecks;
        bool focusMovesMeanwhile;
        std::optional<QString> status; // none: sent
        int endsAtCheck;               // 1-based
    };
    const Case cases[] = {
        {1, false, std::nullopt, 2},
        {19, false, std::nullopt, 20},
        {20, false, kNotVerified, 20},
        {3, true, kFocusDuringCheck, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.silentChecks << " silent checks");
        chat.input.text("hi");
        keys().clearRecords();
        statuses.clear();
        const ChatTarget found = target();
        const double start = now();
        send(found);
        browserAnswers(false);
        // Answers again between the last silent check and the next one.
        const auto wake = sim.manualClock().runAfter(c.silentChecks * 0.08 + 0.04, [&] {
            if (c.focusMovesMeanwhile)
                focusAnotherInput();
            browserAnswers(true);
        });
        sim.advance(c.endsAtCheck * 0.08 - 0.001);
        EXPECT_TRUE(sender.busy());
        sim.advance(0.001);
        const auto returns = keys().submits();
        if (c.status) {
            EXPECT_TRUE(returns.empty());
            EXPECT_EQ(statuses.back(), (Status{c.status, false}));
        } else {
            ASSERT_EQ(returns.size(), 1u);
            EXPECT_NEAR(returns[0].time - start, c.endsAtCheck * 0.08, 1e-9);
            EXPECT_EQ(returns[0].text, "hi" + prompt.text);
        }
        sim.advance(2);
        EXPECT_FALSE(sender.busy());
        EXPECT_EQ(clipboard().items(), richCopy());
        EXPECT_EQ(keys().submits().size(), c.status ? 0u : 1u);
        chat.browser->focus(chat.input);
    }
}

TEST_F(Sending, PasteReplacesTheSelectionAndIsVerifiedThere) {
    chat.input.text("one two three").selection({4, 3});
    prompt.text = "2";
    send();
    sim.advance(0.08);
    ASSERT_EQ(keys().submits().size(), 1u);
    EXPECT_EQ(keys().submits()[0].text, "one 2 three");
}

TEST_F(Sending, SenderGoingAwayMidInsertionPutsTheClipboardBackAndStaysSilent) {
    auto early =
        std::make_unique<PromptSender>(sim.pasteboard(), sim.keyEvents(), sim.clock(), tracker);
    int reports = 0;
    QObject::connect(early.get(), &PromptSender::statusChanged,
                     [&](const std::optional<QString>&) { ++reports; });
    early->send(prompt, target());
    sim.advance(0);
    ASSERT_EQ(clipboard().text(), prompt.text);
    early.reset();
    EXPECT_EQ(clipboard().items(), richCopy());
    sim.advance(3);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(keys().submits().empty());
}

// A clipboard that refuses the saved content back is said so, whatever the ending.
TEST_F(Sending, RestoreThatIsRefusedIsSaid) {
    clipboard().refuseWrites(
        [](const PasteboardContent& content) { return content == richCopy(); });
    send();
    sim.advance(0.4);
    EXPECT_EQ(keys().submits().size(), 1u);
    EXPECT_EQ(statuses.back(), (Status{kNotRestored.trimmed(), false}));

    clipboard().copy(richCopy());
    keys().setBehaviour(chat.input, {std::nullopt});
    send();
    sim.advance(2);
    EXPECT_EQ(statuses.back(), (Status{kNotVerified + kNotRestored, false}));
}

} // namespace
