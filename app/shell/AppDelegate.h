// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>
#include <QObject>

#include "app/focus/ChatTarget.h"
#include "app/focus/FocusObservation.h"
#include "app/focus/FocusTracker.h"
#include "app/shell/PromptsFileWatch.h"
#include "core/Configuration.h"
#include "core/ConfigurationStore.h"
#include "platform/Desktop.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// Why the palette shows or not, once per change (category "tandrel.visibility").
Q_DECLARE_LOGGING_CATEGORY(lcVisibility)

namespace tandrel {

class EditorController;
class EditorView;
class PaletteController;
class PaletteView;
class PromptSender;
class ShellDialogs;
class TrayView;

// The windows and dialogs the application controller drives. Qt widgets on the desktop, recording
// doubles in tests. Every view outlives the controller.
struct AppViews {
    PaletteView& palette;
    EditorView& editor;
    ShellDialogs& dialogs;
    TrayView* tray = nullptr; // none when the desktop offers no tray
};

// The spine of the running program: loads the prompts, owns the palette, the editor, the sender
// and the focus tracking, and runs the visibility loop that shows the palette above a chat
// composer or hides it, once a second and on every observed accessibility change.
//
// Lifetimes: the desktop and the views outlive the controller. The controller's own timer and
// observation are released first when it is destroyed, so no callback reaches a half-destroyed
// controller.
class AppDelegate {
public:
    static constexpr double kTimerInterval = 1.0;
    static constexpr double kTimerTolerance = 0.1;

    AppDelegate(Desktop& desktop, AppViews views, QString promptsPath, QStringList arguments);
    ~AppDelegate();
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence. False when the prompts file could not be loaded: the alert has been
    // shown and closed, nothing else was set up, and the program ends with a failure status.
    bool applicationDidFinishLaunching();

    // A second launch of the program asked this one to come forward. Ignored until the launch
    // has finished: during the load-failure alert the editor would offer the built-in prompts
    // and its save could not write them.
    void applicationShouldHandleReopen();

    // Menu actions.
    void editPrompts();
    void togglePause();
    void accessibilitySettings();
    void toggleLogin();
    void about();
    void supportMyWork();
    void quit();
    // The tray menu is about to open.
    void menuWillOpen();

    // Ends the event loop; set by the entry point.
    std::function<void()> onQuit;

    // State, for tests and diagnostics.
    bool paused() const { return m_paused; }
    bool previewing() const { return m_previewing; }
    bool hadTrust() const { return m_hadTrust; }
    const std::optional<ChatTarget>& target() const { return m_target; }
    const std::optional<ChatTarget>& dismissedTarget() const { return m_dismissedTarget; }
    const Configuration& configuration() const { return m_configuration; }
    const ConfigurationStore& store() const { return m_store; }
    PaletteController& palette() { return *m_palette; }
    EditorController& editor() { return *m_editor; }
    PromptSender& sender();
    FocusTracker& tracker() { return m_tracker; }

private:
    void tick();
    void recordVisibility(const QString& reason);
    void rebuildMenu();
    void refreshLoginItem();
    void installCallbacks();
    void watchPromptsFile();
    // The prompts file now holds these prompts: they are in use from now on.
    void usePromptsFromFile(const Configuration& configuration);
    void showPreview(const Configuration& configuration, const Rect& rect);
    void startPreviewPosition();

    Desktop& m_desktop;
    AppViews m_views;
    QStringList m_arguments;

    FocusTracker m_tracker;
    std::unique_ptr<FocusObservation> m_observation;
    std::unique_ptr<PromptSender> m_sender;
    std::unique_ptr<PaletteController> m_palette;
    std::unique_ptr<EditorController> m_editor;
    ConfigurationStore m_store;
    PromptsFileWatch m_file{m_desktop, m_store};
    Configuration m_configuration;
    // The file's bytes the editor's prompts were read from, to tell a change made elsewhere.
    std::optional<QByteArray> m_editorBase;
    std::optional<ChatTarget> m_target;
    std::optional<ChatTarget> m_dismissedTarget;
    bool m_paused = false;
    bool m_hadTrust = false;
    bool m_previewing = false;
    bool m_launched = false;
    std::optional<QString> m_lastVisibilityReason;
    QString m_lastNativeProblem;
    // What follows the focus observation's changes; dropped for the fixed preview position.
    QMetaObject::Connection m_followFocus;
    // Last: destroyed first, so neither the timer nor a signal of the parts above reaches a
    // controller being torn down. The context of every connection to this delegate's parts.
    std::unique_ptr<Handle> m_timer;
    QObject m_connections;
};

} // namespace tandrel
