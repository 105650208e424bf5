#include "platform/linux/AtspiEvents.h"

#include "platform/linux/AtspiElement.h"
#include "platform/linux/EventNames.h"

#include <QMetaObject>
#include <QPointer>

namespace tandrel::linuxdesktop {

AtspiEvents::AtspiEvents() {
    m_listener = atspi_event_listener_new(&AtspiEvents::onEvent, this, nullptr);
    listen("object:state-changed:focused");
    listen("window:activate");
}

namespace {
const char* const kChangeEventTypes[] = {"object:children-changed", "object:attributes-changed",
                                         "object:state-changed", "object:property-change"};
} // namespace

AtspiEvents::~AtspiEvents() {
    if (m_changeListener) {
        for (const char* type : kChangeEventTypes)
            atspi_event_listener_deregister(m_changeListener, type, nullptr);
        g_object_unref(m_changeListener);
    }
    // Deregistering every type we registered stops further calls with this pointer.
    QStringList types{QStringLiteral("object:state-changed:focused"),
                      QStringLiteral("window:activate")};
    if (m_layoutListening)
        types += layoutEventTypes();
    for (const QString& type : types)
        atspi_event_listener_deregister(m_listener, type.toUtf8().constData(), nullptr);
    g_object_unref(m_listener);
}

void AtspiEvents::listen(const char* type) {
    GError* error = nullptr;
    if (!atspi_event_listener_register(m_listener, type, &error)) {
        qWarning("Could not listen to %s: %s", type, error ? error->message : "unknown error");
    }
    g_clear_error(&error);
}

void AtspiEvents::listenToLayoutEvents() {
    if (m_layoutListening)
        return;
    m_layoutListening = true;
    for (const QString& type : layoutEventTypes())
        listen(type.toUtf8().constData());
}

void AtspiEvents::listenToChanges() {
    if (m_changeListener)
        return;
    m_changeListener = atspi_event_listener_new(&AtspiEvents::onChange, this, nullptr);
    for (const char* type : kChangeEventTypes) {
        GError* error = nullptr;
        if (!atspi_event_listener_register(m_changeListener, type, &error))
            qWarning("Could not listen to %s: %s", type, error ? error->message : "unknown error");
        g_clear_error(&error);
    }
}

void AtspiEvents::onChange(AtspiEvent* event, void* self) {
    if (event && event->source) {
        // Counted at once, while a request may still wait for its reply: the reading it brings
        // back is then not kept.
        const ax::Element source = AtspiElement::wrap(event->source);
        ++static_cast<AtspiEvents*>(self)->m_changes[source.as<AtspiElement>()->busName()];
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

int AtspiEvents::subscribe(Sink sink) {
    const int id = m_nextId++;
    m_sinks.emplace(id, std::move(sink));
    return id;
}

void AtspiEvents::unsubscribe(int id) {
    m_sinks.erase(id);
}

ax::Element AtspiEvents::lastFocused(const QByteArray& busName) const {
    return m_focused.value(busName);
}

void AtspiEvents::forgetFocus(const QByteArray& busName, const ax::Element& stale) {
    const auto it = m_focused.constFind(busName);
    if (it != m_focused.constEnd() && *it == stale)
        m_focused.erase(it);
}

void AtspiEvents::onEvent(AtspiEvent* event, void* self) {
    static_cast<AtspiEvents*>(self)->handle(event);
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

void AtspiEvents::handle(AtspiEvent* event) {
    if (!event || !event->source || !event->type)
        return;
    const ax::Element source = AtspiElement::wrap(event->source);
    const QString type = QString::fromUtf8(event->type);
    const int detail1 = event->detail1;
    const auto* impl = source.as<AtspiElement>();

    if (type.startsWith(QLatin1String("object:state-changed:focused"))) {
        if (detail1)
            m_focused.insert(impl->busName(), source);
        else if (m_focused.value(impl->busName()) == source)
            m_focused.remove(impl->busName());
    }
    if (m_sinks.empty())
        return;
    QPointer<AtspiEvents> guard(this);
    QMetaObject::invokeMethod(
        this,
        [guard, source, type, detail1] {
            if (!guard)
                return;
            // Copy the ids first: a sink may unsubscribe itself or another one.
            std::vector<int> ids;
            for (const auto& [id, sink] : guard->m_sinks)
                ids.push_back(id);
            for (int id : ids) {
                if (!guard)
                    return;
                auto it = guard->m_sinks.find(id);
                if (it != guard->m_sinks.end()) {
                    Sink sink = it->second;
                    sink(source, type, detail1);
                }
            }
        },
        Qt::QueuedConnection);
}

} // namespace tandrel::linuxdesktop
