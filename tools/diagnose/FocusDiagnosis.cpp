#include "tools/diagnose/FocusDiagnosis.h"
#include "platform/AXNames.h"

namespace tandrel::diagnosis {

FocusDiagnosis::FocusDiagnosis(Desktop& desktop) : m_desktop(desktop), m_tracker(desktop) {}

FocusAnswer FocusDiagnosis::evaluate() {
    // One evaluation; its outcome says why when there is no target.
    m_lastTarget = m_tracker.current(true);
    const FocusOutcome& outcome = m_tracker.lastOutcome();
    FocusAnswer answer;
    answer.decision = outcome.text();
    const std::optional<ChatTarget>& target = m_lastTarget;
    if (!target)
        return answer;
    const std::optional<RunningApplication> app = m_desktop.workspace().frontmostApplication();
    TargetSummary t;
    t.pid = target->pid;
    t.bundle = app && app->bundleIdentifier ? *app->bundleIdentifier : QString();
    t.appName = target->appName;
    t.role = m_tracker.ax().string(target->element, ax::attr::role);
    t.frame = target->frame;
    t.panelCount = outcome.panelCount.value_or(-1);
    if (target->documentURL)
        t.url = target->documentURL->toString();
    answer.target = t;
    return answer;
}

} // namespace tandrel::diagnosis
