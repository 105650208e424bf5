// SPDX-License-Identifier: MIT

// The application controller on the simulated desktop with the manual clock: the launch sequence,
// the visibility loop and its logged reasons, dismissing, pausing, trust changes, the editor's
// preview and save, the preview position and reopening.

#include "app/shell/AppDelegate.h"
#include "app/editor/EditorController.h"
#include "app/identity/AppIdentity.h"
#include "app/palette/PaletteController.h"
#include "app/palette/PaletteView.h"
#include "app/sending/PromptSender.h"
#include "app/shell/ShellDialogs.h"
#include "app/shell/StatusMenu.h"
#include "app/shell/TrayView.h"
#include "core/PromptsFile.h"
#include "tests/editor/RecordingEditorView.h"
#include "tests/support/LogCapture.h"
#include "tests/support/WebChatScene.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tandrel {
namespace {

constexpr a11y::Pid kOwnPid = 77;

class FixedWidthPaletteView final : public PaletteView {
public:
    void setActions(Actions a) override { actions = std::move(a); }
    double intrinsicButtonWidth(const QString&) override { return 60; }
    void setPromptButtons(const std::vector<PromptButtonContent>& b,
                          const std::optional<StripHint>&) override {
        buttons = b;
    }
    void setPromptButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }
    void applyLayout(const PaletteLayout&) override {}
    void setOverflowMenu(const std::optional<OverflowMenu>&) override {}
    void setOverflowItemsEnabled(bool) override {}
    void setWindowFrame(const Rect& f) override { frame = f; }
    void setWindowVisible(bool v) override { visible = v; }

    Actions actions;
    std::vector<PromptButtonContent> buttons;
    bool buttonsEnabled = true;
    Rect frame;
    bool visible = false;
};

class RecordingTray final : public TrayView {
public:
    bool isAvailable() const override { return true; }
    void show() override { shown = true; }
    void setMenu(const std::vector<MenuItem>& items) override {
        menu = items;
        ++menus;
    }
    void updateItem(const MenuItem& item) override { updated.push_back(item); }
    QString statusLine() const { return menu.empty() ? QString() : menu.front().title; }

    bool shown = false;
    std::vector<MenuItem> menu;
    int menus = 0;
    std::vector<MenuItem> updated;
};

class RecordingDialogs final : public ShellDialogs {
public:
    void showAlert(const QString& title, const QString& text) override {
        alerts.emplace_back(title, text);
        // What happens while the alert is on screen: the real one runs the event loop.
        if (whileAlertShows)
            whileAlertShows();
    }
    void showAbout(const QString& name, const QString& version, const QString& credits) override {
        about = name + QLatin1Char('|') + version + QLatin1Char('|') + credits;
    }
    void showNotice(const QString& title, const QString& text) override {
        notices.emplace_back(title, text);
    }
    bool openURL(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<std::pair<QString, QString>> alerts;
    std::function<void()> whileAlertShows;
    std::vector<std::pair<QString, QString>> notices;
    QString about;
    std::vector<QUrl> opened;
};

class AppController : public ::testing::Test {
protected:
    AppController() {
        AppIdentity::applyBuildValues(); // as the program does at launch
        desktop.ws().setOwnProcessIdentifier(kOwnPid);
        scene = test::buildWebChat(desktop);
    }

    QString promptsPath() const { return home.path() + QStringLiteral("/Tandrel/prompts.json"); }
    void savePrompts(const Configuration& configuration) {
        ConfigurationStore(promptsPath()).save(configuration);
    }

    // Launches with the arguments; the prompts file is whatever the test left there.
    void launch(const QStringList& arguments = {}) {
        app = std::make_unique<AppDelegate>(
            desktop, AppViews{paletteView, editorView, dialogs, &tray}, promptsPath(),
            QStringList{QStringLiteral("tandrel")} + arguments);
        launched = app->applicationDidFinishLaunching();
    }

    std::vector<QString> reasons() const {
        std::vector<QString> out;
        for (const QString& m : log.messages(QStringLiteral("tandrel.visibility")))
            if (m.startsWith(QLatin1String("Overlay: ")))
                out.push_back(m.mid(9));
        return out;
    }

    // The editor window comes to the front, as the real one does when it is presented.
    void bringEditorToFront() {
        desktop.ws().setFrontmost(
            RunningApplication{kOwnPid, ApplicationNames{QStringLiteral("tandrel"), {}, {}},
                               QStringLiteral("Tandrel")});
    }
    void bringBrowserToFront() { desktop.activate(*scene.browser); }

