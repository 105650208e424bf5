// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>
#include <QObject>

#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What the focus observation receives (category "tandrel.observation").
Q_DECLARE_LOGGING_CATEGORY(lcObservation)

namespace tandrel {

// Turns accessibility changes of the frontmost application (focus moved, window changed) and of
// the current composer's elements (moved, resized, re-laid out, edited, destroyed), plus the
// activation of another application, into changed(): one signal 0.03 seconds after the first
// event of a burst.
class FocusObservation final : public QObject {
    Q_OBJECT
public:
    static constexpr double refreshDelay = 0.03;

    // What it uses of the desktop, which outlive it: accessibility events, the activation of
    // applications, and the clock that coalesces them.
    FocusObservation(a11y::Accessibility& accessibility, Workspace& workspace, Clock& clock);
    ~FocusObservation();
    FocusObservation(const FocusObservation&) = delete;
    FocusObservation& operator=(const FocusObservation&) = delete;

    // Which process to watch (none to stop), and, when given, which elements to watch; elements
    // already watched keep their subscriptions.
    void observe(std::optional<a11y::Pid> pid, std::optional<std::vector<a11y::Element>> elements);

    const std::optional<a11y::Pid>& pid() const { return m_pid; }
    bool isConnected() const { return m_observer != nullptr; }

signals:
    void changed();

private:
    void watch(a11y::Pid pid);
    void stopWatching();
    void updateElements(const std::vector<a11y::Element>& elements);
    void accessibilityChanged();
    void scheduleRefresh();

    a11y::Accessibility& m_accessibility;
    Clock& m_clock;
    bool m_receivedEvent = false;
    std::unique_ptr<a11y::Observer> m_observer;
    std::optional<a11y::Pid> m_pid;
    a11y::Element m_application;
    std::vector<a11y::Element> m_elements;
    bool m_refreshPending = false;
    std::unique_ptr<Handle> m_refresh;
    std::unique_ptr<Handle> m_workspaceToken;
};

} // namespace tandrel
