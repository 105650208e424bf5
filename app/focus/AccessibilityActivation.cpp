// SPDX-License-Identifier: MIT
#include "app/focus/AccessibilityActivation.h"

#include "app/focus/AccessibleReads.h"
#include "app/focus/FocusTracker.h"

namespace tandrel {

void AccessibilityActivation::activate(const AccessibleReads& reads,
                                       const a11y::Element& application, a11y::Pid pid,
                                       const QString& chat) {
    const Result<Done> woken = reads.wake(application);
    qCInfo(lcLayout, "Accessibility activation: %s %s result: %s", qUtf8Printable(chat), "wake",
           woken.ok() ? "done" : nameOf(woken.failure()));
    if (woken.ok()) {
        m_manual.insert(pid);
        m_finished.insert(pid);
    } else if (woken.failure() == Failure::unsupported) {
        // Nothing to wake: the tree it shows is all there is.
        m_manual.erase(pid);
        m_finished.insert(pid);
    }
    // Otherwise tried again once the retry interval has passed.
}

std::optional<a11y::Element>
AccessibilityActivation::run(const AccessibleReads& reads, const a11y::Element& application,
                             a11y::Pid pid, const QString& chat, double now,
                             const std::optional<a11y::Element>& focused) {
    const auto refocused = [&]() -> std::optional<a11y::Element> {
        if (focused)
            return focused;
        reads.forgetFocus(application);
        return reads.focusedElement(application);
    };

    const auto due = m_retryAfter.find(pid);
    if (due != m_retryAfter.end() && now < due->second)
        return refocused();

    if (m_finished.contains(pid)) {
        if (!m_manual.contains(pid) || focused)
            return refocused();
        // An application that accepted the request but shows no focus may have fallen asleep
        // again (a relaunched renderer does): check, at most every retry interval.
        m_retryAfter[pid] = now + retryInterval;
        if (reads.isAwake(application) != false)
            return refocused();
    } else {
        m_retryAfter[pid] = now + retryInterval;
    }
    activate(reads, application, pid, chat);
    return refocused();
}

} // namespace tandrel
