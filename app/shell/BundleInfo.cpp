#include "app/shell/BundleInfo.h"

namespace tandrel {

const BundleInfo& BundleInfo::main() {
    static const BuildBundleInfo info;
    return info;
}

std::optional<QVariant> BuildBundleInfo::value(const QString& key) const {
    if (key == u"CFBundleDisplayName")
        return QVariant(QStringLiteral(TANDREL_DISPLAY_NAME));
    if (key == u"CFBundleShortVersionString")
        return QVariant(QStringLiteral(TANDREL_VERSION));
    if (key == u"SupportURL") {
        const QString url = QStringLiteral(TANDREL_SUPPORT_URL);
        if (!url.isEmpty())
            return QVariant(url);
    }
    return std::nullopt;
}

} // namespace tandrel
