// SPDX-License-Identifier: MIT

// Sending with the real tandrel: a click on a palette button reaches the chat page as exactly one
// message, the user's clipboard comes back, the buttons are out of use meanwhile, a page that
// never shows the paste is never sent to, and a clipboard owner that does not answer costs the
// user neither their clipboard nor a paste somewhere else.

#include "core/ConfigurationStore.h"
#include "testing/Fixtures.h"
#include "tests/e2e/ProgramFlows.h"

#include <QElapsedTimer>

#include <csignal>
#include <cstdio>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kLabel = QStringLiteral("Summary");
const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");
const QString kNotVerified = QStringLiteral("Could not verify insertion. Return was not pressed.");
const QString kNotSaved = QStringLiteral("Could not save your clipboard. Nothing was sent.");
const QString kButton = QStringLiteral("push button");

// A running tandrel whose only prompt is kPrompt, its palette up above the page's composer;
// answers that prompt's button.
AccessibleObject startWithPalette(TandrelProgram& tandrel) {
    const Prompt prompt(QUuid::createUuid(), kLabel, kPrompt);
    EXPECT_NO_THROW(ConfigurationStore(tandrel.promptsPath()).save(Configuration({prompt})));
    QString error;
    tandrel.exposeWidgets();
    EXPECT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    const std::optional<AccessibleObject> button = waitForWidget(tandrel, kButton, kLabel);
    EXPECT_TRUE(button && button->enabled)
        << "no usable prompt button on the palette; tandrel said:\n"
        << tandrel.output().toStdString();
    return button.value_or(AccessibleObject{});
}

// Where the palette shows first may still move once the page has settled (a browser that lays out
// its page a second time): the button is where two readings a moment apart agree.
AccessibleObject settledButton(const TandrelProgram& tandrel, AccessibleObject button) {
    waitUntil([&] {
        runEventLoop(300ms);
        const std::optional<AccessibleObject> now = findShowing(tandrel.pid(), kButton, kLabel);
        const bool settled = now && now->extents == button.extents;
        if (now)
            button = *now;
        return settled;
    });
    return button;
}

// Whether the prompt button was disabled (so pressed) and then enabled again, as announced.
struct ButtonUse {
    bool disabled = false;
    bool enabledAgain = false;
};
ButtonUse buttonUse(const EnabledChanges& changes) {
    ButtonUse use;
    for (const EnabledChanges::Change& change : changes.changes()) {
        if (change.role == kButton && change.name == kLabel) {
            use.disabled = use.disabled || !change.enabled;
            use.enabledAgain = use.disabled && change.enabled;
        }
    }
    return use;
}

// What the palette showed: its labels' texts, the status line among them.
std::string paletteTexts(const TandrelProgram& tandrel) {
    std::string texts;
    for (const AccessibleObject& object : showingObjectsOf(tandrel.pid()))
        if (object.role == QStringLiteral("label") && !object.name.isEmpty())
            texts += " \"" + object.name.toStdString() + "\"";
    return texts.empty() ? " none" : texts;
}

TEST_F(ProgramFlows, DoubleClickedButtonSendsThePromptOnceAndGivesTheClipboardBack) {
    const OpenedPage page = openPage(textareaPage());
    const QByteArray copied("the user's own words, ü and 😀");
    ASSERT_TRUE(clipboard_.copy({{QStringLiteral("text/plain"), copied}}));
    TandrelProgram tandrel;
    const AccessibleObject button = settledButton(tandrel, startWithPalette(tandrel));
    ASSERT_FALSE(button.extents.isEmpty());

    EnabledChanges changes(tandrel.pid());
    ASSERT_TRUE(changes.isListening());
    forgetSent();
    // A double click: the second press comes while the first insertion runs.
    ASSERT_TRUE(clickAt(button.centre().x(), button.centre().y(), 2));

    const auto sent = collectSent(10s, 1500ms);
    ASSERT_EQ(sent.size(), 1u) << "the page must receive the prompt exactly once; the button "
                               << (buttonUse(changes).disabled ? "was" : "was never")
                               << " pressed; the palette showed:" << paletteTexts(tandrel)
                               << "; tandrel said:\n"
                               << tandrel.output().toStdString();
    EXPECT_EQ(sent[0].text, kPrompt);

    // The prompt button was disabled during the insertion and is usable again after it.
    EXPECT_TRUE(waitUntil([&] {
        const auto now = findShowing(tandrel.pid(), kButton, kLabel);
        return now && now->enabled;
    })) << "the prompt button stayed disabled";
    const auto [disabled, enabledAgain] = buttonUse(changes);
    EXPECT_TRUE(disabled) << "the prompt button was never disabled during the insertion";
    EXPECT_TRUE(enabledAgain);

    const std::optional<QByteArray> after = ForeignClipboard::read(QStringLiteral("text/plain"));
    ASSERT_TRUE(after) << "the clipboard is empty after sending";
    EXPECT_EQ(*after, copied);
    EXPECT_EQ(inputFocusProcess(), page.pid) << "clicking the palette took the keyboard focus";
}

