// SPDX-License-Identifier: MIT
#include "platform/sim/SimFileWatching.h"

#include <vector>

namespace tandrel::sim {

struct SimFileWatching::Watches {
    struct Watch {
        QString path;
        std::function<void()> handler;
    };
    std::uint64_t nextID = 1;
    std::map<std::uint64_t, Watch> byID;
};

namespace {

class WatchHandle final : public Handle {
public:
    WatchHandle(std::weak_ptr<SimFileWatching::Watches> watches, std::uint64_t id,
                const std::shared_ptr<SimLifetimes>& lifetimes)
        : m_watches(std::move(watches)), m_id(id),
          m_ticket(SimLifetimes::issue(lifetimes, SimLifetimes::Kind::Handle)) {}
    ~WatchHandle() override {
        if (auto watches = m_watches.lock())
            watches->byID.erase(m_id);
    }

private:
    std::weak_ptr<SimFileWatching::Watches> m_watches;
    std::uint64_t m_id;
    SimLifetimes::Ticket m_ticket;
};

} // namespace

SimFileWatching::SimFileWatching() : m_watches(std::make_shared<Watches>()) {}
SimFileWatching::~SimFileWatching() = default;

std::unique_ptr<Handle> SimFileWatching::watchFile(const QString& path,
                                                   std::function<void()> handler) {
    const std::uint64_t id = m_watches->nextID++;
    m_watches->byID.emplace(id, Watches::Watch{path, std::move(handler)});
    return std::make_unique<WatchHandle>(m_watches, id, m_lifetimes);
}

void SimFileWatching::notifyChanged(const QString& path) {
    const std::shared_ptr<Watches> watches = m_watches;
    std::vector<std::uint64_t> ids;
    for (const auto& [id, watch] : watches->byID)
        if (watch.path == path)
            ids.push_back(id);
    // A handler may stop its own watch or another one; only the still registered ones run.
    for (const std::uint64_t id : ids) {
        const auto it = watches->byID.find(id);
        if (it == watches->byID.end())
            continue;
        const std::function<void()> handler = it->second.handler;
        if (handler)
            handler();
    }
}

std::size_t SimFileWatching::watchers() const {
    return m_watches->byID.size();
}

} // namespace tandrel::sim
