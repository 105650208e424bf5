// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

#include "core/Configuration.h"
#include "core/ConfigurationStore.h"
#include "core/Errors.h"
#include "platform/Desktop.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Changes to the prompts file made outside Tandrel (category "tandrel.promptsfile").
Q_DECLARE_LOGGING_CATEGORY(lcPromptsFile)

namespace tandrel {

// The prompts file as the running program knows it: the bytes it last read from the file or
// wrote to it, and the changes others make to it meanwhile. A change is judged by content, so
// the program's own saves, a touch or a rewrite with the same bytes are no change.
//
// Lifetimes: the desktop and the store outlive the watch.
class PromptsFileWatch final : public QObject {
    Q_OBJECT
public:
    // Changes settle this long before the file is read: an editor's save comes as a burst of
    // events (a temporary file written, renamed over the file, its attributes set).
    static constexpr double kSettleDelay = 0.3;

    PromptsFileWatch(Desktop& desktop, const ConfigurationStore& store);
    ~PromptsFileWatch() = default;
    PromptsFileWatch(const PromptsFileWatch&) = delete;
    PromptsFileWatch& operator=(const PromptsFileWatch&) = delete;

    // Reads the file and keeps its bytes; throws as ConfigurationStore::load() does.
    Configuration load();
    // Writes the prompts and keeps the bytes written; throws as ConfigurationStore::save() does.
    void save(const Configuration& configuration);
    // Reads the file as it is now and keeps its bytes. Throws as load() does, and FileError
    // when the file is gone: there is nothing to reload then.
    Configuration reload();
    // Starts watching: settled changes are signalled as reloaded() or unreadable().
    void start();

    // The bytes last read or written; none while the file was absent.
    const std::optional<QByteArray>& contents() const { return m_contents; }
    // Whether the file holds other bytes now than `base`. A file that is absent now does not
    // count: writing it again loses nothing. A file that cannot be read does.
    bool changedSince(const std::optional<QByteArray>& base) const;

signals:
    // The file now holds prompts other than those last read or written; they are kept as read.
    void reloaded(const Configuration& configuration);
    // The file now holds something that cannot be read. Once per change: the same unreadable
    // file is not reported again. What was last read stays the known content.
    void unreadable(const Error& error);

private:
    struct Unreadable {
        std::optional<QByteArray> contents;
        QString error;
        friend bool operator==(const Unreadable&, const Unreadable&) = default;
    };

    void settled();
    void report(const Error& error, const std::optional<QByteArray>& contents);

    Desktop& m_desktop;
    const ConfigurationStore& m_store;
    std::optional<QByteArray> m_contents;
    std::optional<Unreadable> m_reported;
    std::unique_ptr<Handle> m_settle;
    // Last: destroyed first, so no change is reported into a watch being torn down.
    std::unique_ptr<Handle> m_watch;
};

} // namespace tandrel
