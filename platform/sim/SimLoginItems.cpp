// SPDX-License-Identifier: MIT
#include "platform/sim/SimLoginItems.h"

#include "core/Errors.h"

namespace tandrel::sim {

LoginItemStatus SimLoginItems::status() {
    ++m_statusReads;
    return m_status;
}

void SimLoginItems::registerApp() {
    m_actions << QStringLiteral("registerApp");
    if (m_registerFailure)
        throw Error(*m_registerFailure);
    m_status = m_statusAfterRegister;
    m_takenBy.clear();
}

void SimLoginItems::unregisterApp() {
    m_actions << QStringLiteral("unregisterApp");
    if (m_unregisterFailure)
        throw Error(*m_unregisterFailure);
    m_status = LoginItemStatus::NotRegistered;
}

void SimLoginItems::openSettings() {
    m_actions << QStringLiteral("openSettings");
}

void SimLoginItems::resetCalls() {
    m_actions.clear();
    m_statusReads = 0;
}

} // namespace tandrel::sim
