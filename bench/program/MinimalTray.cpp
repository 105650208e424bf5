// SPDX-License-Identifier: MIT

// The least a tray utility can be with Qt: an application object, a tray icon and its menu, and
// the event loop. The idle footprint benchmark runs it beside tandrel as the baseline; with
// --tick it also wakes once a second and does nothing, the floor of any once-a-second check.

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(Qt::black);
        painter.drawEllipse(2, 2, 14, 14);
    }
    QMenu menu;
    menu.addAction(QStringLiteral("Pause"));
    menu.addSeparator();
    QObject::connect(menu.addAction(QStringLiteral("Quit")), &QAction::triggered, &app,
                     &QApplication::quit);
    QSystemTrayIcon icon{QIcon(pixmap)};
    icon.setContextMenu(&menu);
    icon.show();
    QTimer tick;
    if (app.arguments().contains(QStringLiteral("--tick")))
        tick.start(1000);
    return app.exec();
}
