// SPDX-License-Identifier: MIT
#include "platform/sim/SimAccessibility.h"
#include "platform/AXNames.h"

#include <algorithm>

namespace tandrel::sim {

using namespace tandrel::ax;

class SimObserver final : public Observer {
public:
    SimObserver(SimAccessibility& owner, Pid pid, ObserverCallback callback, std::uint64_t id)
        : m_owner(&owner), m_ownerAlive(owner.m_alive), m_pid(pid), m_callback(std::move(callback)),
          m_id(id), m_ticket(SimLifetimes::issue(owner.m_lifetimes, SimLifetimes::Kind::Observer)) {
        m_owner->m_observers.push_back(this);
    }
    ~SimObserver() override {
        if (!m_ownerAlive.expired())
            std::erase(m_owner->m_observers, this);
    }

    AXError addNotification(const Element& element, const QString& notification) override {
        if (m_ownerAlive.expired())
            return kInvalidUIElementObserver;
        const std::shared_ptr<SimNode> node = nodeOf(element);
        if (!node)
            return kIllegalArgument;
        if (node->destroyed)
            return kInvalidUIElement;
        if (node->pid != m_pid)
            return kIllegalArgument;
        if (isRegistered(element, notification))
            return kNotificationAlreadyRegistered;
        m_registrations.emplace_back(element, notification);
        m_owner->m_notificationCalls.push_back({true, m_pid, element, notification});
        return kSuccess;
    }

    AXError removeNotification(const Element& element, const QString& notification) override {
        if (m_ownerAlive.expired())
            return kInvalidUIElementObserver;
        const auto it =
            std::find_if(m_registrations.begin(), m_registrations.end(), [&](const auto& r) {
                return r.first == element && r.second == notification;
            });
        if (it == m_registrations.end())
            return kNotificationNotRegistered;
        m_registrations.erase(it);
        m_owner->m_notificationCalls.push_back({false, m_pid, element, notification});
        return kSuccess;
    }

    bool isRegistered(const Element& element, const QString& notification) const {
        return std::any_of(m_registrations.begin(), m_registrations.end(), [&](const auto& r) {
            return r.first == element && r.second == notification;
        });
    }

