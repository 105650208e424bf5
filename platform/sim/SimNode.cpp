// SPDX-License-Identifier: MIT
#include "platform/sim/SimNode.h"

#include <functional>

namespace tandrel::sim {

bool SimElementImpl::equals(const a11y::ElementImpl& other) const {
    const auto* sim = dynamic_cast<const SimElementImpl*>(&other);
    return sim && sim->m_node == m_node;
}

std::size_t SimElementImpl::hash() const {
    return std::hash<const SimNode*>()(m_node.get());
}

a11y::Element makeElement(const std::shared_ptr<SimNode>& node) {
    return a11y::Element(std::make_shared<const SimElementImpl>(node));
}

std::shared_ptr<SimNode> nodeOf(const a11y::Element& element) {
    const auto* impl = element.as<SimElementImpl>();
    return impl ? impl->node() : nullptr;
}

} // namespace tandrel::sim
