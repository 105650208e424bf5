#include "core/ComposerPolicy.h"

namespace tandrel::ComposerPolicy {

const QSet<QString>& bundleIDs() {
    static const QSet<QString> ids = {
        QStringLiteral("com.anthropic.claudefordesktop"),
        QStringLiteral("com.openai.chat"),
        QStringLiteral("com.openai.codex"),
        QStringLiteral("ai.opencode.desktop"),
    };
    return ids;
}

const QSet<QString>& webChatHosts() {
    static const QSet<QString> hosts = {
        QStringLiteral("chatgpt.com"),
        QStringLiteral("chat.openai.com"),
        QStringLiteral("claude.ai"),
        QStringLiteral("gemini.google.com"),
        QStringLiteral("copilot.microsoft.com"),
        QStringLiteral("perplexity.ai"),
        QStringLiteral("www.perplexity.ai"),
        QStringLiteral("grok.com"),
        QStringLiteral("chat.mistral.ai"),
        QStringLiteral("chat.deepseek.com"),
    };
    return hosts;
}

// Temporary: filled in with the real rules shortly.
bool acceptsWebURL(const QUrl&) {
    return false;
}
bool accepts(const QString&, const QString&, const QString&, std::optional<bool>) {
    return false;
}
QString comparableText(const QString& s) {
    return s.trimmed();
}
std::optional<QString> expectedValue(const QString&, const QString&, std::optional<TextRange>) {
    return std::nullopt;
}
bool insertionVerified(const QString&, const QString&, const QString&,
                       const std::optional<QString>&) {
    return false;
}

} // namespace tandrel::ComposerPolicy
