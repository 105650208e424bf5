// SPDX-License-Identifier: MIT

// The editor of the real tandrel, typed into as a user types: the first launch opens it, a saved
// edit reaches the prompts file exactly and the palette above the chat, a preview shows the
// unsaved buttons above the text area, and a save that cannot be written loses nothing.

#include "core/ConfigurationStore.h"
#include "testing/Fixtures.h"
#include "tests/e2e/ProgramFlows.h"

#include <QDir>
#include <QFile>

namespace tandrel::e2e {
namespace {

using namespace std::chrono_literals;

const QString kButton = QStringLiteral("push button");
const QString kLabelField = QStringLiteral("Button label");
const QString kTextField = QStringLiteral("Prompt text");
// Typed with keystrokes: accents, a check mark and an emoji beyond the basic plane, two lines.
const QString kTypedLabel = QString::fromUtf8("Résumé ✓");
const QString kTypedText = QString::fromUtf8("Fasse zusammen: größte Punkte 😀\nDann frage nach.");

// Starts tandrel and waits for its editor, whose label field it answers.
AccessibleObject startWithEditor(TandrelProgram& tandrel) {
    tandrel.exposeWidgets();
    QString error;
    EXPECT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    EXPECT_TRUE(waitUntil([&] { return tandrel.editor().has_value(); }))
        << "the editor did not open; tandrel said:\n"
        << tandrel.output().toStdString();
    return waitForWidget(tandrel, QStringLiteral("text"), kLabelField).value_or(AccessibleObject{});
}

// Replaces the selected prompt's label and text by typing, as a user would.
void typeLabelAndText(TandrelProgram& tandrel, const QString& label, const QString& text) {
    const std::optional<WindowOnScreen> editor = tandrel.editor();
    ASSERT_TRUE(editor);
    for (const auto& [field, typed] :
         {std::pair{kLabelField, label}, std::pair{kTextField, text}}) {
        const std::optional<AccessibleObject> widget =
            waitForWidget(tandrel, QStringLiteral("text"), field);
        ASSERT_TRUE(widget) << field.toStdString() << " is not on the bus";
        ASSERT_TRUE(click(*widget));
        ASSERT_TRUE(pressKey(editor->id, QStringLiteral("ctrl+a")));
        // What the field must show once everything so far has been read.
        QString sofar;
        const auto fieldText = [&] {
            const auto now = findShowing(tandrel.pid(), QStringLiteral("text"), field);
            return now ? std::optional<QString>(now->text) : std::nullopt;
        };
        const auto fieldShows = [&](const QString& expected,
                                    std::chrono::milliseconds timeout = kSettleTime) {
            return waitUntil([&] { return fieldText() == expected; }, timeout);
        };
        // xdotool types a character the keymap lacks on a spare keycode that it reuses for the
        // next such character, so each one is typed alone and read before the next; a line feed
        // is a key that text fields ignore, so Return breaks lines.
        QString ascii;
        const auto flushAscii = [&] {
            if (ascii.isEmpty())
                return true;
            const bool typedOk = typeText(editor->id, ascii);
            sofar += ascii;
            ascii.clear();
            return typedOk;
        };
        for (qsizetype i = 0; i < typed.size(); ++i) {
            const QChar c = typed[i];
            if (c == QLatin1Char('\n')) {
                ASSERT_TRUE(flushAscii());
                ASSERT_TRUE(pressKey(editor->id, QStringLiteral("Return")));
                sofar += c;
            } else if (c.unicode() < 0x80) {
                ascii += c;
            } else {
                ASSERT_TRUE(flushAscii());
                QString character(c);
                if (c.isHighSurrogate() && i + 1 < typed.size())
                    character += typed[++i];
                const QString before = sofar;
                sofar += character;
                // A program that reads the key before it has heard of xdotool's new keymap sees
                // the character the spare keycode stood for until then: take it back and retype.
                bool shown = false;
                for (int attempt = 0; attempt < 4 && !shown; ++attempt) {
                    if (attempt > 0 && fieldText().value_or(before) != before) {
                        ASSERT_TRUE(pressKey(editor->id, QStringLiteral("BackSpace")));
                        ASSERT_TRUE(fieldShows(before));
                    }
                    ASSERT_TRUE(typeText(editor->id, character));
                    shown = fieldShows(sofar, std::chrono::milliseconds(3000));
                }
                ASSERT_TRUE(shown)
                    << field.toStdString() << " lost a character of " << sofar.toStdString();
            }
        }
        ASSERT_TRUE(flushAscii());
        EXPECT_TRUE(fieldShows(typed)) << field.toStdString() << " does not show what was typed";
    }
}

std::optional<Configuration> savedPrompts(const TandrelProgram& tandrel) {
    try {
        return ConfigurationStore(tandrel.promptsPath()).load();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

TEST_F(ProgramFlows, FirstLaunchOpensTheEditorAndATypedPromptIsSavedExactlyAndShownAboveTheChat) {
    const OpenedPage page = openPage(textareaPage());
    TandrelProgram tandrel;
    ASSERT_FALSE(QFile::exists(tandrel.promptsPath()));
    startWithEditor(tandrel);
    typeLabelAndText(tandrel, kTypedLabel, kTypedText);
    ASSERT_TRUE(pressKey(tandrel.editor()->id, QStringLiteral("ctrl+s")));

    ASSERT_TRUE(waitUntil([&] { return !tandrel.editor(); })) << "the editor stayed open";
    const std::optional<Configuration> saved = savedPrompts(tandrel);
    ASSERT_TRUE(saved) << "the prompts file is missing or unreadable";
    const std::vector<Prompt>& defaults = Prompt::defaults();
    ASSERT_EQ(saved->prompts.size(), defaults.size());
    EXPECT_EQ(saved->prompts[0].title.toStdString(), kTypedLabel.toStdString());
    EXPECT_EQ(saved->prompts[0].text.toStdString(), kTypedText.toStdString());
    for (std::size_t i = 1; i < defaults.size(); ++i) {
        EXPECT_EQ(saved->prompts[i].title, defaults[i].title);
        EXPECT_EQ(saved->prompts[i].text, defaults[i].text);
    }

    // Back in the chat, the palette carries the new button.
    ASSERT_TRUE(focusWindowOf(page.pid));
    EXPECT_TRUE(waitForWidget(tandrel, kButton, kTypedLabel))
        << "the palette does not show the saved prompt's button; tandrel said:\n"
        << tandrel.output().toStdString() << (tandrel.palette() ? "palette up" : "no palette");
}

TEST_F(ProgramFlows, PreviewShowsTheUnsavedButtonsAboveTheTextAreaWhileTheEditorStaysInFront) {
    openPage(textareaPage());
    TandrelProgram tandrel;
    ASSERT_TRUE(tandrel.writeDefaultPrompts());
    tandrel.exposeWidgets();
    ASSERT_TRUE(tandrel.start());
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }));
    // A second launch opens the editor of the running one.
    ASSERT_TRUE(tandrel.runAgain().finished);
    ASSERT_TRUE(waitUntil([&] { return tandrel.editor().has_value(); }));
    typeLabelAndText(tandrel, kTypedLabel, kTypedText);

