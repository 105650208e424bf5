// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/sim/SimLifetimes.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tandrel::sim {

class SimAccessibility;

// One element of a simulated application: what it answers to each question, and any failure
// scripted for a question, which wins over the answer.
struct SimNode {
    a11y::Pid pid = 0;
    SimAccessibility* owner = nullptr;
    // Counts the element handles made for nodes of the owner's trees.
    std::shared_ptr<SimLifetimes> lifetimes;
    std::weak_ptr<SimNode> parent;
    std::vector<std::shared_ptr<SimNode>> children;

    a11y::Role role = a11y::Role::other;
    std::map<a11y::Label, QString> labels;
    std::optional<QStringList> classes;
    std::map<a11y::State, bool> states;
    std::optional<QUrl> address;
    std::optional<Rect> frame;
    std::optional<QString> text;
    std::optional<TextRange> selection;
    // Answers the text instead of the fields when set (an input that changes as it is read).
    std::function<Result<a11y::TextContent>()> textHandler;
    std::map<a11y::Question, Failure> failures;

    // Only meaningful on an application node.
    std::weak_ptr<SimNode> focused;
    std::optional<bool> awake;
    // Decides the answer to a request to wake; on success the application is awake.
    std::function<Result<Done>()> wakeHandler;

    bool destroyed = false;
};

// The platform handle on a simulated element: equal handles point at the same node. Every read
// of an element-valued answer makes a fresh handle, as the real platform does, so code that
// compares elements by identity instead of equality fails in tests.
class SimElementImpl final : public a11y::ElementImpl {
public:
    explicit SimElementImpl(std::shared_ptr<SimNode> node)
        : m_node(std::move(node)),
          m_ticket(SimLifetimes::issue(m_node->lifetimes, SimLifetimes::Kind::Element)) {}
    bool equals(const a11y::ElementImpl& other) const override;
    std::size_t hash() const override;
    const std::shared_ptr<SimNode>& node() const { return m_node; }

private:
    std::shared_ptr<SimNode> m_node;
    SimLifetimes::Ticket m_ticket;
};

a11y::Element makeElement(const std::shared_ptr<SimNode>& node);
std::shared_ptr<SimNode> nodeOf(const a11y::Element& element);

} // namespace tandrel::sim
