#include "platform/sim/SimPasteboard.h"

namespace tandrel::sim {

const QString& SimPasteboard::plainTextType() {
    static const QString type = QStringLiteral("text/plain");
    return type;
}

std::vector<QStringList> SimPasteboard::itemTypes() {
    std::vector<QStringList> result;
    for (const PasteboardItem& item : m_items) {
        QStringList types;
        for (const auto& [type, bytes] : item)
            types << type;
        result.push_back(types);
    }
    return result;
}

std::optional<QByteArray> SimPasteboard::data(int item, const QString& type) {
    if (item < 0 || item >= int(m_items.size()) || m_withheld.contains(type))
        return std::nullopt;
    for (const auto& [name, bytes] : m_items[std::size_t(item)]) {
        if (name == type)
            return bytes;
    }
    return std::nullopt;
}

void SimPasteboard::clearContents() {
    ++m_clears;
    m_items.clear();
    ++m_changeCount;
}

bool SimPasteboard::writeString(const QString& text) {
    if (m_failStringWrites)
        return false;
    ++m_writes;
    m_items = {{{plainTextType(), text.toUtf8()}}};
    ++m_changeCount;
    return true;
}

bool SimPasteboard::writeItems(const std::vector<PasteboardItem>& items) {
    ++m_writes;
    m_items = items;
    ++m_changeCount;
    return true;
}

void SimPasteboard::copy(std::vector<PasteboardItem> items) {
    m_items = std::move(items);
    ++m_changeCount;
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
