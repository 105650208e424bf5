// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"

#include <QString>

#include <functional>
#include <memory>

namespace tandrel {

// Changes that others make to the files the program keeps.
class FileWatching {
public:
    virtual ~FileWatching() = default;

    // Calls the handler on the main thread whenever the file at the path may have changed:
    // written in place, replaced by a rename, created, removed, or its folder created later. A
    // burst of changes may come as several calls and unrelated changes beside the file may call
    // too, so the handler reads the file to learn what, if anything, changed. Until the handle is
    // destroyed.
    virtual std::unique_ptr<Handle> watchFile(const QString& path,
                                              std::function<void()> handler) = 0;
};

} // namespace tandrel
