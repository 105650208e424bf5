// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiRequests.h"

#include "platform/linux/AtspiErrors.h"

namespace tandrel::linuxdesktop {

Failure AtspiRequests::failureOf(const GError& error) {
    return failureFromMessage(QString::fromUtf8(error.message));
}

} // namespace tandrel::linuxdesktop
