#pragma once

#include "platform/AXValue.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <atspi/atspi.h>

#include <functional>
#include <map>

namespace tandrel::linuxdesktop {

// The process's one set of AT-SPI event listeners. libatspi calls them on the GLib main
// context, which Qt's event loop drives on the main thread; the listeners keep the focus cache
// up to date at once and hand every event on to the subscribers from a queued call, so that
// subscribers may make AT-SPI requests without re-entering libatspi's dispatch.
class AtspiEvents final : public QObject {
public:
    using Sink = std::function<void(const ax::Element& source, const QString& type, int detail1)>;

    AtspiEvents();
    ~AtspiEvents() override;

    // Registers the listeners for the layout events; until then only focus and window
    // activation are listened to (every registered type makes applications send more).
    void listenToLayoutEvents();

    int subscribe(Sink sink);
    void unsubscribe(int id);

    // The last element of that application (by bus name) that reported gaining the focus.
    ax::Element lastFocused(const QByteArray& busName) const;
    // Drops that element from the cache, unless a newer focus event has replaced it meanwhile
    // (events are dispatched while a request waits for its reply).
    void forgetFocus(const QByteArray& busName, const ax::Element& stale);

private:
    static void onEvent(AtspiEvent* event, void* self);
    void handle(AtspiEvent* event);
    void listen(const char* type);

    AtspiEventListener* m_listener = nullptr;
    bool m_layoutListening = false;
    QHash<QByteArray, ax::Element> m_focused;
    std::map<int, Sink> m_sinks;
    int m_nextId = 1;
};

} // namespace tandrel::linuxdesktop
