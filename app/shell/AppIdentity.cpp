#include "app/shell/AppIdentity.h"

namespace tandrel::AppIdentity {

namespace {

std::optional<QString> stringValue(const BundleInfo& info, const QString& key) {
    const std::optional<QVariant> value = info.value(key);
    if (!value || value->typeId() != QMetaType::QString)
        return std::nullopt;
    return value->toString();
}

} // namespace

QString name(const BundleInfo& info) {
    return stringValue(info, QStringLiteral("CFBundleDisplayName"))
        .value_or(QStringLiteral("Tandrel"));
}

QString version(const BundleInfo& info) {
    return stringValue(info, QStringLiteral("CFBundleShortVersionString"))
        .value_or(QStringLiteral("Development"));
}

std::optional<QUrl> supportURL(const BundleInfo& info) {
    const std::optional<QString> text = stringValue(info, QStringLiteral("SupportURL"));
    if (!text)
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    // QUrl lower-cases the scheme it parses, so the exact-case test reads the text itself.
    if (!text->startsWith(u"https:") || url.scheme() != u"https")
        return std::nullopt;
    if (url.host().isEmpty())
        return std::nullopt;
    return url;
}

QString name() {
    return name(BundleInfo::main());
}
QString version() {
    return version(BundleInfo::main());
}
std::optional<QUrl> supportURL() {
    return supportURL(BundleInfo::main());
}

} // namespace tandrel::AppIdentity
