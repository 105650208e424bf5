// SPDX-License-Identifier: MIT
#include "platform/sim/SimAccessibility.h"

#include <algorithm>

namespace tandrel::sim {

using a11y::Change;
using a11y::Element;
using a11y::Pid;
using a11y::Question;

namespace {

bool isApplicationChange(Change change) {
    return change == Change::focus || change == Change::window;
}

} // namespace

class SimObserver final : public a11y::Observer {
public:
    SimObserver(SimAccessibility& owner, Pid pid, a11y::ObserverCallback callback, std::uint64_t id)
        : m_owner(&owner), m_ownerAlive(owner.m_alive), m_pid(pid), m_callback(std::move(callback)),
          m_id(id), m_ticket(SimLifetimes::issue(owner.m_lifetimes, SimLifetimes::Kind::Observer)) {
        m_owner->m_observers.push_back(this);
    }
    ~SimObserver() override {
        if (!m_ownerAlive.expired())
            std::erase(m_owner->m_observers, this);
    }

    void watch(const Element& element, Change change) override {
        // An observer outliving the simulated accessibility is a fault the desktop's lifetime
        // guard reports; until the guard stops the process, such an observer does nothing.
        const std::shared_ptr<SimNode> node = nodeOf(element);
        if (m_ownerAlive.expired() || !node || node->destroyed || node->pid != m_pid ||
            isWatching(element, change))
            return;
        m_registrations.emplace_back(element, change);
        m_owner->m_watchCalls.push_back({true, m_pid, element, change});
    }

    void unwatch(const Element& element, Change change) override {
        if (m_ownerAlive.expired())
            return;
        const auto it =
            std::find_if(m_registrations.begin(), m_registrations.end(),
                         [&](const auto& r) { return r.first == element && r.second == change; });
        if (it == m_registrations.end())
            return;
        m_registrations.erase(it);
        m_owner->m_watchCalls.push_back({false, m_pid, element, change});
    }

    bool isWatching(const Element& element, Change change) const {
        return std::any_of(m_registrations.begin(), m_registrations.end(),
                           [&](const auto& r) { return r.first == element && r.second == change; });
    }
    // Whether a change of this element reaches this observer.
    bool hears(const std::shared_ptr<SimNode>& node, const Element& element, Change change) const {
        if (isWatching(element, change))
            return true;
        if (!isApplicationChange(change))
            return false;
        const auto application = m_owner->m_applications.find(node->pid);
        return application != m_owner->m_applications.end() &&
               isWatching(makeElement(application->second), change);
    }

