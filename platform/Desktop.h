#pragma once

#include "platform/Accessibility.h"
#include "platform/Clock.h"
#include "platform/KeyEvents.h"
#include "platform/LoginItems.h"
#include "platform/Pasteboard.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

namespace tandrel {

// Everything the application logic needs from the operating system. The real desktop and the
// simulated one used by the tests both implement it.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual ax::Accessibility& accessibility() = 0;
    virtual Workspace& workspace() = 0;
    virtual Clock& clock() = 0;
    virtual Screens& screens() = 0;
    virtual LoginItems& loginItems() = 0;
    virtual Pasteboard& pasteboard() = 0;
    virtual KeyEvents& keyEvents() = 0;
};

} // namespace tandrel
