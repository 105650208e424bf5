// SPDX-License-Identifier: MIT
#include "platform/sim/SimFileWatching.h"

namespace tandrel::sim {

std::unique_ptr<Handle> SimFileWatching::watchFile(const QString& path,
                                                   std::function<void()> handler) {
    return SimLifetimes::counted(m_watchers[path].add(std::move(handler)), m_lifetimes);
}

void SimFileWatching::notifyChanged(const QString& path) {
    const auto it = m_watchers.find(path);
    if (it != m_watchers.end())
        it->second.notify();
}

} // namespace tandrel::sim
