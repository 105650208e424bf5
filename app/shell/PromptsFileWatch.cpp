// SPDX-License-Identifier: MIT
#include "app/shell/PromptsFileWatch.h"

Q_LOGGING_CATEGORY(lcPromptsFile, "tandrel.promptsfile", QtInfoMsg)

namespace tandrel {

PromptsFileWatch::PromptsFileWatch(Desktop& desktop, const ConfigurationStore& store)
    : m_desktop(desktop), m_store(store) {}

Configuration PromptsFileWatch::load() {
    // ConfigurationStore::load() in its two halves, keeping the bytes between them.
    m_store.removeLeftoverTemporaryFiles();
    m_contents = m_store.read();
    return m_store.decode(m_contents);
}

void PromptsFileWatch::save(const Configuration& configuration) {
    m_contents = m_store.save(configuration);
    m_reported.reset();
}

Configuration PromptsFileWatch::reload() {
    std::optional<QByteArray> now = m_store.read();
    if (!now)
        throw FileError(QStringLiteral("read"), m_store.path(), QStringLiteral("it was removed"));
    Configuration configuration = m_store.decode(now);
    m_contents = std::move(now);
    m_reported.reset();
    return configuration;
}

void PromptsFileWatch::start() {
    m_watch = m_desktop.fileWatching().watchFile(m_store.path(), [this] {
        // Each event starts the wait afresh: the file is read once the burst is over.
        m_settle = m_desktop.clock().runAfter(kSettleDelay, [this] { settled(); });
    });
}

bool PromptsFileWatch::changedSince(const std::optional<QByteArray>& base) const {
    try {
        const std::optional<QByteArray> now = m_store.read();
        return now && now != base;
    } catch (const Error&) {
        return true;
    }
}

void PromptsFileWatch::settled() {
    std::optional<QByteArray> now;
    try {
        now = m_store.read();
    } catch (const Error& error) {
        return report(error, std::nullopt);
    }
    if (!now) {
        // Removed: the prompts in use stay, and the next save writes the file again.
        if (m_contents)
            qCInfo(lcPromptsFile, "Prompts file removed; the prompts in use stay");
        m_reported.reset();
        return;
    }
    if (now == m_contents) {
        m_reported.reset();
        return;
    }
    Configuration configuration;
    try {
        configuration = m_store.decode(now);
    } catch (const Error& error) {
        return report(error, now);
    }
    m_contents = std::move(now);
    m_reported.reset();
    qCInfo(lcPromptsFile, "Prompts file changed; reloaded %zu prompts",
           configuration.prompts.size());
    emit reloaded(configuration);
}

void PromptsFileWatch::report(const Error& error, const std::optional<QByteArray>& contents) {
    Unreadable found{contents, error.errorDescription()};
    if (m_reported == found)
        return;
    m_reported = std::move(found);
    qCWarning(lcPromptsFile, "Prompts file changed but cannot be read; the prompts in use stay: %s",
              error.what());
    emit unreadable(error);
}

} // namespace tandrel
