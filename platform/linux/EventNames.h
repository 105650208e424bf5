// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tandrel::linuxdesktop {

// The change one AT-SPI event stands for, if any.
std::optional<a11y::Change> changeForEvent(const QString& type, int detail1);

// Changes that concern the application as a whole; they arrive for a registration on the
// application element whatever element inside it sent them.
bool isApplicationChange(a11y::Change change);

// The AT-SPI event types behind the element changes (the application ones are always listened
// to, for the focus cache and the workspace).
QStringList layoutEventTypes();

} // namespace tandrel::linuxdesktop
