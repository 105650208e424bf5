// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiObserver.h"

#include "platform/linux/AtspiElement.h"
#include "platform/linux/EventNames.h"

#include <algorithm>

namespace tandrel::linuxdesktop {

AtspiObserver::AtspiObserver(AtspiEvents& events, ax::ObserverCallback callback)
    : m_events(events), m_callback(std::move(callback)) {
    m_subscription = m_events.subscribe([this](const ax::Element& source, const QString& type,
                                               int detail1) { deliver(source, type, detail1); });
}

AtspiObserver::~AtspiObserver() {
    m_events.unsubscribe(m_subscription);
}

ax::AXError AtspiObserver::addNotification(const ax::Element& element,
                                           const QString& notification) {
    if (!element.as<AtspiElement>())
        return ax::kIllegalArgument;
    if (!isKnownNotification(notification))
        return ax::kNotificationUnsupported;
    for (const Registration& r : m_registrations)
        if (r.notification == notification && r.element == element)
            return ax::kNotificationAlreadyRegistered;
    m_registrations.push_back({element, notification});
    return ax::kSuccess;
}

ax::AXError AtspiObserver::removeNotification(const ax::Element& element,
                                              const QString& notification) {
    auto it =
        std::find_if(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
            return r.notification == notification && r.element == element;
        });
    if (it == m_registrations.end())
        return ax::kNotificationNotRegistered;
    m_registrations.erase(it);
    return ax::kSuccess;
}

void AtspiObserver::deliver(const ax::Element& source, const QString& type, int detail1) {
    const QStringList names = notificationsForEvent(type, detail1);
    if (names.isEmpty())
        return;
    const auto* from = source.as<AtspiElement>();
    // Collect first: the callback may change the registrations or destroy this observer.
    QStringList matched;
    for (const Registration& r : m_registrations) {
        if (!names.contains(r.notification) || matched.contains(r.notification))
            continue;
        const auto* to = r.element.as<AtspiElement>();
        const bool sameElement = r.element == source;
        const bool sameApplication = isApplicationNotification(r.notification) &&
                                     to->isApplicationRoot() && from &&
                                     to->busName() == from->busName();
        if (sameElement || sameApplication)
            matched.push_back(r.notification);
    }
    const ax::ObserverCallback callback = m_callback;
    for (const QString& n : matched)
        callback(source, n);
}

} // namespace tandrel::linuxdesktop
