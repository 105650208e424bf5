// SPDX-License-Identifier: MIT
#include "app/identity/AppIdentity.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace tandrel;

TEST(AppIdentity, BuildValuesAreTheApplicationsAndAreReadBackFromIt) {
    AppIdentity::applyBuildValues();
    EXPECT_EQ(QCoreApplication::applicationName(), "Tandrel");
    EXPECT_EQ(QCoreApplication::applicationVersion(), QString(TANDREL_TEST_EXPECTED_VERSION));
    EXPECT_EQ(AppIdentity::name(), "Tandrel");
    EXPECT_EQ(AppIdentity::version(), QString(TANDREL_TEST_EXPECTED_VERSION));

    // Nothing is kept aside: what the application says now is the identity.
    QCoreApplication::setApplicationName(QStringLiteral("Tandrel Beta"));
    EXPECT_EQ(AppIdentity::name(), "Tandrel Beta");
    AppIdentity::applyBuildValues();
    EXPECT_EQ(AppIdentity::name(), "Tandrel");

    const QString configured = QStringLiteral(TANDREL_TEST_EXPECTED_SUPPORT_URL);
    if (configured.isEmpty())
        EXPECT_EQ(AppIdentity::supportURL(), std::nullopt);
    else
        EXPECT_EQ(AppIdentity::supportURL().value_or(QUrl()).toString(), configured);
}

TEST(AppIdentity, SupportAddressMustBeSecureWithAHost) {
    EXPECT_EQ(AppIdentity::secureSupportURL("https://example.org/support?ref=app"),
              QUrl("https://example.org/support?ref=app"));
    for (const char* refused :
         {"http://example.org/", "HTTPS://example.org/", "Https://example.org/", "https:///support",
          "https:support", "https://exa mple.org/", ""}) {
        EXPECT_EQ(AppIdentity::secureSupportURL(QString::fromUtf8(refused)), std::nullopt)
            << refused;
    }
}