    Pid pid() const { return m_pid; }
    std::uint64_t id() const { return m_id; }
    const ObserverCallback& callback() const { return m_callback; }
    const std::vector<std::pair<Element, QString>>& registrations() const {
        return m_registrations;
    }

private:
    SimAccessibility* m_owner;
    // An observer outliving the simulated accessibility is a fault the desktop's lifetime guard
    // reports; until the guard stops the process, such an observer answers errors.
    std::weak_ptr<int> m_ownerAlive;
    Pid m_pid;
    ObserverCallback m_callback;
    std::uint64_t m_id;
    std::vector<std::pair<Element, QString>> m_registrations;
    SimLifetimes::Ticket m_ticket;
};

SimAccessibility::SimAccessibility() = default;

SimAccessibility::~SimAccessibility() = default;

void SimAccessibility::count(const QString& name) {
    ++m_calls[name];
    ++m_totalCalls;
}

int SimAccessibility::calls(const QString& name) const {
    const auto it = m_calls.find(name);
    return it == m_calls.end() ? 0 : it->second;
}

int SimAccessibility::readsOn(const Element& element, const QString& attribute) const {
    const auto it = m_readsPerElement.find({nodeOf(element).get(), attribute});
    return it == m_readsPerElement.end() ? 0 : it->second;
}

int SimAccessibility::mostReadsOfOneAttribute() const {
    int most = 0;
    for (const auto& [key, reads] : m_readsPerElement)
        most = std::max(most, reads);
    return most;
}

void SimAccessibility::resetCalls() {
    m_calls.clear();
    m_readsPerElement.clear();
    m_totalCalls = 0;
}

void SimAccessibility::registerApplication(Pid pid, std::shared_ptr<SimNode> node) {
    m_applications[pid] = std::move(node);
}

bool SimAccessibility::isProcessTrusted() {
    count(QStringLiteral("isProcessTrusted"));
    return m_trusted;
}

bool SimAccessibility::isProcessTrustedWithPrompt(bool prompt) {
    count(QStringLiteral("isProcessTrusted"));
    if (prompt)
        ++m_trustPrompts;
    return m_trusted;
}

Element SimAccessibility::createApplication(Pid pid) {
    count(QStringLiteral("createApplication"));
    if (const auto it = m_applications.find(pid); it != m_applications.end())
        return makeElement(it->second);
    // Like the real call, this never fails; every request on the result does.
    auto& node = m_vanished[pid];
    if (!node) {
        node = std::make_shared<SimNode>();
        node->pid = pid;
        node->owner = this;
        node->lifetimes = m_lifetimes;
        node->destroyed = true;
    }
    return makeElement(node);
}

std::shared_ptr<SimNode> SimAccessibility::reachable(const Element& element, AXError& error) const {
    if (!m_trusted) {
        error = kAPIDisabled;
        return nullptr;
    }
    std::shared_ptr<SimNode> node = nodeOf(element);
    if (!node) {
        error = kIllegalArgument;
        return nullptr;
    }
    if (node->destroyed) {
        error = kInvalidUIElement;
        return nullptr;
    }
    if (m_silent.contains(node->pid)) {
        error = kCannotComplete;
        return nullptr;
    }
    error = kSuccess;
    return node;
}

AXError SimAccessibility::setMessagingTimeout(const Element& element, float seconds) {
    count(QStringLiteral("setMessagingTimeout"));
    const std::shared_ptr<SimNode> node = nodeOf(element);
    if (!node)
        return kIllegalArgument;
    if (seconds < 0)
        return kIllegalArgument;
    node->messagingTimeout = seconds;
    return kSuccess;
}

Reading SimAccessibility::copyAttributeValue(const Element& element, const QString& attribute) {
    count(attribute);
    ++m_readsPerElement[{nodeOf(element).get(), attribute}];
    AXError error = kSuccess;
    const std::shared_ptr<SimNode> node = reachable(element, error);
    if (!node)
        return {error, {}};
    if (const auto it = node->attributes.find(attribute); it != node->attributes.end())
        return it->second;
    return derived(node, attribute);
}

Reading SimAccessibility::derived(const std::shared_ptr<SimNode>& node,
                                  const QString& attribute) const {
    const Reading unsupported{kAttributeUnsupported, {}};
    const Reading noValue{kNoValue, {}};
    if (attribute == ax::attr::parent) {
        const auto parent = node->parent.lock();
        return parent ? Reading{kSuccess, makeElement(parent)} : noValue;
    }
    if (attribute == ax::attr::children) {
        Array children;
        for (const auto& child : node->children)
            children.emplace_back(makeElement(child));
        return {kSuccess, Value(std::move(children))};
    }
    if (attribute == ax::attr::window) {
        if (node->role() == QLatin1String("AXApplication"))
            return unsupported;
        for (auto n = node; n; n = n->parent.lock()) {
            if (n->role() == QLatin1String("AXWindow"))
                return {kSuccess, makeElement(n)};
        }
        return noValue;
    }
    if (attribute == ax::attr::focusedUIElement) {
        if (node->role() != QLatin1String("AXApplication"))
            return unsupported;
        const auto focused = node->focused.lock();
        return focused && !focused->destroyed ? Reading{kSuccess, makeElement(focused)} : noValue;
    }
    if (attribute == ax::attr::position)
        return node->frame ? Reading{kSuccess, node->frame->origin} : unsupported;
    if (attribute == ax::attr::size)
        return node->frame ? Reading{kSuccess, node->frame->size} : unsupported;
    if (attribute == ax::attr::value)
        return node->text ? Reading{kSuccess, *node->text} : unsupported;
    if (attribute == ax::attr::numberOfCharacters)
        return node->text ? Reading{kSuccess, Number{double(node->text->size())}} : unsupported;
    if (attribute == ax::attr::selectedTextRange) {
        if (node->selection)
            return {kSuccess, *node->selection};
        // An input without an explicit selection has its caret at the end of its text.
        return node->text ? Reading{kSuccess, TextRange{node->text->size(), 0}} : unsupported;
    }
    return unsupported;
}

Reading SimAccessibility::copyParameterizedAttributeValue(const Element& element,
                                                          const QString& attribute,
                                                          const Value& parameter) {
    count(attribute);
    AXError error = kSuccess;
    const std::shared_ptr<SimNode> node = reachable(element, error);
    if (!node)
        return {error, {}};
    if (const auto it = node->parameterized.find(attribute); it != node->parameterized.end())
        return it->second(parameter);
    const bool plain = attribute == ax::attr::stringForRange;
    const bool attributed = attribute == ax::attr::attributedStringForRange;
    if ((!plain && !attributed) || !node->text)
        return {kAttributeUnsupported, {}};
    const TextRange* range = parameter.get<TextRange>();
    const auto size = node->text->size();
    if (!range || range->location < 0 || range->length < 0 || range->location > size ||
        range->length > size - range->location)
        return {kIllegalArgument, {}};
    const QString part = node->text->mid(range->location, range->length);
    return plain ? Reading{kSuccess, part} : Reading{kSuccess, AttributedString{part}};
}

AXError SimAccessibility::setAttributeValue(const Element& element, const QString& attribute,
                                            const Value& value) {
    count(attribute);
    AXError error = kSuccess;
    const std::shared_ptr<SimNode> node = reachable(element, error);
    if (!node)
        return error;
    const auto it = node->setters.find(attribute);
    if (it == node->setters.end())
        return kAttributeUnsupported;
    // Copy the handler: it may replace itself or rebuild the tree.
    const SetHandler handler = it->second;
    const AXError result = handler(value);
    if (result == kSuccess)
        node->attributes[attribute] = Reading{kSuccess, value};
    return result;
}

void SimAccessibility::setAnswering(Pid pid, bool answering) {
    if (answering)
        m_silent.erase(pid);
    else
        m_silent.insert(pid);
}

void SimAccessibility::failObserverCreation(Pid pid, AXError error) {
    m_observerFailures[pid] = error;
}

int SimAccessibility::observerCreations(Pid pid) const {
    const auto it = m_observerCreations.find(pid);
    return it == m_observerCreations.end() ? 0 : it->second;
}

int SimAccessibility::liveObservers(Pid pid) const {
    return int(std::count_if(m_observers.begin(), m_observers.end(),
                             [pid](const SimObserver* o) { return o->pid() == pid; }));
}

std::vector<std::pair<Element, QString>> SimAccessibility::subscriptions(Pid pid) const {
    std::vector<std::pair<Element, QString>> result;
    for (const SimObserver* observer : m_observers) {
        if (observer->pid() == pid)
            result.insert(result.end(), observer->registrations().begin(),
                          observer->registrations().end());
    }
    return result;
}

ObserverCreation SimAccessibility::createObserver(Pid pid, ObserverCallback callback) {
    ++m_observerCreations[pid];
    if (const auto it = m_observerFailures.find(pid); it != m_observerFailures.end())
        return {it->second, nullptr};
    if (!m_trusted)
        return {kAPIDisabled, nullptr};
    return {kSuccess,
            std::make_unique<SimObserver>(*this, pid, std::move(callback), m_nextObserverID++)};
}

void SimAccessibility::post(const Element& element, const QString& notification) {
    const std::shared_ptr<SimNode> node = nodeOf(element);
    if (!node)
        return;
    // Decide the recipients first: a callback may create or destroy observers.
    std::vector<std::uint64_t> recipients;
    for (const SimObserver* observer : m_observers) {
        if (observer->pid() == node->pid && observer->isRegistered(element, notification))
            recipients.push_back(observer->id());
    }
    for (const std::uint64_t id : recipients) {
        const auto it = std::find_if(m_observers.begin(), m_observers.end(),
                                     [id](const SimObserver* o) { return o->id() == id; });
        if (it == m_observers.end())
            continue;
        const ObserverCallback callback = (*it)->callback();
        if (callback)
            callback(element, notification);
    }
}

} // namespace tandrel::sim
