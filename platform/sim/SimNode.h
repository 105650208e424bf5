// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXValue.h"
#include "platform/sim/SimLifetimes.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tandrel::sim {

class SimAccessibility;

// Answers a parameterized attribute from its parameter (for example a text range).
using ParameterizedHandler = std::function<ax::Reading(const ax::Value& parameter)>;
// Decides the result of setting an attribute; on success the value is stored and read back.
using SetHandler = std::function<ax::AXError(const ax::Value& value)>;

// One element of a simulated application. The structural attributes (parent, children, window,
// frame, text) are derived from the fields; everything else is a stored reading, which may be a
// value of any kind or an error, and which also overrides a derived attribute of the same name.
struct SimNode {
    ax::Pid pid = 0;
    SimAccessibility* owner = nullptr;
    // Counts the element handles made for nodes of the owner's trees.
    std::shared_ptr<SimLifetimes> lifetimes;
    std::weak_ptr<SimNode> parent;
    std::vector<std::shared_ptr<SimNode>> children;
    std::map<QString, ax::Reading> attributes;
    std::map<QString, ParameterizedHandler> parameterized;
    std::map<QString, SetHandler> setters;
    std::optional<Rect> frame;
    std::optional<QString> text;
    std::optional<TextRange> selection;
    std::weak_ptr<SimNode> focused; // only meaningful on an application node
    std::optional<float> messagingTimeout;
    bool destroyed = false;

    QString role() const;
};

// The platform handle on a simulated element: equal handles point at the same node. Every read
// of an element-valued attribute makes a fresh handle, as the real platform does, so code that
// compares elements by identity instead of equality fails in tests.
class SimElementImpl final : public ax::ElementImpl {
public:
    explicit SimElementImpl(std::shared_ptr<SimNode> node)
        : m_node(std::move(node)),
          m_ticket(SimLifetimes::issue(m_node->lifetimes, SimLifetimes::Kind::Element)) {}
    bool equals(const ax::ElementImpl& other) const override;
    std::size_t hash() const override;
    const std::shared_ptr<SimNode>& node() const { return m_node; }

private:
    std::shared_ptr<SimNode> m_node;
    SimLifetimes::Ticket m_ticket;
};

ax::Element makeElement(const std::shared_ptr<SimNode>& node);
std::shared_ptr<SimNode> nodeOf(const ax::Element& element);

} // namespace tandrel::sim
