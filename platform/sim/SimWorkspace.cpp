// SPDX-License-Identifier: MIT
#include "platform/sim/SimWorkspace.h"

#include <vector>

namespace tandrel::sim {

struct SimWorkspace::Handlers {
    std::uint64_t nextID = 1;
    std::map<std::uint64_t, std::function<void()>> byID;
};

namespace {

class ActivationHandle final : public Handle {
public:
    ActivationHandle(std::weak_ptr<SimWorkspace::Handlers> handlers, std::uint64_t id,
                     const std::shared_ptr<SimLifetimes>& lifetimes)
        : m_handlers(std::move(handlers)), m_id(id),
          m_ticket(SimLifetimes::issue(lifetimes, SimLifetimes::Kind::Handle)) {}
    ~ActivationHandle() override {
        if (auto handlers = m_handlers.lock())
            handlers->byID.erase(m_id);
    }

private:
    std::weak_ptr<SimWorkspace::Handlers> m_handlers;
    std::uint64_t m_id;
    SimLifetimes::Ticket m_ticket;
};

} // namespace

SimWorkspace::SimWorkspace() : m_handlers(std::make_shared<Handlers>()) {}
SimWorkspace::~SimWorkspace() = default;

std::unique_ptr<Handle> SimWorkspace::observeApplicationActivation(std::function<void()> handler) {
    const std::uint64_t id = m_handlers->nextID++;
    m_handlers->byID.emplace(id, std::move(handler));
    return std::make_unique<ActivationHandle>(m_handlers, id, m_lifetimes);
}

void SimWorkspace::notifyActivation() {
    const std::shared_ptr<Handlers> handlers = m_handlers;
    std::vector<std::uint64_t> ids;
    for (const auto& [id, handler] : handlers->byID)
        ids.push_back(id);
    // A handler may unregister itself or another one; only the still registered ones run.
    for (const std::uint64_t id : ids) {
        const auto it = handlers->byID.find(id);
        if (it == handlers->byID.end())
            continue;
        const std::function<void()> handler = it->second;
        if (handler)
            handler();
    }
}

bool SimWorkspace::openAccessibilitySettings() {
    ++m_settingsOpened;
    return m_settingsAvailable;
}

std::size_t SimWorkspace::activationObservers() const {
    return m_handlers->byID.size();
}

} // namespace tandrel::sim