    test::LogCapture log;
    QTemporaryDir home;
    sim::SimDesktop desktop;
    test::WebChatScene scene;
    FixedWidthPaletteView paletteView;
    test::RecordingEditorView editorView;
    RecordingTray tray;
    RecordingDialogs dialogs;
    std::unique_ptr<AppDelegate> app;
    bool launched = false;
};

TEST_F(AppController, FirstLaunchShowsTheDefaultsOpensTheEditorAndWritesNothing) {
    launch();
    ASSERT_TRUE(launched);
    EXPECT_EQ(paletteView.buttons.size(), Prompt::defaults().size());
    EXPECT_TRUE(editorView.visible) << "the first launch must open the editor";
    EXPECT_FALSE(paletteView.visible) << "opening the editor hides the palette";
    EXPECT_FALSE(QFile::exists(promptsPath()));
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.statusLine(), QStringLiteral("Ready for desktop and web chats"));
}

TEST_F(AppController, UnreadablePromptsFileAlertsStopsIgnoresReopenAndLeavesTheFileAlone) {
    savePrompts(Configuration(Prompt::defaults()));
    const QByteArray broken = QByteArrayLiteral("{\"prompts\": [");
    {
        QFile file(promptsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(broken);
    }
    // A second launch while the alert shows finds no editor to open: its prompts would be the
    // built-in ones, and its save would write nothing.
    dialogs.whileAlertShows = [this] { app->applicationShouldHandleReopen(); };
    launch();
    EXPECT_FALSE(launched);
    EXPECT_EQ(editorView.shown, 0) << "a reopen during the alert opened the editor";
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].first, QStringLiteral("Could not load your prompts"));
    EXPECT_TRUE(
        dialogs.alerts[0].second.endsWith(QStringLiteral("\n\nYour file was left unchanged at ") +
                                          promptsPath() + QStringLiteral(".")))
        << dialogs.alerts[0].second.toStdString();
    // Nothing else was set up: no menu, no loop.
    EXPECT_EQ(tray.menus, 0);
    desktop.advance(3);
    EXPECT_TRUE(reasons().empty());
    QFile file(promptsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), broken);
}

// One walk through the visibility loop: each reason logged once per change, dismissal for one
// input only, pause, and trust lost and regained.
TEST_F(AppController, VisibilityLoopFollowsFocusDismissalPauseAndTrust) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    ASSERT_TRUE(launched);
    EXPECT_FALSE(editorView.visible);
    EXPECT_TRUE(paletteView.visible);
    ASSERT_TRUE(app->target());
    // Placed above the composer body: its top is at 700, the palette 44 high.
    EXPECT_EQ(paletteView.frame.y(), 700 - 10 - 44);
    desktop.advance(5);
    EXPECT_EQ(reasons(), std::vector<QString>{QStringLiteral("shown")}) << "repeats were logged";

    // Dismissed: hidden for this input across ticks.
    paletteView.actions.dismissPressed();
    desktop.advance(2);
    EXPECT_FALSE(paletteView.visible);
    EXPECT_TRUE(app->dismissedTarget());

    // Focus leaves every chat input: the dismissal is forgotten at that tick.
    scene.browser->focus(scene.window);
    desktop.advance(1);
    EXPECT_FALSE(app->dismissedTarget());
    scene.browser->focus(scene.input);
    desktop.advance(1);
    EXPECT_TRUE(paletteView.visible) << "the palette did not come back for the input";

    // Paused: hidden at once, prompts do nothing, the menu says so.
    emit tray.actionChosen(MenuAction::TogglePause);
    EXPECT_FALSE(paletteView.visible);
    EXPECT_EQ(tray.statusLine(), QStringLiteral("Paused"));
    paletteView.actions.promptPressed(0);
    EXPECT_FALSE(app->sender().busy());
    EXPECT_TRUE(desktop.keyEvents().keys().empty());
    emit tray.actionChosen(MenuAction::TogglePause);
    EXPECT_TRUE(paletteView.visible);

    // Trust lost, then regained: each change refreshes the menu and the editor's text once.
    const int menusBefore = tray.menus;
    desktop.setTrusted(false);
    desktop.advance(3);
    EXPECT_FALSE(paletteView.visible);
    EXPECT_EQ(tray.menus, menusBefore + 1);
    EXPECT_TRUE(editorView.permission.contains(QLatin1String("One-time setup")));
    desktop.setTrusted(true);
    desktop.advance(3);
    EXPECT_TRUE(paletteView.visible);
    EXPECT_EQ(tray.menus, menusBefore + 2);
    EXPECT_TRUE(editorView.permission.startsWith(QLatin1String("Ready.")));

    // A browser that stops answering for a while keeps its palette; once it answers again
    // without a composer in focus, the palette goes.
    desktop.ax().setAnswering(scene.browser->pid(), false);
    desktop.advance(3);
    EXPECT_TRUE(paletteView.visible) << "a busy browser lost its palette";
    scene.browser->focus(scene.window);
    desktop.advance(2);
    EXPECT_TRUE(paletteView.visible);
    desktop.ax().setAnswering(scene.browser->pid(), true);
    desktop.advance(1);
    EXPECT_FALSE(paletteView.visible);

    // Kept for that browser only: another application, just as silent, that comes to the front
    // never gets the browser's palette.
    scene.browser->focus(scene.input);
    desktop.advance(1);
    EXPECT_TRUE(paletteView.visible);
    sim::SimApp& other = desktop.addApp(
        scene.browser->pid() + 1, QStringLiteral("org.example.Notes"), QStringLiteral("Notes"));
    desktop.ax().setAnswering(other.pid(), false);
    desktop.activate(other);
    desktop.advance(1);
    EXPECT_FALSE(paletteView.visible) << "the palette stayed over another application";

    EXPECT_EQ(reasons(), (std::vector<QString>{
                             QStringLiteral("shown"),
                             QStringLiteral("dismissed for this input"),
                             QStringLiteral("no eligible focused input"),
                             QStringLiteral("shown"),
                             QStringLiteral("paused"),
                             QStringLiteral("shown"),
                             QStringLiteral("accessibility permission missing"),
                             QStringLiteral("shown"),
                             QStringLiteral("no eligible focused input"),
                             QStringLiteral("shown"),
                             QStringLiteral("no eligible focused input"),
                         }));
}