TEST_F(ProgramFlows, PageThatNeverShowsThePasteGetsNothingAndThePaletteSaysWhy) {
    openPage(QStringLiteral("https://chatgpt.com/textarea.html?paste=ignore"));
    const QByteArray copied("kept");
    ASSERT_TRUE(clipboard_.copy({{QStringLiteral("text/plain"), copied}}));
    TandrelProgram tandrel;
    const AccessibleObject button = startWithPalette(tandrel);
    forgetSent();
    ASSERT_TRUE(click(button));

    EXPECT_TRUE(waitForWidget(tandrel, QStringLiteral("label"), kNotVerified))
        << "the palette's status line never said \"" << kNotVerified.toStdString() << "\"";
    // Return would reach the page within moments: nothing may arrive.
    EXPECT_TRUE(collectSent(1500ms, 0ms).empty()) << "the page was sent to";
    EXPECT_EQ(ForeignClipboard::read(QStringLiteral("text/plain")), copied);
}

// What the page's input holds, read over the accessibility bus; absent when it cannot be read.
std::optional<QString> inputText(const OpenedPage& page) {
    for (const AccessibleObject& object : showingObjectsOf(page.pid))
        if (object.role == QStringLiteral("entry"))
            return object.text;
    return std::nullopt;
}

// The texts of the editor's fields, to tell whether anything was pasted into them.
QStringList fieldTexts(const TandrelProgram& tandrel) {
    QStringList texts;
    for (const AccessibleObject& object : showingObjectsOf(tandrel.pid()))
        if (object.role == QStringLiteral("text"))
            texts << object.name + QStringLiteral(": ") + object.text;
    return texts;
}

// Waits for the palette's prompt button to be usable above the chat again.
std::optional<AccessibleObject> usableButton(const TandrelProgram& tandrel) {
    std::optional<AccessibleObject> button;
    waitUntil([&] {
        button = findShowing(tandrel.pid(), kButton, kLabel);
        return button && button->enabled;
    });
    return button && button->enabled ? button : std::nullopt;
}

