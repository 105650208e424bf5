#pragma once

#include "tests/e2e/X11Windows.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
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

    // Where the program keeps its prompts in this home folder.
    QString promptsPath() const;
    // Where launch at login would put its entry in this home folder.
    QString autostartFolder() const;
    // Writes the built-in prompts there, so that the launch does not open the editor.
    bool writeDefaultPrompts() const;

    // A variable for the program's environment (e.g. QT_SCALE_FACTOR), from the next start on.
    void setEnvironment(const QString& name, const QString& value);

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

    // Its visible windows, and among them the palette (the one short strip) and the editor.
    std::vector<WindowOnScreen> windows() const;
    std::optional<WindowOnScreen> palette() const;
    std::optional<WindowOnScreen> editor() const;

private:
    QProcessEnvironment environment() const;

    QTemporaryDir m_home;
    QProcessEnvironment m_extraEnvironment;
    QProcess m_process;
    QString m_output;
};

// Clicks at a screen position with xdotool; false when xdotool failed.
bool clickAt(int x, int y);
// Gives the window the keyboard focus and presses a key (xdotool key syntax).
bool pressKey(unsigned long window, const QString& key);

} // namespace tandrel::e2e
