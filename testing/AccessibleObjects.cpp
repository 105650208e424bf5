// SPDX-License-Identifier: MIT
#include "testing/AccessibleObjects.h"

#include "platform/linux/GLibPtr.h"

#include <atspi/atspi.h>

#include <utility>

namespace tandrel::e2e {

using namespace linuxdesktop;

namespace {

// Deep enough for any of our windows, and a guard against a cyclic tree.
constexpr int kMaxDepth = 24;

// A failed call reads as empty; the error and the string are released either way.
QString adoptString(gchar* value, GError* error) {
    const GErrorPtr failed(error);
    const GCharPtr owned(value);
    return owned ? QString::fromUtf8(owned.get()) : QString();
}

QString roleOf(AtspiAccessible* object) {
    GError* error = nullptr;
    gchar* role = atspi_accessible_get_role_name(object, &error);
    return adoptString(role, error);
}

QString nameOf(AtspiAccessible* object) {
    GError* error = nullptr;
    gchar* name = atspi_accessible_get_name(object, &error);
    return adoptString(name, error);
}

qint64 processOf(AtspiAccessible* object) {
    GError* error = nullptr;
    const guint pid = atspi_accessible_get_process_id(object, &error);
    const GErrorPtr failed(error);
    return failed ? 0 : pid;
}

QRect extentsOf(AtspiAccessible* object) {
    const GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(object));
    if (!component)
        return {};
    GError* error = nullptr;
    const GMallocPtr<AtspiRect> rect(
        atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error));
    const GErrorPtr failed(error);
    if (!rect)
        return {};
    return QRect(rect->x, rect->y, rect->width, rect->height);
}

QString textOf(AtspiAccessible* object) {
    const GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(object));
    if (!text)
        return {};
    GError* error = nullptr;
    const gint count = atspi_text_get_character_count(text.get(), &error);
    if (const GErrorPtr failed{error})
        return {};
    gchar* value = atspi_text_get_text(text.get(), 0, count, &error);
    return adoptString(value, error);
}

// The children that could be read, in order; one that fails is left out.
std::vector<GObjectPtr<AtspiAccessible>> childrenOf(AtspiAccessible* object) {
    std::vector<GObjectPtr<AtspiAccessible>> children;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(object, &error);
    if (const GErrorPtr failed{error})
        return children;
    for (gint i = 0; i < count; ++i) {
        GObjectPtr<AtspiAccessible> child(atspi_accessible_get_child_at_index(object, i, &error));
        if (const GErrorPtr failed{std::exchange(error, nullptr)})
            continue;
        if (child)
            children.push_back(std::move(child));
    }
    return children;
}

void collect(AtspiAccessible* object, int depth, std::vector<AccessibleObject>& into) {
    if (depth > kMaxDepth)
        return;
    const GObjectPtr<AtspiStateSet> states(atspi_accessible_get_state_set(object));
    if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
        return;
    AccessibleObject found;
    found.role = roleOf(object);
    found.name = nameOf(object);
    found.enabled = atspi_state_set_contains(states.get(), ATSPI_STATE_ENABLED);
    found.extents = extentsOf(object);
    found.text = textOf(object);
    into.push_back(found);
    for (const auto& child : childrenOf(object))
        collect(child.get(), depth + 1, into);
}

} // namespace

bool connectToAccessibilityBus(QString* error) {
    static const int result = atspi_init();
    // 1 means this process was connected already, which is as good.
    if (result != 0 && result != 1) {
        if (error)
            *error = QStringLiteral("cannot connect to the accessibility bus (atspi_init %1)")
                         .arg(result);
        return false;
    }
    return true;
}

std::vector<AccessibleObject> showingObjectsOf(qint64 pid) {
    std::vector<AccessibleObject> objects;
    const GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return objects;
    for (const auto& application : childrenOf(desktop.get())) {
        if (processOf(application.get()) != pid)
            continue;
        // Names and states change under the test: read them from the application every time.
        atspi_accessible_set_cache_mask(application.get(), ATSPI_CACHE_NONE);
        atspi_accessible_clear_cache(application.get());
        for (const auto& window : childrenOf(application.get()))
            collect(window.get(), 0, objects);
    }
    return objects;
}

std::optional<AccessibleObject> findShowing(qint64 pid, const QString& role, const QString& name) {
    for (AccessibleObject& object : showingObjectsOf(pid))
        if (object.role == role && object.name == name)
            return std::move(object);
    return std::nullopt;
}

struct EnabledChanges::State {
    qint64 pid = 0;
    GObjectPtr<AtspiEventListener> listener;
    bool listening = false;
    std::vector<Change> changes;

    static void onEvent(AtspiEvent* event, void* data) {
        const AtspiEventPtr owned(event);
        auto* state = static_cast<State*>(data);
        if (event->source && processOf(event->source) == state->pid)
            state->changes.push_back(
                {roleOf(event->source), nameOf(event->source), event->detail1 != 0});
    }
};

namespace {
const char* const kEnabledEvent = "object:state-changed:enabled";
}

EnabledChanges::EnabledChanges(qint64 pid) : m_state(std::make_unique<State>()) {
    m_state->pid = pid;
    m_state->listener.reset(atspi_event_listener_new(&State::onEvent, m_state.get(), nullptr));
    GError* error = nullptr;
    m_state->listening =
        atspi_event_listener_register(m_state->listener.get(), kEnabledEvent, &error);
    const GErrorPtr failed(error);
}

EnabledChanges::~EnabledChanges() {
    if (m_state->listening)
        atspi_event_listener_deregister(m_state->listener.get(), kEnabledEvent, nullptr);
}

bool EnabledChanges::isListening() const {
    return m_state->listening;
}

const std::vector<EnabledChanges::Change>& EnabledChanges::changes() const {
    return m_state->changes;
}

void EnabledChanges::clear() {
    m_state->changes.clear();
}

} // namespace tandrel::e2e
