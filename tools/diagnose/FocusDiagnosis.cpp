// SPDX-License-Identifier: MIT
#include "tools/diagnose/FocusDiagnosis.h"

namespace tandrel::diagnosis {

namespace {

const QString kRestartBrowser = QStringLiteral("restart the browser once accessibility is on");

} // namespace

FocusDiagnosis::FocusDiagnosis(Desktop& desktop, BrowserTest isBrowser)
    : m_desktop(desktop), m_isBrowser(std::move(isBrowser)),
      m_tracker(desktop.accessibility(), desktop.workspace(), desktop.clock()) {}

QString FocusDiagnosis::decisionFor(const FocusOutcome& outcome) const {
    const QString text = outcome.text();
    using Reason = FocusOutcome::Reason;
    if (outcome.reason != Reason::notOnAccessibilityBus &&
        !(outcome.reason == Reason::noAcceptedInput &&
          outcome.detail.startsWith(a11y::nameOf(a11y::Role::webDocument))))
        return text;
    const std::optional<RunningApplication> app = m_desktop.workspace().frontmostApplication();
    const std::optional<QString> identity = app ? identityFor(app->names) : std::nullopt;
    if (!m_isBrowser || !identity || !m_isBrowser(*identity))
        return text;
    // A browser started before the switch either stays off the bus (Chromium) or joins it
    // with the page itself focused until the focus moves (Firefox). A click on the page's
    // background focuses the page too, so both remedies are named.
    if (outcome.reason == Reason::notOnAccessibilityBus)
        return text + QStringLiteral(": ") + kRestartBrowser;
    return text +
           QStringLiteral("; the page itself has the focus: click into the message box, "
                          "or ") +
           kRestartBrowser;
}

FocusAnswer FocusDiagnosis::evaluate() {
    // One evaluation; its outcome says why when there is no target.
    const FocusResult result = m_tracker.evaluate(true);
    m_lastTarget = result.target;
    const FocusOutcome& outcome = result.outcome;
    FocusAnswer answer;
    answer.decision = decisionFor(outcome);
    const std::optional<ChatTarget>& target = m_lastTarget;
    if (!target)
        return answer;
    const std::optional<RunningApplication> app = m_desktop.workspace().frontmostApplication();
    TargetSummary t;
    t.pid = target->pid;
    t.identity = app ? identityFor(app->names).value_or(QString()) : QString();
    t.appName = target->appName;
    const auto role = m_tracker.reads().role(target->element);
    t.role = role ? a11y::nameOf(*role) : QString();
    t.frame = target->frame;
    t.panelCount = outcome.panelCount.value_or(-1);
    if (target->documentURL)
        t.url = target->documentURL->toString();
    answer.target = t;
    return answer;
}

} // namespace tandrel::diagnosis