// The user's clipboard held by a program that is stopped (SIGSTOP): tandrel keeps answering while
// it reads the clipboard. When the focus moves to another window before the owner answers, the
// paste goes nowhere; while the owner stays stopped, nothing is sent and the palette says why
// within a moment. Either way the clipboard keeps the user's content, and the next click sends
// the prompt once.
TEST_F(ProgramFlows, StoppedClipboardOwnerKeepsItsContentAndNothingIsPastedAnywhere) {
    const OpenedPage page = openPage(textareaPage());
    const ForeignClipboard::Content content{
        {QStringLiteral("text/html"), QByteArray("<meta charset='utf-8'><b>bold</b> ü 😀")},
        {QStringLiteral("text/plain"), QByteArray("bold ü 😀")}};
    ASSERT_TRUE(clipboard_.copy(content));
    const auto expectClipboardKept = [&] {
        for (const auto& [type, bytes] : content)
            EXPECT_EQ(ForeignClipboard::read(type), bytes) << type.toStdString();
    };
    const qint64 owner = clipboard_.pid();
    TandrelProgram tandrel;
    AccessibleObject button = settledButton(tandrel, startWithPalette(tandrel));
    ASSERT_FALSE(button.extents.isEmpty());
    const std::vector<WindowOnScreen> browserWindows = visibleWindowsOf(page.pid);
    ASSERT_FALSE(browserWindows.empty());
    const unsigned long browser = browserWindows.front().id;
    const QString draft = QStringLiteral("Draft ");
    ASSERT_TRUE(typeText(browser, draft));
    const auto input = [&] { return inputText(page).value_or(QStringLiteral("(unreadable)")); };
    ASSERT_TRUE(waitUntil([&] { return input() == draft; })) << "the draft was not typed";

    // The other window: the editor, with the keyboard in its prompt text.
    ASSERT_EQ(tandrel.runAgain().exitCode, 0);
    ASSERT_TRUE(waitUntil([&] { return tandrel.editor().has_value(); }))
        << "the editor did not open";
    const unsigned long editor = tandrel.editor()->id;
    const std::optional<AccessibleObject> field =
        waitForWidget(tandrel, QStringLiteral("text"), QStringLiteral("Prompt text"));
    ASSERT_TRUE(field && click(*field));
    const QStringList fields = fieldTexts(tandrel);
    forgetSent();

    // A launch while the clipboard is being read reaches tandrel (its event loop runs), and brings
    // the editor to the front; the owner answers only once the focus is there.
    ASSERT_TRUE(focusWindow(browser));
    ASSERT_TRUE(usableButton(tandrel)) << "the palette did not come back above the chat";
    button = settledButton(tandrel, button);
    ASSERT_EQ(::kill(pid_t(owner), SIGSTOP), 0);
    QElapsedTimer clicked;
    clicked.start();
    ASSERT_TRUE(click(button));
    const TandrelProgram::Run launch = tandrel.runAgain();
    const qint64 launchMs = clicked.elapsed();
    EXPECT_TRUE(launch.finished && launch.exitCode == 0)
        << "a launch while the clipboard was being read: " << launch.output.toStdString();
    ASSERT_TRUE(focusWindow(editor));
    runEventLoop(std::max(0ms, 400ms - std::chrono::milliseconds(clicked.elapsed())));
    const qint64 resumedMs = clicked.elapsed();
    ASSERT_EQ(::kill(pid_t(owner), SIGCONT), 0);
    EXPECT_TRUE(collectSent(2500ms, 0ms).empty()) << "the page was sent to";
    EXPECT_EQ(fieldTexts(tandrel).join(" | ").toStdString(), fields.join(" | ").toStdString())
        << "something was pasted into the editor";
    EXPECT_EQ(input().toStdString(), draft.toStdString()) << "the input changed";
    expectClipboardKept();

    // The owner stays stopped.
    ASSERT_TRUE(focusWindow(browser));
    ASSERT_TRUE(usableButton(tandrel)) << "the palette did not come back above the chat";
    const std::string afterFocusMove = paletteTexts(tandrel);
    button = settledButton(tandrel, button);
    ASSERT_EQ(::kill(pid_t(owner), SIGSTOP), 0);
    clicked.restart();
    ASSERT_TRUE(click(button));
    // Asked while the clipboard is being read: the event loop runs and answers.
    runEventLoop(200ms);
    QElapsedTimer asked;
    asked.start();
    EXPECT_TRUE(findShowing(tandrel.pid(), kButton, kLabel))
        << "tandrel did not answer while the clipboard was being read";
    const qint64 answerMs = asked.elapsed();
    EXPECT_TRUE(waitForWidget(tandrel, QStringLiteral("label"), kNotSaved))
        << "the palette's status line never said \"" << kNotSaved.toStdString()
        << "\"; it showed:" << paletteTexts(tandrel);
    const qint64 statusMs = clicked.elapsed();
    EXPECT_TRUE(collectSent(1500ms, 0ms).empty()) << "the page was sent to";
    EXPECT_EQ(input().toStdString(), draft.toStdString()) << "the input changed";
    std::printf("a launch answered %lld ms after the click and the owner resumed at %lld ms, the "
                "focus elsewhere; back above the chat, the palette showed:%s\n"
                "with the owner stopped, the status showed %lld ms after the click, and an "
                "accessibility request was answered in %lld ms meanwhile\n",
                static_cast<long long>(launchMs), static_cast<long long>(resumedMs),
                afterFocusMove.c_str(), static_cast<long long>(statusMs),
                static_cast<long long>(answerMs));
    ASSERT_EQ(::kill(pid_t(owner), SIGCONT), 0);
    expectClipboardKept();

    // The next click sends the prompt once, after the draft, and gives the clipboard back.
    ASSERT_TRUE(focusWindow(browser));
    ASSERT_TRUE(usableButton(tandrel)) << "the palette did not come back above the chat";
    forgetSent();
    ASSERT_TRUE(click(settledButton(tandrel, button)));
    const auto sent = collectSent(10s, 1500ms);
    ASSERT_EQ(sent.size(), 1u) << "the page must receive the prompt exactly once; the palette "
                               << "showed:" << paletteTexts(tandrel);
    EXPECT_EQ(sent[0].text, draft + kPrompt);
    expectClipboardKept();
    EXPECT_EQ(fieldTexts(tandrel).join(" | ").toStdString(), fields.join(" | ").toStdString());
}

} // namespace
} // namespace tandrel::e2e
