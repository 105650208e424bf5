// SPDX-License-Identifier: MIT
#include "platform/sim/ManualClock.h"

#include <algorithm>
#include <cmath>

namespace tandrel::sim {

namespace {

std::int64_t toMicroseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return 0;
    return std::llround(seconds * 1e6);
}

} // namespace

struct ManualClock::State {
    struct Entry {
        std::uint64_t id = 0;
        std::int64_t due = 0;
        std::uint64_t order = 0;   // breaks ties between work due at the same moment
        std::int64_t interval = 0; // 0 for one-shot work
        std::shared_ptr<std::function<void()>> work;
    };

    std::int64_t now = 0;
    std::uint64_t nextID = 1;
    std::uint64_t nextOrder = 1;
    std::vector<Entry> entries;

    void cancel(std::uint64_t id) {
        std::erase_if(entries, [id](const Entry& e) { return e.id == id; });
    }
};

namespace {

class ClockHandle final : public Handle {
public:
    ClockHandle(std::weak_ptr<ManualClock::State> state, std::uint64_t id,
                const std::shared_ptr<SimLifetimes>& lifetimes)
        : m_state(std::move(state)), m_id(id),
          m_ticket(SimLifetimes::issue(lifetimes, SimLifetimes::Kind::Handle)) {}
    ~ClockHandle() override {
        if (auto state = m_state.lock())
            state->cancel(m_id);
    }

private:
    std::weak_ptr<ManualClock::State> m_state;
    std::uint64_t m_id;
    SimLifetimes::Ticket m_ticket;
};

} // namespace

ManualClock::ManualClock(double start) : m_state(std::make_shared<State>()) {
    m_state->now = toMicroseconds(start);
}

ManualClock::~ManualClock() = default;

double ManualClock::uptime() {
    return static_cast<double>(m_state->now) / 1e6;
}

std::unique_ptr<Handle> ManualClock::runAfter(double seconds, std::function<void()> work) {
    State::Entry entry;
    entry.id = m_state->nextID++;
    entry.due = m_state->now + toMicroseconds(seconds);
    entry.order = m_state->nextOrder++;
    entry.work = std::make_shared<std::function<void()>>(std::move(work));
    m_state->entries.push_back(entry);
    return std::make_unique<ClockHandle>(m_state, entry.id, m_lifetimes);
}

std::unique_ptr<Handle> ManualClock::repeat(double interval, double /*tolerance*/,
                                            std::function<void()> tick) {
    State::Entry entry;
    entry.id = m_state->nextID++;
    // A zero interval would make advance() spin forever; one microsecond is the finest step.
    entry.interval = std::max<std::int64_t>(1, toMicroseconds(interval));
    entry.due = m_state->now + entry.interval;
    entry.order = m_state->nextOrder++;
    entry.work = std::make_shared<std::function<void()>>(std::move(tick));
    m_state->entries.push_back(entry);
    return std::make_unique<ClockHandle>(m_state, entry.id, m_lifetimes);
}

void ManualClock::advance(double seconds) {
    // Keep the state alive even if running work destroys the clock's owner's last reference.
    const std::shared_ptr<State> state = m_state;
    const std::int64_t target = state->now + toMicroseconds(seconds);
    for (;;) {
        auto next = state->entries.end();
        for (auto it = state->entries.begin(); it != state->entries.end(); ++it) {
            if (it->due > target)
                continue;
            if (next == state->entries.end() || it->due < next->due ||
                (it->due == next->due && it->order < next->order))
                next = it;
        }
        if (next == state->entries.end())
            break;
        state->now = std::max(state->now, next->due);
        // Take the work out (or re-arm it) before running it, so the work may freely cancel its
        // own handle or schedule more work.
        const std::shared_ptr<std::function<void()>> work = next->work;
        if (next->interval > 0) {
            next->due += next->interval;
            next->order = state->nextOrder++;
        } else {
            state->entries.erase(next);
        }
        (*work)();
    }
    state->now = std::max(state->now, target);
}

std::size_t ManualClock::pendingCount() const {
    return m_state->entries.size();
}

} // namespace tandrel::sim
