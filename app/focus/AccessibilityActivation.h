// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXValue.h"

#include <QString>

#include <map>
#include <optional>
#include <set>

namespace tandrel {

class AX;

// Desktop chat applications built on web content keep most of their accessibility tree asleep
// until asked to expose it. This record remembers, for every process seen, whether that request
// has been settled, and paces retries so a stubborn application is asked at most every 5 seconds.
class AccessibilityActivation {
public:
    static constexpr double retryInterval = 5.0;

    // Processes for which activation is settled.
    const std::set<ax::Pid>& finished() const { return m_finished; }
    // Processes that accepted "AXManualAccessibility" (and may reset it later).
    const std::set<ax::Pid>& manual() const { return m_manual; }
    // Earliest uptime at which a process may be tried or checked again.
    const std::map<ax::Pid, double>& retryAfter() const { return m_retryAfter; }

    // Activates or re-checks the application when due, then returns its focused element: the one
    // already read when there is one, else a fresh read (activation can make one appear).
    std::optional<ax::Element> run(const AX& ax, const ax::Element& application, ax::Pid pid,
                                   const QString& bundle, double now,
                                   const std::optional<ax::Element>& focused);

private:
    void activate(const AX& ax, const ax::Element& application, ax::Pid pid, const QString& bundle);

    std::set<ax::Pid> m_finished;
    std::set<ax::Pid> m_manual;
    std::map<ax::Pid, double> m_retryAfter;
};

} // namespace tandrel
