// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Clock.h"

namespace tandrel::linuxdesktop {

// Time from the monotonic clock; deferred work on Qt timers of the calling (main) thread.
class QtClock final : public Clock {
public:
    double uptime() override;
    std::unique_ptr<Handle> runAfter(double seconds, std::function<void()> work) override;
    std::unique_ptr<Handle> repeat(double interval, double tolerance,
                                   std::function<void()> tick) override;
};

} // namespace tandrel::linuxdesktop
