// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/sim/SimLifetimes.h"
#include "platform/sim/SimNode.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tandrel::sim {

class SimObserver;

// The simulated accessibility interface: answers from the element trees built through
// SimDesktop, answers scripted failures, delivers posted changes and records every question.
class SimAccessibility final : public a11y::Accessibility {
public:
    // One watch or unwatch that took effect.
    struct WatchCall {
        bool added = false;
        a11y::Pid pid = 0;
        a11y::Element element;
        a11y::Change change;
    };

    SimAccessibility();
    ~SimAccessibility() override;

    bool isTrusted() override;
    bool askForTrust() override;
    a11y::Element application(a11y::Pid pid) override;
    void setReplyTimeout(std::chrono::milliseconds timeout) override { m_replyTimeout = timeout; }
    Result<a11y::Role> role(const a11y::Element& element) override;
    Result<QString> label(const a11y::Element& element, a11y::Label label) override;
    Result<QStringList> classes(const a11y::Element& element) override;
    Result<bool> state(const a11y::Element& element, a11y::State state) override;
    Result<Rect> frame(const a11y::Element& element) override;
    Result<a11y::Element> parent(const a11y::Element& element) override;
    Result<std::vector<a11y::Element>> children(const a11y::Element& element) override;
    Result<a11y::Element> window(const a11y::Element& element) override;
    Result<a11y::Element> focusedElement(const a11y::Element& application) override;
    Result<QUrl> address(const a11y::Element& webDocument) override;
    Result<a11y::TextContent> text(const a11y::Element& element, bool withSelection) override;
    Result<bool> isAwake(const a11y::Element& application) override;
    Result<Done> wake(const a11y::Element& application) override;
    Result<std::unique_ptr<a11y::Observer>> observe(a11y::Pid pid,
                                                    a11y::ObserverCallback callback) override;

    // Trust. Untrusted, every question about an element fails.
    void setTrusted(bool trusted) { m_trusted = trusted; }
    int trustPrompts() const { return m_trustPrompts; }
    std::optional<std::chrono::milliseconds> replyTimeout() const { return m_replyTimeout; }

    // A busy application: until it answers again, every question about its elements goes
    // unanswered, as when it is blocked waiting for us.
    void setAnswering(a11y::Pid pid, bool answering);
    bool isAnswering(a11y::Pid pid) const { return !m_silent.contains(pid); }

    // Observers. A scripted failure answers every later creation for that pid.
    void failObserverCreation(a11y::Pid pid, Failure failure);
    int observerCreations(a11y::Pid pid) const;
    int liveObservers(a11y::Pid pid) const;
    // The (element, change) pairs currently watched by the live observers of a pid.
    std::vector<std::pair<a11y::Element, a11y::Change>> subscriptions(a11y::Pid pid) const;
    const std::vector<WatchCall>& watchCalls() const { return m_watchCalls; }
    void clearWatchCalls() { m_watchCalls.clear(); }

    // Delivers a change to every live observer of the element's pid that watches it (on an equal
    // element, or on the application element for application changes). Delivery is immediate,
    // as if the event loop had just dispatched it.
    void post(const a11y::Element& element, a11y::Change change);

    // Questions asked, by kind; "application" calls count apart.
    int calls(a11y::Question question) const;
    int applicationCalls() const { return m_applicationCalls; }
    int totalCalls() const { return m_totalCalls; }
    // Questions of one kind about one element, and the largest such count since the reset:
    // more than one means the same question was asked twice.
    int readsOn(const a11y::Element& element, a11y::Question question) const;
    int mostReadsOfOneQuestion() const;
    void resetCalls();

    // The observers and element handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

    // The application elements, registered by SimDesktop.
    void registerApplication(a11y::Pid pid, std::shared_ptr<SimNode> node);

private:
    friend class SimObserver;

    // Records the question; the node to answer from, or why there is none.
    Result<std::shared_ptr<SimNode>> asked(const a11y::Element& element, a11y::Question question);

    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
    bool m_trusted = true;
    int m_trustPrompts = 0;
    std::optional<std::chrono::milliseconds> m_replyTimeout;
    std::map<a11y::Pid, std::shared_ptr<SimNode>> m_applications;
    std::map<a11y::Pid, Failure> m_observerFailures;
    std::set<a11y::Pid> m_silent;
    std::map<a11y::Pid, int> m_observerCreations;
    std::vector<SimObserver*> m_observers;
    std::uint64_t m_nextObserverID = 1;
    std::vector<WatchCall> m_watchCalls;
    std::map<a11y::Question, int> m_calls;
    std::map<std::pair<const SimNode*, a11y::Question>, int> m_readsPerElement;
    int m_applicationCalls = 0;
    int m_totalCalls = 0;
};

} // namespace tandrel::sim
