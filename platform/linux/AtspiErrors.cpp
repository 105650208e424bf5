// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiErrors.h"

#include <array>

namespace tandrel::linuxdesktop {

Failure failureFromMessage(const QString& message) {
    auto has = [&message](const char* needle) {
        return message.contains(QLatin1String(needle), Qt::CaseInsensitive);
    };
    // Timeouts first: a slow application is not a gone one.
    for (const char* n : {"NoReply", "Timeout", "timed out", "Did not receive a reply"})
        if (has(n))
            return Failure::notAnswering;
    for (const char* n : {"UnknownObject", "ServiceUnknown", "NameHasNoOwner", "Disconnected",
                          "defunct", "application no longer exists", "gone"})
        if (has(n))
            return Failure::gone;
    for (const char* n : {"UnknownMethod", "UnknownInterface", "UnknownProperty", "not implemented",
                          "NotSupported"})
        if (has(n))
            return Failure::unsupported;
    return Failure::noValue;
}

} // namespace tandrel::linuxdesktop
