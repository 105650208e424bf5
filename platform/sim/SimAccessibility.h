// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/sim/SimLifetimes.h"
#include "platform/sim/SimNode.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace tandrel::sim {

class SimObserver;

// The simulated accessibility interface: reads the element trees built through SimDesktop,
// answers scripted errors, delivers posted notifications and counts every call.
class SimAccessibility final : public ax::Accessibility {
public:
    // One addNotification or removeNotification call that took effect.
    struct NotificationCall {
        bool added = false;
        ax::Pid pid = 0;
        ax::Element element;
        QString notification;
    };

    SimAccessibility();
    ~SimAccessibility() override;

    // ax::Accessibility
    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt(bool prompt) override;
    ax::Element createApplication(ax::Pid pid) override;
    ax::AXError setMessagingTimeout(const ax::Element& element, float seconds) override;
    ax::Reading copyAttributeValue(const ax::Element& element, const QString& attribute) override;
    ax::Reading copyParameterizedAttributeValue(const ax::Element& element,
                                                const QString& attribute,
                                                const ax::Value& parameter) override;
    ax::AXError setAttributeValue(const ax::Element& element, const QString& attribute,
                                  const ax::Value& value) override;
    ax::ObserverCreation createObserver(ax::Pid pid, ax::ObserverCallback callback) override;

    // Trust. Untrusted, every element call answers kAPIDisabled.
    void setTrusted(bool trusted) { m_trusted = trusted; }
    int trustPrompts() const { return m_trustPrompts; }

    // A busy application: until it answers again, every request on its elements times out
    // (kCannotComplete), as when it is blocked waiting for us.
    void setAnswering(ax::Pid pid, bool answering);
    bool isAnswering(ax::Pid pid) const { return !m_silent.contains(pid); }

    // Observers. A scripted failure answers every later creation for that pid.
    void failObserverCreation(ax::Pid pid, ax::AXError error);
    int observerCreations(ax::Pid pid) const;
    int liveObservers(ax::Pid pid) const;
    // The (element, notification) pairs currently registered by the live observers of a pid.
    std::vector<std::pair<ax::Element, QString>> subscriptions(ax::Pid pid) const;
    const std::vector<NotificationCall>& notificationCalls() const { return m_notificationCalls; }
    void clearNotificationCalls() { m_notificationCalls.clear(); }

    // Delivers a notification to every live observer of the element's pid that added it on an
    // equal element. Delivery is immediate, as if the event loop had just dispatched it.
    void post(const ax::Element& element, const QString& notification);

    // Call counts by attribute name (reads, parameterized reads and writes alike); the other
    // calls count under "createApplication", "setMessagingTimeout" and "isProcessTrusted".
    int calls(const QString& name) const;
    int totalCalls() const { return m_totalCalls; }
    const std::map<QString, int>& callsByName() const { return m_calls; }
    // Plain reads of one attribute of one element, and the largest such count since the reset:
    // more than one means the same question was asked twice.
    int readsOn(const ax::Element& element, const QString& attribute) const;
    int mostReadsOfOneAttribute() const;
    void resetCalls();

    // The observers and element handles given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

    // The application elements, registered by SimDesktop.
    void registerApplication(ax::Pid pid, std::shared_ptr<SimNode> node);

private:
    friend class SimObserver;

    void count(const QString& name);
    // The node behind the handle, or the error every call on it answers.
    std::shared_ptr<SimNode> reachable(const ax::Element& element, ax::AXError& error) const;
    ax::Reading derived(const std::shared_ptr<SimNode>& node, const QString& attribute) const;

    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
    bool m_trusted = true;
    int m_trustPrompts = 0;
    std::map<ax::Pid, std::shared_ptr<SimNode>> m_applications;
    std::map<ax::Pid, std::shared_ptr<SimNode>> m_vanished; // application elements of no app
    std::map<ax::Pid, ax::AXError> m_observerFailures;
    std::set<ax::Pid> m_silent;
    std::map<ax::Pid, int> m_observerCreations;
    std::vector<SimObserver*> m_observers;
    std::uint64_t m_nextObserverID = 1;
    std::vector<NotificationCall> m_notificationCalls;
    std::map<QString, int> m_calls;
    std::map<std::pair<const SimNode*, QString>, int> m_readsPerElement;
    int m_totalCalls = 0;
};

} // namespace tandrel::sim
