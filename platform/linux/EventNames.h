// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace tandrel::linuxdesktop {

// The notifications, as the focus rules name them, that one AT-SPI event stands for ("object:
// bounds-changed" is both a move and a resize: AT-SPI does not tell them apart).
QStringList notificationsForEvent(const QString& type, int detail1);

// Notifications that concern the application as a whole; they arrive for a registration on
// the application element whatever element inside it sent them.
bool isApplicationNotification(const QString& notification);

// Every notification an observer accepts.
bool isKnownNotification(const QString& notification);

// The AT-SPI event types behind the layout notifications (the application ones are always
// listened to, for the focus cache and the workspace).
QStringList layoutEventTypes();

} // namespace tandrel::linuxdesktop
