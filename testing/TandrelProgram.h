// SPDX-License-Identifier: MIT
#pragma once

#include "testing/X11Windows.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

namespace tandrel::e2e {

// The real tandrel program on the private desktop, with a home folder of its own so that nothing
// of the user's (prompts, autostart entries) is read or written. Stopped with the object.
class TandrelProgram {
public:
    TandrelProgram();
    ~TandrelProgram();
    TandrelProgram(const TandrelProgram&) = delete;
    TandrelProgram& operator=(const TandrelProgram&) = delete;

    // The private home folder, and where the program keeps its prompts in it.
    QString homePath() const;
    QString promptsPath() const;
    // Where launch at login would put its entry in this home folder.
    QString autostartFolder() const;
    // Writes the built-in prompts there, so that the launch does not open the editor.
    bool writeDefaultPrompts() const;

    // Makes the program's widgets readable over the accessibility bus, as a screen reader
    // being on does. Takes effect at the next start.
    void exposeWidgets();
    // A variable for the program's environment (e.g. QT_SCALE_FACTOR), from the next start on.
    void setEnvironment(const QString& name, const QString& value);
    // Runs the program as that user from the next start on, with the home folder handed to it
    // then (a desktop whose buses and compositor belong to another user than this process's).
    void runAs(uint uid, uint gid);

    // Starts the program; false with the reason when it could not be started.
    bool start(const QStringList& arguments = {}, QString* error = nullptr);
    // Another launch with the same home folder, run to its end (or killed after the timeout).
    struct Run {
        bool finished = false;
        int exitCode = -1;
        QString output;
    };
    Run runAgain(const QStringList& arguments = {}, int timeoutMs = 15000) const;

    qint64 pid() const;
    bool isRunning() const;
    bool waitForExit(int timeoutMs);
    int exitCode() const;
    // Everything the program wrote to stdout and stderr so far.
    QString output();

    // Its visible windows; among them the palette (the one short strip), the editor (the one
    // large window) and any other window (an alert).
    std::vector<WindowOnScreen> windows() const;
    std::optional<WindowOnScreen> palette() const;
    std::optional<WindowOnScreen> editor() const;
    std::optional<WindowOnScreen> otherWindow() const;

    // The executable to start: the built one, or a copy the other user can reach.
    QString program() const;

private:
    QProcessEnvironment environment() const;
    void prepare(QProcess& process) const;

    QTemporaryDir m_home;
    QProcessEnvironment m_extraEnvironment;
    QProcess m_process;
    QString m_output;
    bool m_exposeWidgets = false;
    std::optional<std::pair<uint, uint>> m_user; // uid, gid
};

// Clicks at a screen position with xdotool, `clicks` times in quick succession (a double click
// for two); false when xdotool failed.
bool clickAt(int x, int y, int clicks = 1);
// Gives the window the keyboard focus and presses a key (xdotool key syntax).
bool pressKey(unsigned long window, const QString& key);
// Gives the window the keyboard focus and types the text as keystrokes, any Unicode included
// (xdotool maps a spare keycode for characters the keymap lacks).
bool typeText(unsigned long window, const QString& text);
// Gives the window the keyboard focus, as a click on it would with a window manager.
bool focusWindow(unsigned long window);
// Gives the keyboard focus to the first visible window of the process (e.g. Chromium's).
bool focusWindowOf(qint64 pid);

} // namespace tandrel::e2e
