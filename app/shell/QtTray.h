// SPDX-License-Identifier: MIT
#pragma once

#include "app/shell/TrayView.h"

#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace tandrel {

// QSystemTrayIcon with a QMenu: the drawn icon, the application's name as tooltip, and the
// menu's items made from the plain model. A left click opens the same menu as a right click.
// Needs a QApplication; lives as long as its owner keeps it.
class QtTray final : public TrayView {
public:
    QtTray();
    ~QtTray() override;

    bool isAvailable() const override;
    void show() override;
    void setMenu(const std::vector<MenuItem>& items) override;
    void updateItem(const MenuItem& item) override;

    QMenu* menu() const { return m_menu.get(); }
    QSystemTrayIcon* icon() const { return m_icon.get(); }

private:
    void apply(QAction* action, const MenuItem& item);
    void trigger(QAction* action);

    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::vector<std::pair<QAction*, MenuItem>> m_items;
};

} // namespace tandrel
