// SPDX-License-Identifier: MIT
#pragma once

#include "testing/AccessibleObjects.h"
#include "testing/TandrelProgram.h"
#include "tests/e2e/ForeignClipboard.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel::e2e {

// The showing widget of the program with that role and name, once it appears.
std::optional<AccessibleObject> waitForWidget(const TandrelProgram& tandrel, const QString& role,
                                              const QString& name);
// Clicks the middle of a widget; false when it has no place on the screen or xdotool failed.
bool click(const AccessibleObject& widget);

// The real tandrel driven as a user drives it: clicks and keystrokes through xdotool, its
// widgets found and read by role and name over the accessibility bus, what the pages send
// reported by the fixture server, and the user's clipboard held by another program. One suite
// for all cases: this process keeps one connection to the accessibility bus, so one desktop.
class ProgramFlows : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded> {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Everything the pages sent until `quiet` has passed with nothing new, once the first message
    // arrived or `timeout` passed without one.
    static std::vector<DesktopSession::SentMessage> collectSent(std::chrono::milliseconds timeout,
                                                                std::chrono::milliseconds quiet);
    static void forgetSent();

    static inline QString a11yError_;
    // The user's clipboard, held by another application.
    ForeignClipboard clipboard_;
};

} // namespace tandrel::e2e
