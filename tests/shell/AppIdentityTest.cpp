#include "app/shell/AppIdentity.h"

#include <gtest/gtest.h>

#include <map>

using namespace tandrel;

namespace {

class FakeBundleInfo : public BundleInfo {
public:
    FakeBundleInfo(std::map<QString, QVariant> values = {}) : values_(std::move(values)) {}
    std::optional<QVariant> value(const QString& key) const override {
        const auto it = values_.find(key);
        if (it == values_.end())
            return std::nullopt;
        return it->second;
    }

private:
    std::map<QString, QVariant> values_;
};

std::optional<QUrl> supportURLFor(const QVariant& value) {
    return AppIdentity::supportURL(FakeBundleInfo({{"SupportURL", value}}));
}

} // namespace

TEST(AppIdentity, FallsBackWithoutBundleInformation) {
    const FakeBundleInfo empty;
    EXPECT_EQ(AppIdentity::name(empty), "Tandrel");
    EXPECT_EQ(AppIdentity::version(empty), "Development");
    EXPECT_EQ(AppIdentity::supportURL(empty), std::nullopt);
}

TEST(AppIdentity, UsesStringValuesAsTheyAreAndIgnoresOtherTypes) {
    const FakeBundleInfo strings({{"CFBundleDisplayName", QString("Tandrel Beta")},
                                  {"CFBundleShortVersionString", QString("")}});
    EXPECT_EQ(AppIdentity::name(strings), "Tandrel Beta");
    EXPECT_EQ(AppIdentity::version(strings), "");

    const FakeBundleInfo numbers(
        {{"CFBundleDisplayName", QVariant(42)}, {"CFBundleShortVersionString", QVariant(1.5)}});
    EXPECT_EQ(AppIdentity::name(numbers), "Tandrel");
    EXPECT_EQ(AppIdentity::version(numbers), "Development");
}

TEST(AppIdentity, SupportAddressMustBeSecureWithAHost) {
    EXPECT_EQ(supportURLFor(QString("https://example.org/support?ref=app")),
              QUrl("https://example.org/support?ref=app"));
    EXPECT_EQ(supportURLFor(QString("http://example.org/")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("HTTPS://example.org/")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("Https://example.org/")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("https:///support")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("https:support")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("https://exa mple.org/")), std::nullopt);
    EXPECT_EQ(supportURLFor(QString("")), std::nullopt);
    EXPECT_EQ(supportURLFor(QVariant(443)), std::nullopt);
}

TEST(AppIdentity, BuildInformationNamesTheProject) {
    EXPECT_EQ(AppIdentity::name(), "Tandrel");
    EXPECT_EQ(AppIdentity::version(), QString(TANDREL_TEST_EXPECTED_VERSION));
    const QString configured = QStringLiteral(TANDREL_TEST_EXPECTED_SUPPORT_URL);
    if (configured.isEmpty())
        EXPECT_EQ(AppIdentity::supportURL(), std::nullopt);
    else
        EXPECT_EQ(AppIdentity::supportURL().value_or(QUrl()).toString(), configured);
}
