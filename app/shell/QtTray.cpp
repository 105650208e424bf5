// SPDX-License-Identifier: MIT
#include "app/shell/QtTray.h"

#include "app/identity/AppIdentity.h"
#include "app/shell/TandrelIcon.h"

#include <QAction>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tandrel {

QtTray::QtTray() : m_menu(std::make_unique<QMenu>()), m_icon(std::make_unique<QSystemTrayIcon>()) {
    m_icon->setIcon(menuBarIcon());
    m_icon->setToolTip(AppIdentity::name());
    m_icon->setContextMenu(m_menu.get());
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayView::menuAboutToShow);
    // Trays differ on which click opens the context menu; make the primary click do it too.
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && !m_menu->isVisible())
                    m_menu->popup(QCursor::pos());
            });
}

QtTray::~QtTray() {
    // The icon refers to the menu; let it go first.
    m_icon.reset();
}

bool QtTray::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTray::show() {
    m_icon->show();
}

void QtTray::setMenu(const std::vector<MenuItem>& items) {
    // The menu is often rebuilt from inside one of its own items' handlers: delete the old
    // actions only once control is back in the event loop.
    for (QAction* old : m_menu->actions()) {
        m_menu->removeAction(old);
        old->deleteLater();
    }
    m_items.clear();
    for (const MenuItem& item : items) {
        if (item.separator) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(item.title);
        connect(action, &QAction::triggered, this, [this, action] { trigger(action); });
        apply(action, item);
        m_items.emplace_back(action, item);
    }
}

void QtTray::updateItem(const MenuItem& item) {
    for (auto& [action, current] : m_items) {
        if (current.action == item.action) {
            current = item;
            apply(action, item);
            return;
        }
    }
}

void QtTray::apply(QAction* action, const MenuItem& item) {
    action->setText(item.title);
    action->setShortcut(QKeySequence(item.shortcut, QKeySequence::PortableText));
    action->setShortcutVisibleInContextMenu(!item.shortcut.isEmpty());
    // An item without an action is information, like the status line.
    action->setEnabled(item.enabled && item.action != MenuAction::None);
    action->setCheckable(item.checkable);
    // Qt has no mixed state for menu items: the title says that approval is pending.
    action->setChecked(item.checkable && item.state == MenuState::On);
}

void QtTray::trigger(QAction* action) {
    for (const auto& [candidate, item] : m_items) {
        if (candidate != action)
            continue;
        // Qt flips a checkable item by itself; the model decides, so put its state back until
        // the owner rebuilds the menu from the real state.
        action->setChecked(item.checkable && item.state == MenuState::On);
        const MenuAction chosen = item.action;
        emit actionChosen(chosen); // may rebuild the menu: `action` and `item` are not used after
        return;
    }
}

} // namespace tandrel