    const std::optional<AccessibleObject> preview =
        waitForWidget(tandrel, kButton, QStringLiteral("Preview buttons"));
    ASSERT_TRUE(preview);
    ASSERT_TRUE(click(*preview));
    ASSERT_TRUE(waitForWidget(tandrel, kButton, kTypedLabel))
        << "the preview does not show the unsaved label";
    const auto palette = tandrel.palette();
    const auto text = findShowing(tandrel.pid(), QStringLiteral("text"), kTextField);
    ASSERT_TRUE(palette && text);
    // Ten pixels above the text area, centred on it.
    EXPECT_NEAR(text->extents.top() - (palette->y + palette->height), 10, 2);
    EXPECT_NEAR(palette->x + palette->width / 2.0, text->extents.center().x(), 2);

    // The editor keeps the keyboard, and the preview stays over the next ticks.
    runEventLoop(2500ms);
    EXPECT_TRUE(tandrel.editor());
    EXPECT_EQ(inputFocusProcess(), tandrel.pid()) << "the editor lost the keyboard focus";
    EXPECT_TRUE(findShowing(tandrel.pid(), kButton, kTypedLabel)) << "the preview went away";
    QFile file(tandrel.promptsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(kTypedLabel.toUtf8())) << "the preview saved the edits";
}

TEST_F(ProgramFlows, SaveThatCannotBeWrittenShowsTheAlertAndLosesNothing) {
    openPage(textareaPage());
    TandrelProgram tandrel;
    // A plain file stands where the prompts folder should be.
    const QString folder = QFileInfo(tandrel.promptsPath()).absolutePath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(folder).absolutePath()));
    const QByteArray blocker("a file of the user's, not a folder");
    {
        QFile file(folder);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(blocker) == blocker.size());
    }
    startWithEditor(tandrel);
    typeLabelAndText(tandrel, kTypedLabel, kTypedText);
    ASSERT_TRUE(pressKey(tandrel.editor()->id, QStringLiteral("ctrl+s")));

    EXPECT_TRUE(
        waitForWidget(tandrel, QStringLiteral("label"), QStringLiteral("Could not save prompts")))
        << "no alert";
    ASSERT_TRUE(tandrel.editor()) << "the editor closed on a failed save";
    const auto label = findShowing(tandrel.pid(), QStringLiteral("text"), kLabelField);
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text.toStdString(), kTypedLabel.toStdString());
    QFile file(folder);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), blocker) << "the user's file was changed";
    file.close();

    // Once the alert is closed and the way is clear, the same edits save.
    const std::optional<WindowOnScreen> alert = tandrel.otherWindow();
    ASSERT_TRUE(alert);
    ASSERT_TRUE(pressKey(alert->id, QStringLiteral("Return")));
    ASSERT_TRUE(waitUntil([&] { return !tandrel.otherWindow(); })) << "the alert stayed";
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(pressKey(tandrel.editor()->id, QStringLiteral("ctrl+s")));
    ASSERT_TRUE(waitUntil([&] { return !tandrel.editor(); })) << "the second save failed";
    const std::optional<Configuration> saved = savedPrompts(tandrel);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->prompts.front().title.toStdString(), kTypedLabel.toStdString());
    EXPECT_EQ(saved->prompts.front().text.toStdString(), kTypedText.toStdString());
}

} // namespace
} // namespace tandrel::e2e
