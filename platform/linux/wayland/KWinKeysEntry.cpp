// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/KWinKeysEntry.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace tandrel::linuxdesktop {

QString kwinKeysEntry(const QString& executable) {
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Tandrel\nExec=%1\n"
                          "NoDisplay=true\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n")
        .arg(executable);
}

QString writeKWinKeysEntry(const QString& executable, QString* error) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/applications");
    QSaveFile file(folder + QStringLiteral("/tandrel-kwin-keys.desktop"));
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(kwinKeysEntry(executable).toUtf8()) < 0 || !file.commit()) {
        *error = file.errorString();
        return {};
    }
    return file.fileName();
}

} // namespace tandrel::linuxdesktop
