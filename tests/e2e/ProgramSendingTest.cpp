// Sending with the real tandrel: a click on a palette button reaches the chat page as exactly one
// message, the user's clipboard comes back, the buttons are out of use meanwhile, and a page that
// never shows the paste is never sent to.

#include "core/ConfigurationStore.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/ProgramFlows.h"

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kLabel = QStringLiteral("Summary");
const QString kPrompt =
    QString::fromUtf8("Summarize this thread in three bullets.\nKeep each under ten words ✓ 😀");
const QString kNotVerified = QStringLiteral("Could not verify insertion. Return was not pressed.");
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

} // namespace
} // namespace tandrel::e2e
