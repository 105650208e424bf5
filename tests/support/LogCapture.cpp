// SPDX-License-Identifier: MIT
#include "tests/support/LogCapture.h"

#include <algorithm>

namespace tandrel::test {

namespace {
LogCapture* g_current = nullptr;
} // namespace

LogCapture::LogCapture() : m_outer(g_current) {
    g_current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(m_previous);
    g_current = m_outer;
}

void LogCapture::handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (!g_current)
        return;
    g_current->m_entries.push_back(
        {QString::fromUtf8(context.category ? context.category : "default"), message});
}

std::vector<QString> LogCapture::messages(const QString& category) const {
    std::vector<QString> result;
    for (const Entry& entry : m_entries) {
        if (entry.category == category)
            result.push_back(entry.message);
    }
    return result;
}

int LogCapture::count(const QString& category, const QString& message) const {
    return int(std::count(m_entries.begin(), m_entries.end(), Entry{category, message}));
}

} // namespace tandrel::test
