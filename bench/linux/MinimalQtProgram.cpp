// SPDX-License-Identifier: MIT

// The baseline of the idle benchmark: a Qt program that shows a tray icon and does nothing else.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPixmap pixmap(22, 22);
    pixmap.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(pixmap)};
    tray.show();
    return app.exec();
}
