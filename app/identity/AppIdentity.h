// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The application's name, version and support address: values this build was made with. The
// name and version are put on QCoreApplication at launch, where Qt's --version and the desktop
// find them too, and read back from there.
namespace tandrel::AppIdentity {

// Sets the build's project name and version as the application's name and version. Needs no
// QCoreApplication yet.
void applyBuildValues();

// The application's name and version as QCoreApplication holds them now.
QString name();
QString version();

// The support address this build was configured with, when it is a secure one.
std::optional<QUrl> supportURL();
// The address written in the text when it is well formed, its scheme is exactly "https" (lower
// case) and it has a host; otherwise none.
std::optional<QUrl> secureSupportURL(const QString& text);

} // namespace tandrel::AppIdentity
