// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

#include <utility>
#include <vector>

namespace tandrel::test {

// Records every Qt log message while alive, as (category, message) pairs, and puts the previous
// message handler back afterwards. Captures nest: the innermost one receives the messages.
class LogCapture {
public:
    struct Entry {
        QString category;
        QString message;
        friend bool operator==(const Entry&, const Entry&) = default;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<Entry>& entries() const { return m_entries; }
    // The messages of one category, in order.
    std::vector<QString> messages(const QString& category) const;
    int count(const QString& category, const QString& message) const;
    void clear() { m_entries.clear(); }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::vector<Entry> m_entries;
    LogCapture* m_outer = nullptr;
    QtMessageHandler m_previous = nullptr;
};

} // namespace tandrel::test
