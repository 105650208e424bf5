#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace tandrel {

// The application's packaged key-value information ("CFBundleDisplayName",
// "CFBundleShortVersionString", "SupportURL"). A value may be of any type; readers decide
// what they accept.
class BundleInfo {
public:
    virtual ~BundleInfo() = default;
    virtual std::optional<QVariant> value(const QString& key) const = 0;

    // The information this build was packaged with.
    static const BundleInfo& main();
};

// Values fixed when the program was built: the project's name and version, and the support
// address given at configure time (none when it was left empty).
class BuildBundleInfo : public BundleInfo {
public:
    std::optional<QVariant> value(const QString& key) const override;
};

} // namespace tandrel
