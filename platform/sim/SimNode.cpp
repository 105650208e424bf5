// SPDX-License-Identifier: MIT
#include "platform/sim/SimNode.h"
#include "platform/AXNames.h"

#include <functional>

namespace tandrel::sim {

QString SimNode::role() const {
    const auto it = attributes.find(ax::attr::role);
    if (it == attributes.end() || !it->second.ok())
        return {};
    const QString* role = it->second.value.get<QString>();
    return role ? *role : QString();
}

bool SimElementImpl::equals(const ax::ElementImpl& other) const {
    const auto* sim = dynamic_cast<const SimElementImpl*>(&other);
    return sim && sim->m_node == m_node;
}

std::size_t SimElementImpl::hash() const {
    return std::hash<const SimNode*>()(m_node.get());
}

ax::Element makeElement(const std::shared_ptr<SimNode>& node) {
    return ax::Element(std::make_shared<const SimElementImpl>(node));
}

std::shared_ptr<SimNode> nodeOf(const ax::Element& element) {
    const auto* impl = element.as<SimElementImpl>();
    return impl ? impl->node() : nullptr;
}

} // namespace tandrel::sim
