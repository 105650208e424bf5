// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace tandrel {

// The handlers of one notification, each registered until its handle is destroyed. A handler may
// register or unregister any handler while it runs: only those still registered are called. A
// handle may outlive the list; then destroying it does nothing.
class Observers {
public:
    std::unique_ptr<Handle> add(std::function<void()> handler) {
        const std::uint64_t id = m_handlers->next++;
        m_handlers->byId.emplace(id, std::move(handler));
        return std::make_unique<Registration>(m_handlers, id);
    }

    void notify() const {
        const std::shared_ptr<Handlers> handlers = m_handlers;
        std::vector<std::uint64_t> ids;
        for (const auto& entry : handlers->byId)
            ids.push_back(entry.first);
        for (const std::uint64_t id : ids) {
            const auto it = handlers->byId.find(id);
            if (it == handlers->byId.end())
                continue;
            const std::function<void()> handler = it->second; // it may unregister itself
            handler();
        }
    }

    std::size_t size() const { return m_handlers->byId.size(); }

private:
    struct Handlers {
        std::uint64_t next = 0;
        std::map<std::uint64_t, std::function<void()>> byId;
    };
    class Registration final : public Handle {
    public:
        Registration(std::weak_ptr<Handlers> handlers, std::uint64_t id)
            : m_handlers(std::move(handlers)), m_id(id) {}
        ~Registration() override {
            if (const auto handlers = m_handlers.lock())
                handlers->byId.erase(m_id);
        }

    private:
        std::weak_ptr<Handlers> m_handlers;
        std::uint64_t m_id;
    };

    std::shared_ptr<Handlers> m_handlers = std::make_shared<Handlers>();
};

} // namespace tandrel
