// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"

#include <functional>
#include <memory>

namespace tandrel {

// Time and deferred work on the main thread.
class Clock {
public:
    virtual ~Clock() = default;

    // Seconds since an arbitrary fixed start, monotonic.
    virtual double uptime() = 0;

    // Runs the work once on the main thread after the delay, unless the handle is destroyed first.
    virtual std::unique_ptr<Handle> runAfter(double seconds, std::function<void()> work) = 0;

    // Runs the tick every interval (allowing the given tolerance) until the handle is destroyed.
    virtual std::unique_ptr<Handle> repeat(double interval, double tolerance,
                                           std::function<void()> tick) = 0;
};

} // namespace tandrel
