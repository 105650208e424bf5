// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"

#include <QString>

namespace tandrel::linuxdesktop {

// Why an AT-SPI request failed, judged from its message: libatspi passes
// on the D-Bus error names ("org.freedesktop.DBus.Error.NoReply", "...UnknownObject") or its own
// wording, so the text is what there is to go by.
Failure failureFromMessage(const QString& message);

} // namespace tandrel::linuxdesktop