TEST_F(AppController, PromptButtonSendsIntoTheTargetAndDisablesTheButtonsMeanwhile) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    ASSERT_TRUE(app->target());
    desktop.pasteboard().copyText(QStringLiteral("mine"));

    paletteView.actions.promptPressed(0);
    EXPECT_TRUE(app->sender().busy());
    EXPECT_FALSE(paletteView.buttonsEnabled);
    desktop.advance(1);
    EXPECT_FALSE(app->sender().busy());
    EXPECT_TRUE(paletteView.buttonsEnabled);
    EXPECT_EQ(desktop.keyEvents().submits().size(), 1u);
    EXPECT_EQ(desktop.pasteboard().text(), QStringLiteral("mine"));
}

TEST_F(AppController, PreviewStaysWhileTheEditorIsInFrontAndEndsWithTheSavedPrompts) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    emit tray.actionChosen(MenuAction::EditPrompts);
    ASSERT_TRUE(editorView.visible);
    bringEditorToFront();

    // A working copy of one prompt, previewed above the text area.
    Configuration working({Prompt::defaults().front()});
    editorView.textArea = Rect(300, 500, 400, 200);
    app->editor().onPreview(working, *editorView.textArea);
    EXPECT_TRUE(app->previewing());
    EXPECT_FALSE(app->target()) << "a preview has no target to send to";
    EXPECT_EQ(paletteView.buttons.size(), 1u);
    EXPECT_TRUE(paletteView.visible);
    EXPECT_EQ(paletteView.frame.y(), 500 - 10 - 44) << "10 points above the text area";
    desktop.advance(3);
    EXPECT_TRUE(app->previewing());
    EXPECT_EQ(paletteView.buttons.size(), 1u);

    // Another application in front ends it: the saved prompts come back.
    bringBrowserToFront();
    desktop.advance(1);
    EXPECT_FALSE(app->previewing());
    EXPECT_EQ(paletteView.buttons.size(), Prompt::defaults().size());
    EXPECT_TRUE(paletteView.visible);
}

TEST_F(AppController, SaveAppliesOnlyWhatWasWritten) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    const Configuration shorter({Prompt::defaults()[0], Prompt::defaults()[1]});
    app->editor().onSave(shorter);
    EXPECT_EQ(app->configuration(), shorter);
    EXPECT_EQ(paletteView.buttons.size(), 2u);
    EXPECT_EQ(ConfigurationStore(promptsPath()).load(), shorter);

    // A folder that cannot hold the file: the error goes back, nothing changes.
    ASSERT_TRUE(QFile::remove(promptsPath()));
    ASSERT_TRUE(QDir().rmdir(home.path() + QStringLiteral("/Tandrel")));
    {
        QFile blocker(home.path() + QStringLiteral("/Tandrel"));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    EXPECT_THROW(app->editor().onSave(Configuration(Prompt::defaults())), Error);
    EXPECT_EQ(app->configuration(), shorter);
    EXPECT_EQ(paletteView.buttons.size(), 2u);
}

