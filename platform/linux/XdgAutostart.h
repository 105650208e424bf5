// SPDX-License-Identifier: MIT
#pragma once

#include "platform/LoginItems.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tandrel::linuxdesktop {

// Launch at login as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<id>.desktop (the
// folder is ~/.config/autostart when XDG_CONFIG_HOME is unset or not absolute; it is looked up on
// every call). The entry counts as ours when its Exec line starts this very executable; an entry
// that starts something else (or cannot be read) is reported as Taken, never removed, and only a
// registration, which the user asks for, replaces it.
class XdgAutostart final : public LoginItems {
public:
    // An empty executable path means the program does not know where it lives: the status is
    // then "not found" and registering fails.
    XdgAutostart(QString entryId, QString executablePath, QString displayName);

    // This process: QCoreApplication's file path and application name, entry id "tandrel".
    static XdgAutostart forThisProgram();

    // Enabled when the entry exists, is not hidden or switched off, and starts this executable;
    // Taken when an entry there is not ours.
    LoginItemStatus status() override;
    // The command line of an entry that is not ours (its file's path when it has none).
    QString takenBy() override;
    // Writes the entry atomically, replacing whatever was there; throws FileError with the
    // system's reason.
    void registerApp() override;
    // Removes the entry if it is ours; throws FileError with the system's reason.
    void unregisterApp() override;
    void openSettings() override;

    QString entryPath() const;

private:
    struct Entry {
        bool present = false; // a file at the entry's path
        bool ours = false;    // it starts this executable
        bool active = false;  // neither hidden nor switched off
        QString command;      // its command line, or its path when it has none
    };
    Entry inspectEntry() const;

    QString m_entryId;
    QString m_executablePath;
    QString m_displayName;
};

namespace desktopentry {

// A string value with the escapes of desktop files (\s \n \t \r \\) resolved.
QString unescapedValue(const QString& text);
// The Exec value that starts exactly `program` without arguments: the path in double quotes with
// the characters desktop files escape there (and '%' doubled), then escaped as a string value.
QString execValue(const QString& program);
// The program an Exec value starts (its first argument, unquoted); none when the value is empty
// or its quoting is broken.
std::optional<QString> execProgram(const QString& value);

struct Command {
    QString program;
    QStringList arguments;
};
// The startup-applications settings of the current desktop (XDG_CURRENT_DESKTOP, a
// colon-separated list) if installed, else of any desktop that is installed. `find` answers the
// full path of an installed program, or an empty string.
std::optional<Command> startupSettingsCommand(const QString& currentDesktop,
                                              const std::function<QString(const QString&)>& find);

} // namespace desktopentry

} // namespace tandrel::linuxdesktop
