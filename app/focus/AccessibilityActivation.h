// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AccessibleElement.h"

#include <QString>

#include <map>
#include <optional>
#include <set>

namespace tandrel {

class AccessibleReads;

// Desktop chat applications built on web content keep most of their accessibility tree asleep
// until asked to show it. This record remembers, for every process seen, whether that request
// has been settled, and paces retries so a stubborn application is asked at most every 5 seconds.
class AccessibilityActivation {
public:
    static constexpr double retryInterval = 5.0;

    // Processes for which activation is settled.
    const std::set<a11y::Pid>& finished() const { return m_finished; }
    // Processes that accepted the request to show their tree (and may fall asleep again).
    const std::set<a11y::Pid>& manual() const { return m_manual; }
    // Earliest uptime at which a process may be tried or checked again.
    const std::map<a11y::Pid, double>& retryAfter() const { return m_retryAfter; }

    // Activates or re-checks the application when due, then returns its focused element: the one
    // already read when there is one, else a fresh read (activation can make one appear).
    std::optional<a11y::Element> run(const AccessibleReads& reads, const a11y::Element& application,
                                     a11y::Pid pid, const QString& chat, double now,
                                     const std::optional<a11y::Element>& focused);

private:
    void activate(const AccessibleReads& reads, const a11y::Element& application, a11y::Pid pid,
                  const QString& chat);

    std::set<a11y::Pid> m_finished;
    std::set<a11y::Pid> m_manual;
    std::map<a11y::Pid, double> m_retryAfter;
};

} // namespace tandrel
