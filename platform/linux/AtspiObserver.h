// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/AtspiEvents.h"

#include <vector>

namespace tandrel::linuxdesktop {

// Delivers the AT-SPI events that match what it watches: application changes for a watch on the
// application element (whatever element of that application sent them), element changes for a
// watch on the very element that sent them.
class AtspiObserver final : public a11y::Observer {
public:
    AtspiObserver(AtspiEvents& events, a11y::ObserverCallback callback);
    ~AtspiObserver() override;

    void watch(const a11y::Element& element, a11y::Change change) override;
    void unwatch(const a11y::Element& element, a11y::Change change) override;

private:
    void deliver(const a11y::Element& source, const QString& type, int detail1);

    struct Registration {
        a11y::Element element;
        a11y::Change change;
    };
    AtspiEvents& m_events;
    a11y::ObserverCallback m_callback;
    std::vector<Registration> m_registrations;
    int m_subscription = 0;
};

} // namespace tandrel::linuxdesktop
