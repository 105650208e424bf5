// SPDX-License-Identifier: MIT
#include "platform/linux/QtFileWatching.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStringList>

namespace tandrel::linuxdesktop {

namespace {

// Owns the watcher. The handler may destroy its own handle while it runs; the watcher is then
// deleted once control is back in the event loop instead of under its own signal.
class FileWatchHandle final : public Handle {
public:
    FileWatchHandle(const QString& path, std::function<void()> handler)
        : m_file(QFileInfo(path).absoluteFilePath()), m_handler(std::move(handler)),
          m_watcher(new QFileSystemWatcher) {
        QObject::connect(m_watcher, &QFileSystemWatcher::fileChanged, m_watcher,
                         [this] { changed(); });
        QObject::connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_watcher,
                         [this] { changed(); });
        rearm();
    }

    ~FileWatchHandle() override {
        if (m_destroyedFlag) {
            *m_destroyedFlag = true;
            QObject::disconnect(m_watcher, nullptr, nullptr, nullptr);
            m_watcher->deleteLater();
        } else {
            delete m_watcher;
        }
    }

private:
    void changed() {
        rearm();
        bool destroyed = false;
        m_destroyedFlag = &destroyed;
        const std::function<void()> handler = m_handler; // the handle may go away inside
        handler();
        if (!destroyed)
            m_destroyedFlag = nullptr;
    }

    // Watches the file as it is now: after a rename over it the old watch follows a file that
    // is gone, and a file that appeared has no watch yet.
    void rearm() {
        if (m_watcher->files().contains(m_file))
            m_watcher->removePath(m_file);
        if (QFileInfo::exists(m_file))
            m_watcher->addPath(m_file);

        QString folder = QFileInfo(m_file).absolutePath();
        while (!QFileInfo(folder).isDir()) {
            const QString above = QFileInfo(folder).absolutePath();
            if (above == folder)
                break;
            folder = above;
        }
        for (const QString& watched : m_watcher->directories())
            if (watched != folder)
                m_watcher->removePath(watched);
        if (!m_watcher->directories().contains(folder))
            m_watcher->addPath(folder);
    }

    QString m_file;
    std::function<void()> m_handler;
    QFileSystemWatcher* m_watcher;
    bool* m_destroyedFlag = nullptr;
};

} // namespace

std::unique_ptr<Handle> QtFileWatching::watchFile(const QString& path,
                                                  std::function<void()> handler) {
    return std::make_unique<FileWatchHandle>(path, std::move(handler));
}

} // namespace tandrel::linuxdesktop
