// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXValue.h"

#include <QString>

namespace tandrel::linuxdesktop {

// The seam's error code for a failed AT-SPI request, judged from its message: libatspi passes
// on the D-Bus error names ("org.freedesktop.DBus.Error.NoReply", "...UnknownObject") or its own
// wording, so the text is what there is to go by.
ax::AXError errorFromMessage(const QString& message);

} // namespace tandrel::linuxdesktop
