// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/GLibPtr.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <atspi/atspi.h>

#include <cstdint>
#include <functional>
#include <map>

namespace tandrel::linuxdesktop {

// The process's one set of AT-SPI event listeners. libatspi calls them on the GLib main
// context, which Qt's event loop drives on the main thread; the listeners keep the focus cache
// up to date at once and hand every event on to the subscribers from a queued call, so that
// subscribers may make AT-SPI requests without re-entering libatspi's dispatch.
class AtspiEvents final : public QObject {
public:
    using Sink = std::function<void(const a11y::Element& source, const QString& type, int detail1)>;

    AtspiEvents();
    ~AtspiEvents() override;

    // Registers the listeners for the layout events; until then only focus and window
    // activation are listened to (every registered type makes applications send more).
    void listenToLayoutEvents();

    // Registers the listeners for every event that can change what an element reports besides
    // its frame and text (children, object attributes, states, properties such as the name or
    // the parent, defunct), so that readings can be kept until changes() moves.
    void listenToChanges();
    // How many such events the application (by bus name) has sent since listening began.
    std::uint64_t changes(const QByteArray& busName) const { return m_changes.value(busName); }

    int subscribe(Sink sink);
    void unsubscribe(int id);

    // The last element of that application (by bus name) that reported gaining the focus.
    a11y::Element lastFocused(const QByteArray& busName) const;
    // Takes an element found focused by asking, when no focus event has named one: the focus
    // may have moved before we listened, and asking again on every evaluation is costly.
    void rememberFocus(const QByteArray& busName, const a11y::Element& focused);
    // Drops that element from the cache, unless a newer focus event has replaced it meanwhile
    // (events are dispatched while a request waits for its reply).
    void forgetFocus(const QByteArray& busName, const a11y::Element& stale);

private:
    static void onEvent(AtspiEvent* event, void* self);
    static void onChange(AtspiEvent* event, void* self);
    void handle(AtspiEvent* event);
    void listen(const char* type);
    static void listen(AtspiEventListener* listener, const char* type);

    GObjectPtr<AtspiEventListener> m_listener;
    // A listener of its own, so an event that both listeners take reaches the sinks once.
    GObjectPtr<AtspiEventListener> m_changeListener;
    QHash<QByteArray, std::uint64_t> m_changes;
    bool m_layoutListening = false;
    QHash<QByteArray, a11y::Element> m_focused;
    std::map<int, Sink> m_sinks;
    int m_nextId = 1;
};

} // namespace tandrel::linuxdesktop
