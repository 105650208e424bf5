// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/FileWatching.h"
#include "platform/KeyEvents.h"
#include "platform/LoginItems.h"
#include "platform/Pasteboard.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

namespace tandrel {

// Everything the application logic needs from the operating system. The real desktop and the
// simulated one used by the tests both implement it.
//
// Lifetime contract: the desktop is created first and destroyed last. Everything obtained from
// it — handles (Clock, Workspace), observers and element handles (Accessibility), and every
// object that keeps one (a tracker, a controller, a window built on its screens) — must be
// destroyed before it: the real desktop's handles and observers hold plain references to its
// parts. Declare the desktop before its users, so that scope exit destroys them first. The
// simulated desktop enforces this: its destructor stops the process, naming what is still
// alive.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual a11y::Accessibility& accessibility() = 0;
    virtual Workspace& workspace() = 0;
    virtual Clock& clock() = 0;
    virtual Screens& screens() = 0;
    virtual LoginItems& loginItems() = 0;
    virtual Pasteboard& pasteboard() = 0;
    virtual KeyEvents& keyEvents() = 0;
    virtual FileWatching& fileWatching() = 0;
};

} // namespace tandrel
