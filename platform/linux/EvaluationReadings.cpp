// SPDX-License-Identifier: MIT
#include "platform/linux/EvaluationReadings.h"

namespace tandrel::linuxdesktop {

QByteArray EvaluationReadings::keyOf(const QByteArray& bus, const QByteArray& path) {
    return bus + '\n' + path;
}

void EvaluationReadings::clear() {
    m_attributes.clear();
    m_extents.clear();
}

GHashTablePtr EvaluationReadings::attributes(const QByteArray& bus, const QByteArray& path,
                                             std::uint64_t changes) const {
    const auto it = m_attributes.find(keyOf(bus, path));
    if (it == m_attributes.end() || it->second.changes != changes)
        return {};
    return GHashTablePtr(g_hash_table_ref(it->second.value.get()));
}

void EvaluationReadings::keepAttributes(const QByteArray& bus, const QByteArray& path,
                                        std::uint64_t changes, GHashTable* attributes) {
    if (!active() || !attributes)
        return;
    m_attributes[keyOf(bus, path)] = {changes, GHashTablePtr(g_hash_table_ref(attributes))};
}

std::optional<AtspiRect> EvaluationReadings::extents(const QByteArray& bus, const QByteArray& path,
                                                     std::uint64_t changes) const {
    const auto it = m_extents.find(keyOf(bus, path));
    if (it == m_extents.end() || it->second.changes != changes)
        return std::nullopt;
    return it->second.value;
}

void EvaluationReadings::keepExtents(const QByteArray& bus, const QByteArray& path,
                                     std::uint64_t changes, const AtspiRect& extents) {
    if (active())
        m_extents[keyOf(bus, path)] = {changes, extents};
}

} // namespace tandrel::linuxdesktop
