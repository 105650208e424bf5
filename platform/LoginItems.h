// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandrel {

// Whether the program starts when the user logs in. The raw values are those of the menu's state
// table; a value outside them counts as "some other status" wherever it is read. Taken: the
// program's place in the record holds an entry that starts something else (an older copy
// installed elsewhere, the user's own entry); it is never changed until the user registers.
enum class LoginItemStatus {
    NotRegistered = 0,
    Enabled = 1,
    RequiresApproval = 2,
    NotFound = 3,
    Taken = 4
};

// The desktop's record of programs started at login. Owned by the Desktop and alive as long as it.
class LoginItems {
public:
    virtual ~LoginItems() = default;

    // Read afresh on every call, so a change made outside the program shows the next time.
    virtual LoginItemStatus status() = 0;
    // While the status is Taken: what the entry in the program's place starts, in words the user
    // recognises (its command line); empty otherwise.
    virtual QString takenBy() { return {}; }
    // Both throw tandrel::Error (a FileError naming the file and the system's reason) on failure.
    virtual void registerApp() = 0;
    virtual void unregisterApp() = 0;
    // Opens the desktop's startup-applications settings when one is installed; else nothing.
    virtual void openSettings() = 0;
};

} // namespace tandrel
