// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tandrel::sim {

// Counts what a simulated component has handed out that refers back to the desktop: handles,
// observers and element handles. The real desktop's handles and observers hold plain references
// to it, so one that outlives it is a use after free waiting for a callback; the simulated
// desktop counts them so that it can refuse to die first.
class SimLifetimes {
public:
    enum class Kind { Handle, Observer, Element };

    // One thing handed out, counted for as long as the ticket lives. Holding the ledger keeps
    // the count readable even after the desktop is gone.
    class Ticket {
    public:
        Ticket() = default;
        Ticket(std::shared_ptr<SimLifetimes> ledger, Kind kind);
        ~Ticket();
        Ticket(Ticket&& other) noexcept;
        Ticket& operator=(Ticket&& other) noexcept;
        Ticket(const Ticket&) = delete;
        Ticket& operator=(const Ticket&) = delete;

    private:
        std::shared_ptr<SimLifetimes> m_ledger;
        Kind m_kind = Kind::Handle;
    };

    static Ticket issue(const std::shared_ptr<SimLifetimes>& ledger, Kind kind);
    // The handle, counted in the ledger for as long as it lives.
    static std::unique_ptr<Handle> counted(std::unique_ptr<Handle> handle,
                                           const std::shared_ptr<SimLifetimes>& ledger);
    int outstanding(Kind kind) const;
    int outstanding() const;

private:
    int m_counts[3] = {0, 0, 0};
};

// Watches the ledgers of a desktop's components and, when destroyed, stops the process with a
// message naming what is still alive. Declared first in the desktop, it is destroyed after every
// component, so what the desktop held itself is already gone by then.
class SimLifetimeGuard {
public:
    SimLifetimeGuard() = default;
    ~SimLifetimeGuard();
    SimLifetimeGuard(const SimLifetimeGuard&) = delete;
    SimLifetimeGuard& operator=(const SimLifetimeGuard&) = delete;

    void watch(std::string component, std::shared_ptr<SimLifetimes> ledger);
    // What is still alive, as the guard would report it; empty when nothing is.
    std::string survivors() const;

private:
    std::vector<std::pair<std::string, std::shared_ptr<SimLifetimes>>> m_watched;
};

} // namespace tandrel::sim
