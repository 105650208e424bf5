// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FileWatching.h"
#include "platform/sim/SimLifetimes.h"

#include <cstdint>
#include <map>
#include <memory>

namespace tandrel::sim {

// File watching as a test drives it: the test changes a real file (in a temporary folder) and
// then says so with notifyChanged(), as the desktop would.
class SimFileWatching final : public FileWatching {
public:
    SimFileWatching();
    ~SimFileWatching() override;

    std::unique_ptr<Handle> watchFile(const QString& path, std::function<void()> handler) override;

    // Calls every handler watching this path.
    void notifyChanged(const QString& path);
    std::size_t watchers() const;
    // The watch handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

    struct Watches;

private:
    std::shared_ptr<Watches> m_watches;
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
};

} // namespace tandrel::sim
