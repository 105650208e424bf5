// SPDX-License-Identifier: MIT
#include "platform/sim/SimLifetimes.h"

#include <cstdio>
#include <cstdlib>

namespace tandrel::sim {

SimLifetimes::Ticket::Ticket(std::shared_ptr<SimLifetimes> ledger, Kind kind)
    : m_ledger(std::move(ledger)), m_kind(kind) {
    if (m_ledger)
        ++m_ledger->m_counts[static_cast<int>(m_kind)];
}

SimLifetimes::Ticket::~Ticket() {
    if (m_ledger)
        --m_ledger->m_counts[static_cast<int>(m_kind)];
}

SimLifetimes::Ticket::Ticket(Ticket&& other) noexcept
    : m_ledger(std::move(other.m_ledger)), m_kind(other.m_kind) {}

SimLifetimes::Ticket& SimLifetimes::Ticket::operator=(Ticket&& other) noexcept {
    if (this != &other) {
        if (m_ledger)
            --m_ledger->m_counts[static_cast<int>(m_kind)];
        m_ledger = std::move(other.m_ledger);
        m_kind = other.m_kind;
    }
    return *this;
}

SimLifetimes::Ticket SimLifetimes::issue(const std::shared_ptr<SimLifetimes>& ledger, Kind kind) {
    return Ticket(ledger, kind);
}

namespace {

class CountedHandle final : public Handle {
public:
    CountedHandle(std::unique_ptr<Handle> handle, const std::shared_ptr<SimLifetimes>& ledger)
        : m_handle(std::move(handle)),
          m_ticket(SimLifetimes::issue(ledger, SimLifetimes::Kind::Handle)) {}

private:
    std::unique_ptr<Handle> m_handle;
    SimLifetimes::Ticket m_ticket;
};

} // namespace

std::unique_ptr<Handle> SimLifetimes::counted(std::unique_ptr<Handle> handle,
                                              const std::shared_ptr<SimLifetimes>& ledger) {
    return std::make_unique<CountedHandle>(std::move(handle), ledger);
}

int SimLifetimes::outstanding(Kind kind) const {
    return m_counts[static_cast<int>(kind)];
}

int SimLifetimes::outstanding() const {
    return m_counts[0] + m_counts[1] + m_counts[2];
}

void SimLifetimeGuard::watch(std::string component, std::shared_ptr<SimLifetimes> ledger) {
    m_watched.emplace_back(std::move(component), std::move(ledger));
}

std::string SimLifetimeGuard::survivors() const {
    std::string out;
    const auto add = [&out](const std::string& component, int count, const char* what) {
        if (count == 0)
            return;
        if (!out.empty())
            out += ", ";
        out += std::to_string(count) + " " + what + " of " + component;
    };
    for (const auto& [component, ledger] : m_watched) {
        add(component, ledger->outstanding(SimLifetimes::Kind::Handle), "handle(s)");
        add(component, ledger->outstanding(SimLifetimes::Kind::Observer), "observer(s)");
        add(component, ledger->outstanding(SimLifetimes::Kind::Element), "element(s)");
    }
    return out;
}

SimLifetimeGuard::~SimLifetimeGuard() {
    const std::string alive = survivors();
    if (alive.empty())
        return;
    // A survivor would hold a dangling reference on the real desktop. Stopping here names the
    // wrong teardown order in the test that has it, instead of a crash somewhere later.
    std::fprintf(stderr,
                 "Simulated desktop destroyed while %s still alive: destroy every handle, "
                 "observer and element taken from a desktop before the desktop.\n",
                 alive.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace tandrel::sim
