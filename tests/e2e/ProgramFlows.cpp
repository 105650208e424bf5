// SPDX-License-Identifier: MIT
#include "tests/e2e/ProgramFlows.h"

#include <QFile>

namespace tandrel::e2e {

using namespace std::chrono_literals;

void ProgramFlows::SetUpTestSuite() {
    PrivateDesktopSuite::SetUpTestSuite();
    if (session_ && !connectToAccessibilityBus(&a11yError_))
        a11yError_ = QStringLiteral("the accessibility bus: ") + a11yError_;
}

void ProgramFlows::SetUp() {
    PrivateDesktopSuite::SetUp();
    ASSERT_TRUE(a11yError_.isEmpty()) << a11yError_.toStdString();
}

void ProgramFlows::TearDown() {
    clipboard_.release();
}

std::optional<AccessibleObject> waitForWidget(const TandrelProgram& tandrel, const QString& role,
                                              const QString& name) {
    std::optional<AccessibleObject> found;
    waitUntil([&] { return bool(found = findShowing(tandrel.pid(), role, name)); });
    return found;
}

bool click(const AccessibleObject& widget) {
    return !widget.extents.isEmpty() && clickAt(widget.centre().x(), widget.centre().y());
}

std::vector<DesktopSession::SentMessage>
ProgramFlows::collectSent(std::chrono::milliseconds timeout, std::chrono::milliseconds quiet) {
    return e2e::collectSent(*session_, timeout, quiet);
}

void ProgramFlows::forgetSent() {
    QString error;
    session_->takeSent(&error);
}

} // namespace tandrel::e2e
