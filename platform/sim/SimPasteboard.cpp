// SPDX-License-Identifier: MIT
#include "platform/sim/SimPasteboard.h"

namespace tandrel::sim {

const QString& SimPasteboard::plainTextType() {
    static const QString type = QStringLiteral("text/plain");
    return type;
}

std::unique_ptr<Handle>
SimPasteboard::readContent(double timeout,
                           std::function<void(std::optional<PasteboardContent>)> done) {
    PasteboardContent content;
    std::size_t types = 0;
    for (const PasteboardItem& item : m_items) {
        PasteboardItem delivered;
        for (const auto& [type, bytes] : item) {
            ++types;
            if (!m_withheld.contains(type))
                delivered.emplace_back(type, bytes);
        }
        content.push_back(std::move(delivered));
    }
    const std::optional<double> needed =
        m_ownerDelay ? std::optional<double>(*m_ownerDelay * double(types)) : std::nullopt;
    if (!needed || *needed > timeout)
        return m_clock.runAfter(timeout, [done = std::move(done)] { done(std::nullopt); });
    return m_clock.runAfter(
        *needed, [done = std::move(done), content = std::move(content)] { done(content); });
}

bool SimPasteboard::write(const PasteboardContent& content) {
    ++m_writes;
    if (m_refuses && m_refuses(content)) {
        m_items.clear();
        return false;
    }
    m_items = content;
    return true;
}

std::unique_ptr<Handle> SimPasteboard::observeChanges(std::function<void()> handler) {
    return SimLifetimes::counted(m_observers.add(std::move(handler)), m_lifetimes);
}

void SimPasteboard::copy(std::vector<PasteboardItem> items) {
    m_items = std::move(items);
    m_observers.notify();
}

void SimPasteboard::copyText(const QString& text) {
    copy({{{plainTextType(), text.toUtf8()}}});
}

std::optional<QString> SimPasteboard::text() const {
    if (m_items.empty())
        return std::nullopt;
    for (const auto& [type, bytes] : m_items.front()) {
        if (type == plainTextType())
            return QString::fromUtf8(bytes);
    }
    return std::nullopt;
}

} // namespace tandrel::sim