// Changes made to the prompts file by hand while the program runs: a settled change reaches the
// palette and an editor without edits; an editor with edits keeps them and its save asks, each
// answer doing what it says; the program's own saves are no change; an unreadable file is
// reported once and leaves the prompts in use, and so does a removed one.
TEST_F(AppController, HandEditsOfThePromptsFileAreUsedAndNeverOverwrittenUnasked) {
    std::vector<Prompt> prompts;
    for (int i = 1; i <= 6; ++i)
        prompts.emplace_back(QUuid::createUuid(), QStringLiteral("P%1").arg(i),
                             QStringLiteral("Prompt %1").arg(i));
    auto first = [&](std::size_t count) {
        return Configuration(std::vector<Prompt>(prompts.begin(), prompts.begin() + count));
    };
    auto editByHand = [&](const QByteArray& bytes) {
        QFile file(promptsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        desktop.fileWatching().notifyChanged(promptsPath());
    };
    auto onDisk = [&] { return ConfigurationStore(promptsPath()).load(); };

    savePrompts(first(2));
    launch();
    ASSERT_TRUE(launched);

    // A burst of events is read once it has settled.
    editByHand(PromptsFile::encode(first(3)));
    desktop.advance(0.2);
    desktop.fileWatching().notifyChanged(promptsPath());
    desktop.advance(0.2);
    EXPECT_EQ(paletteView.buttons.size(), 2u) << "read before the changes settled";
    desktop.advance(0.2);
    EXPECT_EQ(app->configuration(), first(3));
    EXPECT_EQ(paletteView.buttons.size(), 3u);

    // An open editor without edits follows the file.
    emit tray.actionChosen(MenuAction::EditPrompts);
    ASSERT_TRUE(editorView.visible);
    editByHand(PromptsFile::encode(first(4)));
    desktop.advance(1);
    EXPECT_EQ(app->editor().draft(), first(4));
    EXPECT_EQ(editorView.rows.size(), 4);

    // With an edit typed in, the next change reaches the palette only.
    editorView.label = QStringLiteral("Mine");
    editByHand(PromptsFile::encode(first(5)));
    desktop.advance(1);
    EXPECT_EQ(paletteView.buttons.size(), 5u);
    EXPECT_EQ(editorView.rows.size(), 4) << "the editor's edits were replaced";
    EXPECT_EQ(editorView.label, QStringLiteral("Mine"));

    // Its save asks. No answer writes nothing; Reload takes the file and drops the edit.
    editorView.answer = -1;
    app->editor().savePrompts();
    ASSERT_EQ(editorView.questions.size(), 1u);
    EXPECT_EQ(editorView.questions[0].first, QStringLiteral("Your prompts file changed"));
    EXPECT_EQ(editorView.questions[0].second,
              QStringLiteral("The prompts file was changed outside Tandrel since you opened the "
                             "editor. Overwrite it with your edits, or reload it and lose your "
                             "unsaved edits?"));
    EXPECT_EQ(editorView.lastChoices,
              (QStringList{QStringLiteral("Overwrite"), QStringLiteral("Reload")}));
    EXPECT_TRUE(editorView.visible);
    EXPECT_EQ(onDisk(), first(5));
    editorView.answer = 1;
    app->editor().savePrompts();
    EXPECT_EQ(editorView.questions.size(), 2u);
    EXPECT_EQ(app->editor().draft(), first(5));
    EXPECT_EQ(editorView.label, QStringLiteral("P1"));
    EXPECT_TRUE(editorView.visible);
    EXPECT_EQ(onDisk(), first(5));

    // Overwrite writes the edits over a change made meanwhile.
    editorView.label = QStringLiteral("Mine");
    editByHand(PromptsFile::encode(first(6)));
    editorView.answer = 0;
    app->editor().savePrompts();
    EXPECT_EQ(editorView.questions.size(), 3u);
    EXPECT_FALSE(editorView.visible);
    const Configuration mine = onDisk();
    ASSERT_EQ(mine.prompts.size(), 5u);
    EXPECT_EQ(mine.prompts[0].title, QStringLiteral("Mine"));
    desktop.advance(1);
    EXPECT_EQ(app->configuration(), mine) << "the change before the save came back";

    // The program's own save is no change: the next save asks nothing.
    desktop.fileWatching().notifyChanged(promptsPath());
    desktop.advance(1);
    emit tray.actionChosen(MenuAction::EditPrompts);
    editorView.label = QStringLiteral("Again");
    app->editor().savePrompts();
    EXPECT_EQ(editorView.questions.size(), 3u) << "its own save counted as a change";
    const Configuration again = onDisk();
    EXPECT_EQ(app->configuration(), again);

    // Unreadable: reported once, the prompts in use stay, a save asks; Reload cannot read it
    // and keeps the edits.
    editByHand(QByteArrayLiteral("{\"prompts\": ["));
    desktop.advance(1);
    desktop.fileWatching().notifyChanged(promptsPath());
    desktop.advance(1);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0].first, QStringLiteral("Your prompts file cannot be read"));
    EXPECT_TRUE(dialogs.notices[0].second.contains(promptsPath()));
    EXPECT_EQ(app->configuration(), again);
    EXPECT_EQ(paletteView.buttons.size(), 5u);
    emit tray.actionChosen(MenuAction::EditPrompts);
    editorView.label = QStringLiteral("Kept");
    editorView.answer = 1;
    app->editor().savePrompts();
    EXPECT_EQ(editorView.questions.size(), 4u);
    ASSERT_EQ(editorView.alerts.size(), 1u);
    EXPECT_EQ(editorView.alerts[0].first, QStringLiteral("Could not reload your prompts file"));
    EXPECT_EQ(editorView.label, QStringLiteral("Kept"));

    // Removed: the prompts in use stay, and the save writes the file again without asking.
    ASSERT_TRUE(QFile::remove(promptsPath()));
    desktop.fileWatching().notifyChanged(promptsPath());
    desktop.advance(1);
    EXPECT_EQ(app->configuration(), again);
    EXPECT_EQ(dialogs.notices.size(), 1u);
    app->editor().savePrompts();
    EXPECT_EQ(editorView.questions.size(), 4u);
    EXPECT_FALSE(editorView.visible);
    EXPECT_EQ(onDisk().prompts[0].title, QStringLiteral("Kept"));
}

