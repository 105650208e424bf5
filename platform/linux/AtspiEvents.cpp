// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiEvents.h"

#include "platform/linux/AtspiElement.h"
#include "platform/linux/EventNames.h"

#include <QMetaObject>
#include <QPointer>

namespace tandrel::linuxdesktop {

AtspiEvents::AtspiEvents() {
    m_listener.reset(atspi_event_listener_new(&AtspiEvents::onEvent, this, nullptr));
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
            atspi_event_listener_deregister(m_changeListener.get(), type, nullptr);
    }
    // Deregistering every type we registered stops further calls with this pointer.
    QStringList types{QStringLiteral("object:state-changed:focused"),
                      QStringLiteral("window:activate")};
    if (m_layoutListening)
        types += layoutEventTypes();
    for (const QString& type : types)
        atspi_event_listener_deregister(m_listener.get(), type.toUtf8().constData(), nullptr);
}

void AtspiEvents::listen(const char* type) {
    listen(m_listener.get(), type);
}

void AtspiEvents::listen(AtspiEventListener* listener, const char* type) {
    GError* raw = nullptr;
    const bool registered = atspi_event_listener_register(listener, type, &raw);
    const GErrorPtr error(raw);
    if (!registered)
        qWarning("Could not listen to %s: %s", type, error ? error->message : "unknown error");
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
    m_changeListener.reset(atspi_event_listener_new(&AtspiEvents::onChange, this, nullptr));
    for (const char* type : kChangeEventTypes)
        listen(m_changeListener.get(), type);
}

void AtspiEvents::onChange(AtspiEvent* received, void* self) {
    const AtspiEventPtr event(received); // ours to free
    if (event && event->source) {
        // Counted at once, while a request may still wait for its reply: the reading it brings
        // back is then not kept.
        ++static_cast<AtspiEvents*>(self)->m_changes[AtspiElement::busNameOf(event->source)];
    }
}

int AtspiEvents::subscribe(Sink sink) {
    const int id = m_nextId++;
    m_sinks.emplace(id, std::move(sink));
    return id;
}

void AtspiEvents::unsubscribe(int id) {
    m_sinks.erase(id);
}

a11y::Element AtspiEvents::lastFocused(const QByteArray& busName) const {
    return m_focused.value(busName);
}

void AtspiEvents::rememberFocus(const QByteArray& busName, const a11y::Element& focused) {
    if (!focused.isNull() && !m_focused.contains(busName))
        m_focused.insert(busName, focused);
}

void AtspiEvents::forgetFocus(const QByteArray& busName, const a11y::Element& stale) {
    const auto it = m_focused.constFind(busName);
    if (it != m_focused.constEnd() && *it == stale)
        m_focused.erase(it);
}

void AtspiEvents::onEvent(AtspiEvent* received, void* self) {
    const AtspiEventPtr event(received); // ours to free
    static_cast<AtspiEvents*>(self)->handle(event.get());
}

namespace {

// libatspi announces the disposal of each accessible with a defunct event whose source is that
// very accessible. A handle that outlives the listener's call revives it; dropping the handle then
// disposes it again, which announces it again, and so on for as long as the program runs. An
// accessible is therefore handed on as defunct once: a later defunct event for it (its disposal,
// after the application itself said so, or a disposal repeated) is dropped unseen.
bool firstDefunctNotice(AtspiEvent* event) {
    static const GQuark noticed = g_quark_from_static_string("tandrel-defunct-noticed");
    if (!g_str_has_prefix(event->type, "object:state-changed:defunct"))
        return true;
    if (g_object_get_qdata(G_OBJECT(event->source), noticed))
        return false;
    g_object_set_qdata(G_OBJECT(event->source), noticed, GINT_TO_POINTER(1));
    return true;
}

} // namespace

void AtspiEvents::handle(AtspiEvent* event) {
    if (!event || !event->source || !event->type || !firstDefunctNotice(event))
        return;
    const a11y::Element source = AtspiElement::wrap(event->source);
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
