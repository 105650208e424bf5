#pragma once

namespace tandrel {

// Ownership of something that keeps running until given up: a scheduled call, a timer, a
// notification registration. Destroying the handle cancels it, so a callback never outlives the
// object that owns its handle.
class Handle {
public:
    virtual ~Handle() = default;
};

} // namespace tandrel
