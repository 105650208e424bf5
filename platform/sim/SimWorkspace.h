// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Workspace.h"
#include "platform/sim/SimLifetimes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace tandrel::sim {

// The simulated workspace: which application is in front, and who hears about a change.
class SimWorkspace final : public Workspace {
public:
    SimWorkspace();
    ~SimWorkspace() override;

    std::optional<RunningApplication> frontmostApplication() override { return m_frontmost; }
    a11y::Pid ownProcessIdentifier() override { return m_ownPid; }
    std::unique_ptr<Handle> observeApplicationActivation(std::function<void()> handler) override;
    bool openAccessibilitySettings() override;

    // Puts an application (or none) in front without telling anybody.
    void setFrontmost(std::optional<RunningApplication> application) {
        m_frontmost = std::move(application);
    }
    void setOwnProcessIdentifier(a11y::Pid pid) { m_ownPid = pid; }
    bool nativeWaylandWindowInFront() override { return m_nativeWayland; }
    void setNativeWaylandWindowInFront(bool inFront) { m_nativeWayland = inFront; }
    // Tells every registered handler that another application became active.
    void notifyActivation();
    std::size_t activationObservers() const;
    // The activation handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }
    // How often the accessibility settings were asked for, and what the next request answers
    // (whether a settings program is installed).
    int accessibilitySettingsOpened() const { return m_settingsOpened; }
    void setAccessibilitySettingsAvailable(bool available) { m_settingsAvailable = available; }

    struct Handlers;

private:
    std::optional<RunningApplication> m_frontmost;
    a11y::Pid m_ownPid = 1;
    bool m_nativeWayland = false;
    std::shared_ptr<Handlers> m_handlers;
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
    int m_settingsOpened = 0;
    bool m_settingsAvailable = true;
};

} // namespace tandrel::sim
