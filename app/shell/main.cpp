// SPDX-License-Identifier: MIT

// tandrel: keeps saved chat prompts in a strip of buttons just above the message box of AI chats.

#include "app/editor/EditorWindow.h"
#include "app/identity/AppIdentity.h"
#include "app/palette/PaletteWindow.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/PromptsLocation.h"
#include "app/shell/QtShellDialogs.h"
#include "app/shell/QtTray.h"
#include "app/shell/RestartOnNewBus.h"
#include "app/shell/SingleInstance.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/wayland/KWinKeysEntry.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

using namespace tandrel;

int main(int argc, char** argv) {
    // Kept before Qt takes its own options out: a start in place repeats the command line.
    const std::vector<QByteArray> commandLine(argv, argv + argc);
    // Tandrel places its palette with X11 coordinates. In a Wayland session it runs through
    // XWayland, where it sees and serves every X11 application; Qt's own Wayland backend would
    // ignore the palette's position and give it the keyboard focus.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    AppIdentity::applyBuildValues();
    QApplication::setDesktopFileName(QStringLiteral("tandrel"));
    // The palette and the editor come and go; the program lives in the tray until it is quit.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate(
            "main",
            "Shows your saved chat prompts as buttons just above the message box of AI chats "
            "(desktop chat apps, and web chats such as chatgpt.com in any browser). Click a button "
            "to paste the prompt, check that it arrived, and send it. Prompts are kept in %1.")
            .arg(promptsFilePath()));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption preview(
        QStringLiteral("preview"),
        QCoreApplication::translate("main",
                                    "Show the palette at a fixed place near the bottom left of "
                                    "the screen instead of above chat inputs."));
    parser.addOption(preview);
    const QCommandLineOption allowKWinKeys(
        QStringLiteral("allow-kwin-keys"),
        QCoreApplication::translate("main",
                                    "Write a desktop entry naming this program into "
                                    "~/.local/share/applications, so KWin lets it type into "
                                    "native Wayland windows, and exit."));
    parser.addOption(allowKWinKeys);
    parser.process(app);
    if (parser.isSet(allowKWinKeys)) {
        QString error;
        const QString written =
            linuxdesktop::writeKWinKeysEntry(QCoreApplication::applicationFilePath(), &error);
        std::fprintf(
            written.isEmpty() ? stderr : stdout, "%s\n",
            qUtf8Printable(written.isEmpty() ? QStringLiteral("tandrel: ") + error : written));
        return written.isEmpty() ? 1 : 0;
    }

    SingleInstance instance;
    QString instanceError;
    switch (instance.claim(&instanceError)) {
    case SingleInstance::Role::Secondary:
        std::fprintf(stdout, "%s is already running; it opened its editor.\n",
                     qUtf8Printable(AppIdentity::name()));
        return 0;
    case SingleInstance::Role::Unresponsive:
        // A stopped or stuck instance would come back to find a second palette over its own.
        std::fprintf(stderr,
                     "tandrel: %s is already running but does not answer; nothing was started.\n",
                     qUtf8Printable(AppIdentity::name()));
        return 1;
    case SingleInstance::Role::Failed:
        std::fprintf(stderr, "tandrel: a second launch will not reach this one: %s\n",
                     qUtf8Printable(instanceError));
        break;
    case SingleInstance::Role::Primary:
        break;
    }

    QtShellDialogs dialogs;
    QString desktopError;
    std::unique_ptr<LinuxDesktop> desktop = LinuxDesktop::create(&desktopError);
    if (!desktop) {
        std::fprintf(stderr, "tandrel: %s\n", qUtf8Printable(desktopError));
        dialogs.showAlert(
            QCoreApplication::translate("main", "%1 cannot start").arg(AppIdentity::name()),
            desktopError);
        return 1;
    }

    std::unique_ptr<PaletteView> palette = createPaletteWindow();
    std::unique_ptr<EditorView> editor = createEditorWindow();
    QtTray tray;
    if (!tray.isAvailable())
        qCWarning(lcVisibility,
                  "No system tray: the menu is not shown. Launch %s again to open the editor.",
                  qUtf8Printable(AppIdentity::name()));

    AppDelegate delegate(*desktop, AppViews{*palette, *editor, dialogs, &tray}, promptsFilePath(),
                         app.arguments());
    delegate.onQuit = [] { QCoreApplication::quit(); };
    if (!delegate.applicationDidFinishLaunching())
        return 1;
    RestartOnNewBus::applyCarriedState(*desktop, delegate);
    RestartOnNewBus restart(*desktop, delegate, commandLine);
    // Only now: a second launch during the load-failure alert finds nothing to open.
    QObject::connect(&instance, &SingleInstance::reopenRequested, &app,
                     [&delegate] { delegate.applicationShouldHandleReopen(); });
    return app.exec();
}
