// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/AtspiEvents.h"

#include <vector>

namespace tandrel::linuxdesktop {

// Delivers the AT-SPI events that match its registrations: application notifications for a
// registration on the application element (whatever element of that application sent them),
// layout notifications for a registration on the very element that sent them.
class AtspiObserver final : public ax::Observer {
public:
    AtspiObserver(AtspiEvents& events, ax::ObserverCallback callback);
    ~AtspiObserver() override;

    ax::AXError addNotification(const ax::Element& element, const QString& notification) override;
    ax::AXError removeNotification(const ax::Element& element,
                                   const QString& notification) override;

private:
    void deliver(const ax::Element& source, const QString& type, int detail1);

    struct Registration {
        ax::Element element;
        QString notification;
    };

    AtspiEvents& m_events;
    ax::ObserverCallback m_callback;
    std::vector<Registration> m_registrations;
    int m_subscription = 0;
};

} // namespace tandrel::linuxdesktop
