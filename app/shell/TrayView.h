// SPDX-License-Identifier: MIT
#pragma once

#include "app/shell/StatusMenu.h"

#include <QObject>

#include <vector>

namespace tandrel {

// The tray icon and its menu as the controller sees them. QtTray is the real one; tests of the
// controller can record what it was given instead.
class TrayView : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether the desktop has a tray to show the icon in at all.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0;
    // Replaces the whole menu.
    virtual void setMenu(const std::vector<MenuItem>& items) = 0;
    // Replaces the one item with the same action (used to refresh launch at login as the menu
    // opens); nothing when the menu has no such item.
    virtual void updateItem(const MenuItem& item) = 0;

signals:
    // The user chose the item with this action (the receiver may rebuild the menu meanwhile).
    void actionChosen(MenuAction action);
    void menuAboutToShow();
};

} // namespace tandrel
