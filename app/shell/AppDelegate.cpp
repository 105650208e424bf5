// SPDX-License-Identifier: MIT
#include "app/shell/AppDelegate.h"

#include <QCoreApplication>

#include "app/editor/EditorController.h"
#include "app/identity/AppIdentity.h"
#include "app/palette/PaletteController.h"
#include "app/sending/PromptSender.h"
#include "app/shell/ShellDialogs.h"
#include "app/shell/StatusMenu.h"
#include "app/shell/TrayView.h"

#include <QFileInfo>

Q_LOGGING_CATEGORY(lcVisibility, "tandrel.visibility", QtInfoMsg)

namespace tandrel {

namespace {

const QString kPreviewOption = QStringLiteral("--preview");
// --preview puts the palette's bottom-left corner this far in from the primary screen's.
constexpr double kPreviewInset = 100;

const QString kReasonUntrusted = QStringLiteral("accessibility permission missing");
const QString kReasonPaused = QStringLiteral("paused");
const QString kReasonDismissed = QStringLiteral("dismissed for this input");
const QString kReasonNoInput = QStringLiteral("no eligible focused input");
const QString kReasonShown = QStringLiteral("shown");

} // namespace

AppDelegate::AppDelegate(Desktop& desktop, AppViews views, QString promptsPath,
                         QStringList arguments)
    : m_desktop(desktop), m_views(views), m_arguments(std::move(arguments)),
      m_tracker(desktop.accessibility(), desktop.workspace(), desktop.clock()),
      m_observation(std::make_unique<FocusObservation>(desktop.accessibility(), desktop.workspace(),
                                                       desktop.clock())),
      m_palette(std::make_unique<PaletteController>(desktop.screens(), views.palette)),
      m_editor(std::make_unique<EditorController>(desktop.accessibility(), desktop.workspace(),
                                                  views.editor)),
      m_store(std::move(promptsPath)), m_configuration(Prompt::defaults()) {}

AppDelegate::~AppDelegate() = default;

PromptSender& AppDelegate::sender() {
    if (!m_sender)
        m_sender = std::make_unique<PromptSender>(m_desktop.pasteboard(), m_desktop.keyEvents(),
                                                  m_desktop.clock(), m_tracker);
    return *m_sender;
}

bool AppDelegate::applicationDidFinishLaunching() {
    try {
        m_configuration = m_file.load();
    } catch (const Error& error) {
        m_views.dialogs.showAlert(
            QCoreApplication::translate("AppDelegate", "Could not load your prompts"),
            error.errorDescription() +
                QCoreApplication::translate("AppDelegate", "\n\nYour file was left unchanged at ") +
                m_store.path() + QStringLiteral("."));
        return false;
    }
    m_palette->rebuild(m_configuration);
    installCallbacks();
    watchPromptsFile();

    if (m_views.tray) {
        QObject::connect(m_views.tray, &TrayView::actionChosen, &m_connections,
                         [this](MenuAction action) {
                             switch (action) {
                             case MenuAction::EditPrompts:
                                 return editPrompts();
                             case MenuAction::ToggleLogin:
                                 return toggleLogin();
                             case MenuAction::TogglePause:
                                 return togglePause();
                             case MenuAction::AccessibilitySettings:
                                 return accessibilitySettings();
                             case MenuAction::About:
                                 return about();
                             case MenuAction::SupportMyWork:
                                 return supportMyWork();
                             case MenuAction::Quit:
                                 return quit();
                             case MenuAction::None:
                                 return;
                             }
                         });
        QObject::connect(m_views.tray, &TrayView::menuAboutToShow, &m_connections,
                         [this] { menuWillOpen(); });
        m_views.tray->show();
    }
    rebuildMenu();

    m_followFocus = QObject::connect(m_observation.get(), &FocusObservation::changed,
                                     &m_connections, [this] { tick(); });
    m_timer = m_desktop.clock().repeat(kTimerInterval, kTimerTolerance, [this] { tick(); });
    tick();

    if (!m_desktop.accessibility().isTrusted() || !QFileInfo::exists(m_store.path()))
        editPrompts();

    if (m_arguments.contains(kPreviewOption))
        startPreviewPosition();
    m_launched = true;
    return true;
}

void AppDelegate::installCallbacks() {
    QObject::connect(m_palette.get(), &PaletteController::promptChosen, &m_connections,
                     [this](const Prompt& prompt) {
                         if (!m_target || m_paused)
                             return;
                         sender().send(prompt, *m_target);
                     });
    QObject::connect(m_palette.get(), &PaletteController::editChosen, &m_connections,
                     [this] { editPrompts(); });
    QObject::connect(m_palette.get(), &PaletteController::dismissed, &m_connections, [this] {
        m_dismissedTarget = m_target;
        m_previewing = false;
    });
    m_editor->onQuit = [this] { quit(); };
    m_editor->onEditPrompts = [this] { editPrompts(); };
    m_editor->onPreview = [this](const Configuration& working, const Rect& rect) {
        showPreview(working, rect);
    };
    QObject::connect(&sender(), &PromptSender::statusChanged, &m_connections,
                     [this](const std::optional<QString>& message) {
                         m_palette->status(message, sender().busy());
                     });
    m_editor->onSave = [this](const Configuration& edited) {
        m_file.save(edited); // a failure goes back to the editor as it is
        m_previewing = false;
        m_configuration = edited;
        m_palette->rebuild(m_configuration);
    };
    m_editor->fileChangedSinceOpened = [this] { return m_file.changedSince(m_editorBase); };
    m_editor->reloadFromFile = [this] {
        usePromptsFromFile(m_file.reload());
        m_editorBase = m_file.contents();
        return m_configuration;
    };
}

void AppDelegate::watchPromptsFile() {
    QObject::connect(&m_file, &PromptsFileWatch::reloaded, &m_connections,
                     [this](const Configuration& configuration) {
                         usePromptsFromFile(configuration);
                         // An editor with unsaved edits keeps them; its save asks before
                         // overwriting the file.
                         if (m_editor->isWindowVisible() && !m_editor->hasUnsavedEdits()) {
                             m_editor->reload(m_configuration);
                             m_editorBase = m_file.contents();
                         }
                     });
    QObject::connect(
        &m_file, &PromptsFileWatch::unreadable, &m_connections, [this](const Error& error) {
            m_views.dialogs.showNotice(
                QCoreApplication::translate("AppDelegate", "Your prompts file cannot be read"),
                error.errorDescription() +
                    QCoreApplication::translate("AppDelegate",
                                                "\n\n%1 keeps using the prompts it had. Once the "
                                                "file can be read again, its prompts are used.")
                        .arg(AppIdentity::name()));
        });
    m_file.start();
}

void AppDelegate::usePromptsFromFile(const Configuration& configuration) {
    m_configuration = configuration;
    // A preview shows the editor's working copy; the prompts in use come back when it ends.
    if (!m_previewing)
        m_palette->rebuild(m_configuration);
}

void AppDelegate::showPreview(const Configuration& working, const Rect& rect) {
    m_previewing = true;
    m_target.reset();
    m_palette->rebuild(working);
    m_palette->status(std::nullopt, false);
    m_palette->show(rect);
}

void AppDelegate::startPreviewPosition() {
    // A fixed place for looking at the palette: nothing but the user moves or hides it now.
    m_timer.reset();
    QObject::disconnect(m_followFocus);
    m_palette->center();
    const std::vector<ScreenGeometry> screens = m_desktop.screens().screens();
    if (!screens.empty()) {
        const Rect& primary = screens.front().frame;
        m_palette->setFrameOrigin(
            Point{primary.x() + kPreviewInset,
                  primary.y() + primary.height() - kPreviewInset - m_palette->frame().height()});
    }
    m_palette->orderFrontRegardless();
}

void AppDelegate::tick() {
    const bool trusted = m_desktop.accessibility().isTrusted();
    // Read once: the observed process and the preview both ask which application is in front.
    Workspace& workspace = m_desktop.workspace();
    const std::optional<RunningApplication> front = workspace.frontmostApplication();
    const bool ownProcessInFront = front && front->processIdentifier &&
                                   *front->processIdentifier == workspace.ownProcessIdentifier();
    std::optional<a11y::Pid> pid;
    if (trusted && !m_paused && front && !ownProcessInFront)
        pid = front->processIdentifier;
    m_observation->observe(pid, std::nullopt);

    if (trusted != m_hadTrust) {
        m_hadTrust = trusted;
        m_editor->refreshPermission();
        rebuildMenu();
    }

    if (m_previewing) {
        if (m_editor->isWindowVisible() && ownProcessInFront)
            return;
        m_previewing = false;
        m_palette->rebuild(m_configuration);
    }

    if (!trusted || m_paused) {
        recordVisibility(!trusted ? kReasonUntrusted : kReasonPaused);
        m_target.reset();
        m_palette->orderOut();
        return;
    }

    FocusResult answer = m_tracker.evaluate(true);
    std::optional<ChatTarget>& target = answer.target;
    if (m_target && pid == m_target->pid && answer.applicationNotResponding()) {
        // A browser busy for a moment (fetching the clipboard it is pasting, say) has not lost
        // its composer: the palette stays as it is until the application answers again. Only
        // while that same process is in front: a silent application that took its place has
        // no composer of ours.
        return;
    }
    m_target = std::move(target);

    std::vector<a11y::Element> watched;
    if (m_target) {
        watched = m_target->layoutElements;
        if (auto window = m_tracker.reads().window(m_target->element))
            watched.push_back(*window);
    }
    m_observation->observe(pid, watched);

    if (m_dismissedTarget && m_dismissedTarget->matches(m_target)) {
        recordVisibility(kReasonDismissed);
        m_palette->orderOut();
        return;
    }
    m_dismissedTarget.reset();

    if (!m_target) {
        m_palette->orderOut();
        recordVisibility(kReasonNoInput);
        // What keeps a native Wayland window from being served is the user's to fix: said in
        // the log too, once per change, not only in the tray's status line.
        const bool native =
            answer.outcome.reason == FocusOutcome::Reason::nativeWaylandWindowInFront;
        if (native && m_lastNativeProblem != answer.outcome.detail)
            qCInfo(lcVisibility, "Native Wayland window not served: %s",
                   qUtf8Printable(answer.outcome.text()));
        m_lastNativeProblem = native ? answer.outcome.detail : QString();
        return;
    }
    m_lastNativeProblem.clear();
    m_palette->show(m_target->frame);
    recordVisibility(kReasonShown);
}

void AppDelegate::recordVisibility(const QString& reason) {
    if (m_lastVisibilityReason == reason)
        return;
    m_lastVisibilityReason = reason;
    qCInfo(lcVisibility, "Overlay: %s", qUtf8Printable(reason));
}

void AppDelegate::editPrompts() {
    m_previewing = false;
    m_palette->orderOut();
    if (!m_editor->isWindowVisible())
        m_editorBase = m_file.contents();
    m_editor->present(m_configuration);
}

void AppDelegate::togglePause() {
    m_paused = !m_paused;
    rebuildMenu();
    tick();
}

void AppDelegate::accessibilitySettings() {
    // Switching the desktop's accessibility support on is what grants access here; the settings
    // program, when one is installed, lets the user see and change it.
    m_desktop.accessibility().askForTrust();
    m_desktop.workspace().openAccessibilitySettings();
}

void AppDelegate::quit() {
    if (onQuit)
        onQuit();
}

void AppDelegate::applicationShouldHandleReopen() {
    if (!m_launched || m_editor->isWindowVisible())
        return;
    editPrompts();
}

void AppDelegate::menuWillOpen() {
    refreshLoginItem();
}

void AppDelegate::rebuildMenu() {
    if (!m_views.tray)
        return;
    LoginItems& login = m_desktop.loginItems();
    m_views.tray->setMenu(buildStatusMenu(m_desktop.accessibility().isTrusted(), m_paused,
                                          login.status(), AppIdentity::supportURL(),
                                          login.takenBy()));
}

void AppDelegate::refreshLoginItem() {
    if (!m_views.tray)
        return;
    LoginItems& login = m_desktop.loginItems();
    m_views.tray->updateItem(loginMenuItem(login.status(), login.takenBy()));
}

void AppDelegate::toggleLogin() {
    if (const std::optional<QString> failure = tandrel::toggleLogin(m_desktop.loginItems()))
        m_views.dialogs.showAlert(loginAlertTitle(), *failure);
    rebuildMenu();
}

void AppDelegate::about() {
    m_views.dialogs.showAbout(AppIdentity::name(), AppIdentity::version(), aboutCredits());
}

void AppDelegate::supportMyWork() {
    if (const auto url = AppIdentity::supportURL())
        m_views.dialogs.openURL(*url);
}

} // namespace tandrel
