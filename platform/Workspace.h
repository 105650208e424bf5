// SPDX-License-Identifier: MIT
#pragma once

#include "core/ApplicationNames.h"
#include "platform/AccessibleElement.h"
#include "platform/Handle.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tandrel {

struct RunningApplication {
    std::optional<a11y::Pid> processIdentifier;
    ApplicationNames names;
    std::optional<QString> localizedName;
};

// The desktop's idea of applications: which one is in front, and when that changes.
class Workspace {
public:
    virtual ~Workspace() = default;

    // May answer from a reading made earlier in the same turn of the event loop: a change is
    // seen once the loop has turned.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual a11y::Pid ownProcessIdentifier() = 0;

    // Calls the handler on the main thread whenever another application becomes active, until
    // the returned handle is destroyed.
    virtual std::unique_ptr<Handle> observeApplicationActivation(std::function<void()> handler) = 0;

    // Starts the desktop's accessibility settings, where the user can turn assistive technologies
    // on. Returns whether a settings program was started; false when none is installed.
    virtual bool openAccessibilitySettings() = 0;

    // True while a window that is not an X11 client has the focus of a Wayland session: nothing
    // is in front as far as X11 knows, and no coordinates of that window can be trusted.
    virtual bool nativeWaylandWindowInFront() { return false; }
    // Why such a window cannot be served, with the way out; empty when nothing more is known.
    virtual QString nativeWaylandWindowProblem() { return {}; }
};

} // namespace tandrel
