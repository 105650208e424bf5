#include "platform/linux/AtspiRequests.h"

#include "platform/linux/AtspiErrors.h"

#include <algorithm>

namespace tandrel::linuxdesktop {

ax::AXError AtspiRequests::errorOf(const GError& error) {
    return errorFromMessage(QString::fromUtf8(error.message));
}

std::chrono::milliseconds AtspiRequests::unansweredTimeLeft() const {
    if (!m_lastUnanswered)
        return std::chrono::milliseconds(0);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *m_lastUnanswered + m_replyTimeout - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

} // namespace tandrel::linuxdesktop
