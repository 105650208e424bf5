// SPDX-License-Identifier: MIT
#pragma once

#include "platform/FileWatching.h"

namespace tandrel::linuxdesktop {

// File watching with QFileSystemWatcher (inotify). The file alone is not enough: a save that
// renames a new file over it, as Tandrel and most editors do, leaves a watch on the old file, so
// the folder is watched too, and while the folder does not exist yet, the nearest one above it.
class QtFileWatching final : public FileWatching {
public:
    std::unique_ptr<Handle> watchFile(const QString& path, std::function<void()> handler) override;
};

} // namespace tandrel::linuxdesktop
