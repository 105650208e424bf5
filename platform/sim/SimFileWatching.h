// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FileWatching.h"
#include "platform/Observers.h"
#include "platform/sim/SimLifetimes.h"

#include <QString>

#include <map>
#include <memory>

namespace tandrel::sim {

// File watching as a test drives it: the test changes a real file (in a temporary folder) and
// then says so with notifyChanged(), as the desktop would.
class SimFileWatching final : public FileWatching {
public:
    std::unique_ptr<Handle> watchFile(const QString& path, std::function<void()> handler) override;

    // Calls every handler watching this path.
    void notifyChanged(const QString& path);
    // The watch handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

private:
    std::map<QString, Observers> m_watchers;
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
};

} // namespace tandrel::sim
