#pragma once

#include "app/shell/BundleInfo.h"

#include <QString>
#include <QUrl>

#include <optional>

// The application's display name, version and support address. Nothing is cached: each call
// reads the bundle information afresh. The overloads taking a BundleInfo exist for tests.
namespace tandrel::AppIdentity {

// "CFBundleDisplayName" when it is a string (even an empty one), else "Tandrel".
QString name();
QString name(const BundleInfo& info);

// "CFBundleShortVersionString" when it is a string, else "Development".
QString version();
QString version(const BundleInfo& info);

// "SupportURL" when it is a string holding a well-formed address whose scheme is exactly
// "https" (lower case) and which has a host; otherwise none.
std::optional<QUrl> supportURL();
std::optional<QUrl> supportURL(const BundleInfo& info);

} // namespace tandrel::AppIdentity
