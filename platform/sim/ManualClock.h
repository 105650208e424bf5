// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Clock.h"
#include "platform/sim/SimLifetimes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tandrel::sim {

// A clock that only moves when a test moves it. advance() runs every piece of due work in time
// order (ties in the order they were scheduled), including repeating timers and work scheduled by
// work, so rules of 0.03 s or 5 s are tested exactly and without sleeping.
//
// Time is kept in whole microseconds so that advancing by 0.01 three times lands exactly where a
// delay of 0.03 was scheduled.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1000.0);
    ~ManualClock() override;

    double uptime() override;
    std::unique_ptr<Handle> runAfter(double seconds, std::function<void()> work) override;
    std::unique_ptr<Handle> repeat(double interval, double tolerance,
                                   std::function<void()> tick) override;

    // Moves time forward, running what falls due on the way (work due exactly at the end runs).
    void advance(double seconds);
    // Number of scheduled, not yet cancelled, pieces of work (a repeating timer counts once).
    std::size_t pendingCount() const;
    // The handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
};

} // namespace tandrel::sim
