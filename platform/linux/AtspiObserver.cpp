// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiObserver.h"

#include "platform/linux/AtspiElement.h"
#include "platform/linux/EventNames.h"

#include <algorithm>

namespace tandrel::linuxdesktop {

AtspiObserver::AtspiObserver(AtspiEvents& events, a11y::ObserverCallback callback)
    : m_events(events), m_callback(std::move(callback)) {
    m_subscription = m_events.subscribe([this](const a11y::Element& source, const QString& type,
                                               int detail1) { deliver(source, type, detail1); });
}

AtspiObserver::~AtspiObserver() {
    m_events.unsubscribe(m_subscription);
}

void AtspiObserver::watch(const a11y::Element& element, a11y::Change change) {
    if (!element.as<AtspiElement>())
        return;
    for (const Registration& r : m_registrations)
        if (r.change == change && r.element == element)
            return;
    m_registrations.push_back({element, change});
}

void AtspiObserver::unwatch(const a11y::Element& element, a11y::Change change) {
    std::erase_if(m_registrations, [&](const Registration& r) {
        return r.change == change && r.element == element;
    });
}

void AtspiObserver::deliver(const a11y::Element& source, const QString& type, int detail1) {
    const std::optional<a11y::Change> change = changeForEvent(type, detail1);
    if (!change)
        return;
    const auto* from = source.as<AtspiElement>();
    // Checked first: the callback may change the registrations or destroy this observer.
    const bool heard =
        std::any_of(m_registrations.begin(), m_registrations.end(), [&](const Registration& r) {
            if (r.change != *change)
                return false;
            const auto* to = r.element.as<AtspiElement>();
            return r.element == source ||
                   (isApplicationChange(r.change) && to->isApplicationRoot() && from &&
                    to->busName() == from->busName());
        });
    if (!heard)
        return;
    const a11y::ObserverCallback callback = m_callback;
    callback(source, *change);
}

} // namespace tandrel::linuxdesktop
