#include "tests/e2e/AccessibleObjects.h"

#include <atspi/atspi.h>

namespace tandrel::e2e {

namespace {

// Deep enough for any of our windows, and a guard against a cyclic tree.
constexpr int kMaxDepth = 24;

template <typename T> struct GObjectRef {
    T* object = nullptr;
    explicit GObjectRef(T* o) : object(o) {}
    ~GObjectRef() {
        if (object)
            g_object_unref(object);
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    T* get() const { return object; }
    explicit operator bool() const { return object != nullptr; }
};

// Takes ownership of a string returned by libatspi; a failed call reads as empty.
QString adoptString(gchar* value, GError* error) {
    if (error)
        g_error_free(error);
    const QString result = value ? QString::fromUtf8(value) : QString();
    g_free(value);
    return result;
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
    if (error) {
        g_error_free(error);
        return 0;
    }
    return pid;
}

QRect extentsOf(AtspiAccessible* object) {
    GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(object));
    if (!component)
        return {};
    GError* error = nullptr;
    AtspiRect* rect = atspi_component_get_extents(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
    if (error)
        g_error_free(error);
    if (!rect)
        return {};
    const QRect result(rect->x, rect->y, rect->width, rect->height);
    g_free(rect);
    return result;
}

QString textOf(AtspiAccessible* object) {
    GObjectRef<AtspiText> text(atspi_accessible_get_text_iface(object));
    if (!text)
        return {};
    GError* error = nullptr;
    const gint count = atspi_text_get_character_count(text.get(), &error);
    if (error) {
        g_error_free(error);
        return {};
    }
    gchar* value = atspi_text_get_text(text.get(), 0, count, &error);
    return adoptString(value, error);
}

void collect(AtspiAccessible* object, int depth, std::vector<AccessibleObject>& into) {
    if (depth > kMaxDepth)
        return;
    GObjectRef<AtspiStateSet> states(atspi_accessible_get_state_set(object));
    if (!states || !atspi_state_set_contains(states.get(), ATSPI_STATE_SHOWING))
        return;
    AccessibleObject found;
    found.role = roleOf(object);
    found.name = nameOf(object);
    found.enabled = atspi_state_set_contains(states.get(), ATSPI_STATE_ENABLED);
    found.extents = extentsOf(object);
    found.text = textOf(object);
    into.push_back(found);

    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(object, &error);
    if (error) {
        g_error_free(error);
        return;
    }
    for (gint i = 0; i < count; ++i) {
        GObjectRef<AtspiAccessible> child(atspi_accessible_get_child_at_index(object, i, &error));
        if (error) {
            g_error_free(error);
            error = nullptr;
            continue;
        }
        if (child)
            collect(child.get(), depth + 1, into);
    }
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
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return objects;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (error) {
        g_error_free(error);
        return objects;
    }
    for (gint i = 0; i < count; ++i) {
        GObjectRef<AtspiAccessible> application(
            atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (error) {
            g_error_free(error);
            error = nullptr;
            continue;
        }
        if (!application || processOf(application.get()) != pid)
            continue;
        // Names and states change under the test: read them from the application every time.
        atspi_accessible_set_cache_mask(application.get(), ATSPI_CACHE_NONE);
        atspi_accessible_clear_cache(application.get());
        GError* childError = nullptr;
        const gint windows = atspi_accessible_get_child_count(application.get(), &childError);
        if (childError) {
            g_error_free(childError);
            continue;
        }
        for (gint w = 0; w < windows; ++w) {
            GObjectRef<AtspiAccessible> window(
                atspi_accessible_get_child_at_index(application.get(), w, &childError));
            if (childError) {
                g_error_free(childError);
                childError = nullptr;
                continue;
            }
            if (window)
                collect(window.get(), 0, objects);
        }
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
    AtspiEventListener* listener = nullptr;
    bool listening = false;
    std::vector<Change> changes;

    static void onEvent(AtspiEvent* event, void* data) {
        auto* state = static_cast<State*>(data);
        if (event->source && processOf(event->source) == state->pid)
            state->changes.push_back(
                {roleOf(event->source), nameOf(event->source), event->detail1 != 0});
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }
};

namespace {
const char* const kEnabledEvent = "object:state-changed:enabled";
}

EnabledChanges::EnabledChanges(qint64 pid) : m_state(std::make_unique<State>()) {
    m_state->pid = pid;
    m_state->listener = atspi_event_listener_new(&State::onEvent, m_state.get(), nullptr);
    GError* error = nullptr;
    m_state->listening = atspi_event_listener_register(m_state->listener, kEnabledEvent, &error);
    if (error)
        g_error_free(error);
}

EnabledChanges::~EnabledChanges() {
    if (m_state->listening)
        atspi_event_listener_deregister(m_state->listener, kEnabledEvent, nullptr);
    g_object_unref(m_state->listener);
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
