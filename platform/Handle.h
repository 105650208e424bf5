// SPDX-License-Identifier: MIT
#pragma once

namespace tandrel {

// Ownership of something that keeps running until given up: a scheduled call, a timer, a
// notification registration. Destroying the handle cancels it, so a callback never outlives the
// object that owns its handle.
//
// Lifetime: a handle refers to the desktop that made it (the real one holds a plain reference),
// so every handle must be destroyed before that desktop. The simulated desktop stops the process
// when one outlives it.
class Handle {
public:
    virtual ~Handle() = default;
};

} // namespace tandrel
