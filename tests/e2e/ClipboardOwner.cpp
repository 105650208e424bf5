// SPDX-License-Identifier: MIT

// Holds the X11 clipboard as a user's application would: offers each MIME type given on the
// command line with the bytes of the file after it, says "owned" on stdout, and keeps answering
// requests until its standard input closes.
//
// Usage: e2e-clipboard-owner TYPE FILE [TYPE FILE ...]

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    auto* content = new QMimeData;
    for (int i = 1; i + 1 < argc; i += 2) {
        QFile file(QString::fromLocal8Bit(argv[i + 1]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "e2e-clipboard-owner: cannot read %s\n", argv[i + 1]);
            return 1;
        }
        content->setData(QString::fromLatin1(argv[i]), file.readAll());
    }
    QGuiApplication::clipboard()->setMimeData(content, QClipboard::Clipboard);
    std::printf("owned\n");
    std::fflush(stdout);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            application.quit();
    });
    return application.exec();
}