TEST_F(AppController, PreviewOptionPinsThePaletteUntilTheUserActs) {
    savePrompts(Configuration(Prompt::defaults()));
    launch({QStringLiteral("--preview")});
    EXPECT_TRUE(paletteView.visible);
    // Its bottom-left corner 100 points in from the 900-point screen's.
    const Point pinned{100, 900 - 100 - 44};
    EXPECT_EQ(paletteView.frame.origin, pinned);
    scene.browser->focus(scene.window);
    desktop.advance(5);
    EXPECT_TRUE(paletteView.visible) << "the loop still ran after --preview";
    EXPECT_EQ(paletteView.frame.origin, pinned);
    EXPECT_EQ(tray.statusLine(), QStringLiteral("Ready for desktop and web chats"));
    emit tray.actionChosen(MenuAction::TogglePause);
    EXPECT_FALSE(paletteView.visible);
}

TEST_F(AppController, ReopenOpensTheEditorOnlyWhenItIsHidden) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    ASSERT_FALSE(editorView.visible);
    app->applicationShouldHandleReopen();
    EXPECT_TRUE(editorView.visible);
    const int shown = editorView.shown;
    app->applicationShouldHandleReopen();
    EXPECT_EQ(editorView.shown, shown) << "a visible editor was presented again";
}

TEST_F(AppController, MenuActionsReachTheDesktop) {
    savePrompts(Configuration(Prompt::defaults()));
    launch();
    desktop.setTrusted(false);
    emit tray.actionChosen(MenuAction::AccessibilitySettings);
    EXPECT_EQ(desktop.ax().trustPrompts(), 1) << "the switch was not turned on";
    EXPECT_EQ(desktop.ws().accessibilitySettingsOpened(), 1);

    emit tray.actionChosen(MenuAction::ToggleLogin);
    EXPECT_EQ(desktop.login().status(), LoginItemStatus::Enabled);
    emit tray.actionChosen(MenuAction::About);
    EXPECT_TRUE(dialogs.about.startsWith(QStringLiteral("Tandrel|")));
    bool quit = false;
    app->onQuit = [&] { quit = true; };
    emit tray.actionChosen(MenuAction::Quit);
    EXPECT_TRUE(quit);
    quit = false;
    app->editor().quitApplication(); // the editor's Control+Q
    EXPECT_TRUE(quit);
}

} // namespace
} // namespace tandrel
