// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandrel::linuxdesktop {

// A desktop entry that lets the program at `executable` type through KWin's fake input: KWin
// offers it to a client whose executable a desktop entry names in Exec= with the interface in
// X-KDE-Wayland-Interfaces. Hidden from menus; the packaged entry is the one users launch.
QString kwinKeysEntry(const QString& executable);

// Writes it as tandrel-kwin-keys.desktop into the user's applications folder
// ($XDG_DATA_HOME/applications); the path written, or empty with *error set.
QString writeKWinKeysEntry(const QString& executable, QString* error);

} // namespace tandrel::linuxdesktop
