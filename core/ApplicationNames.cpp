// SPDX-License-Identifier: MIT
#include "core/ApplicationNames.h"

#include <array>

namespace tandrel {

namespace {

struct Alias {
    const char* name; // compared without regard to letter case
    const char* identity;
};

// Names under which the desktop chat applications' Linux builds identify their windows.
constexpr std::array kAliases{
    Alias{"com.anthropic.claudefordesktop", "com.anthropic.claudefordesktop"},
    Alias{"Claude", "com.anthropic.claudefordesktop"},
    Alias{"claude-desktop", "com.anthropic.claudefordesktop"},
    Alias{"Claude Desktop", "com.anthropic.claudefordesktop"},
    Alias{"com.openai.chat", "com.openai.chat"},
    Alias{"ChatGPT", "com.openai.chat"},
    Alias{"chatgpt-desktop", "com.openai.chat"},
    Alias{"com.openai.codex", "com.openai.codex"},
    Alias{"Codex", "com.openai.codex"},
    Alias{"codex-desktop", "com.openai.codex"},
    Alias{"ai.opencode.desktop", "ai.opencode.desktop"},
    Alias{"OpenCode", "ai.opencode.desktop"},
    Alias{"opencode-desktop", "ai.opencode.desktop"},
};

// Window classes and desktop file ids of browsers, without the ".desktop" suffix.
constexpr std::array kBrowsers{
    "chromium",
    "chromium-browser",
    "org.chromium.Chromium",
    "google-chrome",
    "google-chrome-stable",
    "google-chrome-beta",
    "brave-browser",
    "microsoft-edge",
    "vivaldi-stable",
    "opera",
    "firefox",
    "firefox-esr",
    "org.mozilla.firefox",
    "firefox-nightly",
    "librewolf",
    "epiphany",
};

std::optional<QString> exactAliasOf(const QString& key) {
    if (key.isEmpty())
        return std::nullopt;
    for (const Alias& a : kAliases)
        if (key.compare(QLatin1String(a.name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(a.identity);
    return std::nullopt;
}

std::optional<QString> aliasOf(const QString& name) {
    const QString key = name.trimmed();
    if (auto identity = exactAliasOf(key))
        return identity; // before the suffix goes: "ai.opencode.desktop" is an identifier itself
    // Desktop file ids may come with their suffix.
    if (key.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
        return exactAliasOf(key.chopped(8));
    return std::nullopt;
}

} // namespace

std::optional<QString> identityFor(const ApplicationNames& names) {
    for (const QString* name : {&names.desktopId, &names.windowClass, &names.instance})
        if (auto identity = aliasOf(*name))
            return identity;
    for (const QString* name : {&names.desktopId, &names.windowClass, &names.instance})
        if (!name->trimmed().isEmpty())
            return name->trimmed();
    return std::nullopt;
}

bool isWebBrowser(const QString& identity) {
    QString key = identity.trimmed();
    if (key.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
        key.chop(8);
    for (const char* browser : kBrowsers)
        if (key.compare(QLatin1String(browser), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

std::optional<QString> displayNameFor(const ApplicationNames& names) {
    for (const QString* name : {&names.windowClass, &names.instance})
        if (!name->trimmed().isEmpty())
            return name->trimmed();
    return std::nullopt;
}

} // namespace tandrel
