// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiRequests.h"

#include "platform/linux/AtspiErrors.h"

namespace tandrel::linuxdesktop {

ax::AXError AtspiRequests::errorOf(const GError& error) {
    return errorFromMessage(QString::fromUtf8(error.message));
}

} // namespace tandrel::linuxdesktop