    Pid pid() const { return m_pid; }
    std::uint64_t id() const { return m_id; }
    const a11y::ObserverCallback& callback() const { return m_callback; }
    const std::vector<std::pair<Element, Change>>& registrations() const { return m_registrations; }

private:
    SimAccessibility* m_owner;
    std::weak_ptr<int> m_ownerAlive;
    Pid m_pid;
    a11y::ObserverCallback m_callback;
    std::uint64_t m_id;
    std::vector<std::pair<Element, Change>> m_registrations;
    SimLifetimes::Ticket m_ticket;
};

SimAccessibility::SimAccessibility() = default;

SimAccessibility::~SimAccessibility() = default;

int SimAccessibility::calls(Question question) const {
    const auto it = m_calls.find(question);
    return it == m_calls.end() ? 0 : it->second;
}

int SimAccessibility::readsOn(const Element& element, Question question) const {
    const auto it = m_readsPerElement.find({nodeOf(element).get(), question});
    return it == m_readsPerElement.end() ? 0 : it->second;
}

int SimAccessibility::mostReadsOfOneQuestion() const {
    int most = 0;
    for (const auto& [key, reads] : m_readsPerElement)
        most = std::max(most, reads);
    return most;
}

void SimAccessibility::resetCalls() {
    m_calls.clear();
    m_readsPerElement.clear();
    m_applicationCalls = 0;
    m_totalCalls = 0;
}

void SimAccessibility::registerApplication(Pid pid, std::shared_ptr<SimNode> node) {
    m_applications[pid] = std::move(node);
}

bool SimAccessibility::isTrusted() {
    return m_trusted;
}

bool SimAccessibility::askForTrust() {
    ++m_trustPrompts;
    return m_trusted;
}

Element SimAccessibility::application(Pid pid) {
    ++m_applicationCalls;
    ++m_totalCalls;
    const auto it = m_applications.find(pid);
    return it == m_applications.end() ? Element() : makeElement(it->second);
}

Result<std::shared_ptr<SimNode>> SimAccessibility::asked(const Element& element,
                                                         Question question) {
    ++m_calls[question];
    ++m_totalCalls;
    std::shared_ptr<SimNode> node = nodeOf(element);
    ++m_readsPerElement[{node.get(), question}];
    if (!m_trusted || !node || node->destroyed)
        return Failure::gone;
    if (m_silent.contains(node->pid))
        return Failure::notAnswering;
    if (const auto failure = node->failures.find(question); failure != node->failures.end())
        return failure->second;
    return node;
}

Result<a11y::Role> SimAccessibility::role(const Element& element) {
    const auto node = asked(element, Question::role);
    if (!node)
        return node.failure();
    return (*node)->role;
}

Result<QString> SimAccessibility::label(const Element& element, a11y::Label label) {
    const auto node = asked(element, a11y::questionOf(label));
    if (!node)
        return node.failure();
    const auto it = (*node)->labels.find(label);
    if (it == (*node)->labels.end())
        return Failure::noValue;
    return it->second;
}

Result<QStringList> SimAccessibility::classes(const Element& element) {
    const auto node = asked(element, Question::classes);
    if (!node)
        return node.failure();
    if (!(*node)->classes)
        return Failure::noValue;
    return *(*node)->classes;
}

Result<bool> SimAccessibility::state(const Element& element, a11y::State state) {
    const auto node = asked(element, a11y::questionOf(state));
    if (!node)
        return node.failure();
    const auto it = (*node)->states.find(state);
    if (it == (*node)->states.end())
        return Failure::unsupported;
    return it->second;
}

Result<Rect> SimAccessibility::frame(const Element& element) {
    const auto node = asked(element, Question::frame);
    if (!node)
        return node.failure();
    if (!(*node)->frame)
        return Failure::unsupported;
    return *(*node)->frame;
}

Result<Element> SimAccessibility::parent(const Element& element) {
    const auto node = asked(element, Question::parent);
    if (!node)
        return node.failure();
    const auto parent = (*node)->parent.lock();
    if (!parent)
        return Failure::noValue;
    return makeElement(parent);
}

Result<std::vector<Element>> SimAccessibility::children(const Element& element) {
    const auto node = asked(element, Question::children);
    if (!node)
        return node.failure();
    std::vector<Element> children;
    for (const auto& child : (*node)->children)
        children.push_back(makeElement(child));
    return children;
}

Result<Element> SimAccessibility::window(const Element& element) {
    const auto node = asked(element, Question::window);
    if (!node)
        return node.failure();
    if ((*node)->role == a11y::Role::application)
        return Failure::unsupported;
    for (auto n = *node; n; n = n->parent.lock()) {
        if (n->role == a11y::Role::window)
            return makeElement(n);
    }
    return Failure::noValue;
}

Result<Element> SimAccessibility::focusedElement(const Element& application) {
    const auto node = asked(application, Question::focusedElement);
    if (!node)
        return node.failure();
    if ((*node)->role != a11y::Role::application)
        return Failure::unsupported;
    const auto focused = (*node)->focused.lock();
    if (!focused || focused->destroyed)
        return Failure::noValue;
    return makeElement(focused);
}

Result<QUrl> SimAccessibility::address(const Element& webDocument) {
    const auto node = asked(webDocument, Question::address);
    if (!node)
        return node.failure();
    if (!(*node)->address)
        return Failure::unsupported;
    return *(*node)->address;
}

Result<a11y::TextContent> SimAccessibility::text(const Element& element, bool withSelection) {
    const auto node = asked(element, Question::text);
    if (!node)
        return node.failure();
    Result<a11y::TextContent> content = Failure::unsupported;
    if ((*node)->textHandler) {
        content = (*node)->textHandler();
    } else if ((*node)->text) {
        // An input without an explicit selection has its caret at the end of its text.
        const TextRange caret{(*node)->text->size(), 0};
        content = a11y::TextContent{*(*node)->text, (*node)->selection.value_or(caret)};
    }
    if (!content.ok() || withSelection)
        return content;
    return a11y::TextContent{content->text, std::nullopt};
}

Result<bool> SimAccessibility::isAwake(const Element& application) {
    const auto node = asked(application, Question::isAwake);
    if (!node)
        return node.failure();
    if (!(*node)->awake)
        return Failure::unsupported;
    return *(*node)->awake;
}

Result<Done> SimAccessibility::wake(const Element& application) {
    const auto node = asked(application, Question::wake);
    if (!node)
        return node.failure();
    if (!(*node)->wakeHandler)
        return Failure::unsupported;
    // Copy the handler: it may replace itself or rebuild the tree.
    const auto handler = (*node)->wakeHandler;
    const Result<Done> result = handler();
    if (result.ok())
        (*node)->awake = true;
    return result;
}

void SimAccessibility::setAnswering(Pid pid, bool answering) {
    if (answering)
        m_silent.erase(pid);
    else
        m_silent.insert(pid);
}

void SimAccessibility::failObserverCreation(Pid pid, Failure failure) {
    m_observerFailures[pid] = failure;
}

int SimAccessibility::observerCreations(Pid pid) const {
    const auto it = m_observerCreations.find(pid);
    return it == m_observerCreations.end() ? 0 : it->second;
}

int SimAccessibility::liveObservers(Pid pid) const {
    return int(std::count_if(m_observers.begin(), m_observers.end(),
                             [pid](const SimObserver* o) { return o->pid() == pid; }));
}

std::vector<std::pair<Element, Change>> SimAccessibility::subscriptions(Pid pid) const {
    std::vector<std::pair<Element, Change>> result;
    for (const SimObserver* observer : m_observers) {
        if (observer->pid() == pid)
            result.insert(result.end(), observer->registrations().begin(),
                          observer->registrations().end());
    }
    return result;
}

Result<std::unique_ptr<a11y::Observer>> SimAccessibility::observe(Pid pid,
                                                                  a11y::ObserverCallback callback) {
    ++m_observerCreations[pid];
    if (const auto it = m_observerFailures.find(pid); it != m_observerFailures.end())
        return it->second;
    if (!m_trusted)
        return Failure::gone;
    return std::unique_ptr<a11y::Observer>(
        std::make_unique<SimObserver>(*this, pid, std::move(callback), m_nextObserverID++));
}

void SimAccessibility::post(const Element& element, Change change) {
    const std::shared_ptr<SimNode> node = nodeOf(element);
    if (!node)
        return;
    // Decide the recipients first: a callback may create or destroy observers.
    std::vector<std::uint64_t> recipients;
    for (const SimObserver* observer : m_observers) {
        if (observer->pid() == node->pid && observer->hears(node, element, change))
            recipients.push_back(observer->id());
    }
    for (const std::uint64_t id : recipients) {
        const auto it = std::find_if(m_observers.begin(), m_observers.end(),
                                     [id](const SimObserver* o) { return o->id() == id; });
        if (it == m_observers.end())
            continue;
        const a11y::ObserverCallback callback = (*it)->callback();
        if (callback)
            callback(element, change);
    }
}

} // namespace tandrel::sim
