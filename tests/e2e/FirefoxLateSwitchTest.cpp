// SPDX-License-Identifier: MIT

// Firefox started before the accessibility switch was turned on: it joins the bus, but reports
// the page itself as focused until the focus moves. tandrel-inspect must say what to do about it.
// (Chromium started that way never joins the bus at all.)

#include "testing/Fixtures.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace tandrel::e2e {
namespace {

class FirefoxLateSwitch : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded> {
};

TEST_F(FirefoxLateSwitch, InspectTellsToRestartTheBrowser) {
    QString error;
    ASSERT_TRUE(session_->setAccessibility(false, &error)) << error.toStdString();
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.input);
    ASSERT_TRUE(session_->setAccessibility(true, &error)) << error.toStdString();

    // Firefox joins the bus a moment after the switch; until then the tool names the bus.
    QString said;
    const bool told = waitUntil([&] {
        QProcess tool;
        tool.start(QStringLiteral(TANDREL_INSPECT_PATH), {QStringLiteral("--once")});
        if (!tool.waitForFinished(30000)) {
            tool.kill();
            tool.waitForFinished(5000);
        }
        said = QString::fromUtf8(tool.readAllStandardOutput());
        return said.contains(QLatin1String("the page itself has the focus"));
    });
    EXPECT_TRUE(told) << "last answer: " << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String("restart the browser once accessibility is on")))
        << said.toStdString();
    EXPECT_TRUE(said.startsWith(QLatin1String("no composer: no accepted input (roles: web document")))
        << said.toStdString();
}

} // namespace
} // namespace tandrel::e2e
