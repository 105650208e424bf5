// SPDX-License-Identifier: MIT
#include "app/identity/AppIdentity.h"

#include <QCoreApplication>

namespace tandrel::AppIdentity {

void applyBuildValues() {
    QCoreApplication::setApplicationName(QStringLiteral(TANDREL_NAME));
    QCoreApplication::setApplicationVersion(QStringLiteral(TANDREL_VERSION));
}

QString name() {
    return QCoreApplication::applicationName();
}

QString version() {
    return QCoreApplication::applicationVersion();
}

std::optional<QUrl> supportURL() {
    return secureSupportURL(QStringLiteral(TANDREL_SUPPORT_URL));
}

std::optional<QUrl> secureSupportURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        return std::nullopt;
    // QUrl lower-cases the scheme it parses, so the exact-case test reads the text itself.
    if (!text.startsWith(u"https:") || url.scheme() != u"https")
        return std::nullopt;
    if (url.host().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace tandrel::AppIdentity
