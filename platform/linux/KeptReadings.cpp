// SPDX-License-Identifier: MIT
#include "platform/linux/KeptReadings.h"

#include "platform/AXNames.h"

namespace tandrel::linuxdesktop {

namespace {

QByteArray keyOf(const QByteArray& path, const QString& attribute) {
    return path + '\n' + attribute.toLatin1();
}

} // namespace

bool KeptReadings::mayKeep(const QString& attribute) {
    // Never the focus, the frame or the text: they change without an event we listen to (or
    // with one too frequent to be worth it), and the palette must follow them at once. Nor the
    // page's classes and element ids: Chromium changes them without any event (a chat page that
    // restyles its composer would keep its old surface).
    static const QLatin1String kept[] = {
        ax::attr::role,
        ax::attr::subrole,
        ax::attr::title,
        ax::attr::description,
        ax::attr::placeholderValue,
        ax::attr::domTagName,
        ax::attr::enabled,
        ax::attr::editable,
        ax::attr::parent,
        ax::attr::children,
        ax::attr::url,
        ax::attr::window,
    };
    for (const QLatin1String name : kept) {
        if (attribute == name)
            return true;
    }
    return false;
}

std::optional<ax::Reading> KeptReadings::find(const QByteArray& bus, const QByteArray& path,
                                              const QString& attribute, std::uint64_t changes) {
    const auto app = m_applications.find(bus);
    if (app == m_applications.end())
        return std::nullopt;
    if (app->changes != changes) {
        m_applications.erase(app);
        return std::nullopt;
    }
    const auto it = app->readings.constFind(keyOf(path, attribute));
    if (it == app->readings.constEnd())
        return std::nullopt;
    return *it;
}

void KeptReadings::keep(const QByteArray& bus, const QByteArray& path, const QString& attribute,
                        const ax::Reading& reading, std::uint64_t changesBefore,
                        std::uint64_t changesAfter) {
    // Failures (a timeout, an element that went away) are asked again next time; "no value" is
    // an answer like any other.
    if (changesBefore != changesAfter || !mayKeep(attribute) ||
        (reading.error != ax::kSuccess && reading.error != ax::kNoValue))
        return;
    Application& app = m_applications[bus];
    if (app.changes != changesAfter) {
        app.readings.clear();
        app.changes = changesAfter;
    }
    app.readings.insert(keyOf(path, attribute), reading);
}

std::size_t KeptReadings::size() const {
    std::size_t n = 0;
    for (const Application& app : m_applications)
        n += app.readings.size();
    return n;
}

} // namespace tandrel::linuxdesktop
