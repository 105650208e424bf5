// SPDX-License-Identifier: MIT
#include "platform/linux/LinuxAccessibility.h"

#include "platform/linux/A11yStatus.h"
#include "platform/linux/AtspiConnection.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiMap.h"
#include "platform/linux/AtspiObserver.h"
#include "platform/linux/wayland/NativeRoute.h"

#include <unistd.h>

#include <algorithm>
#include <type_traits>

// With the sanitizers' instrumentation, GCC 12's flow analysis takes the inactive members of the
// attribute value variant for uninitialised when a value is moved into a reading.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace tandrel::linuxdesktop {

namespace {

// Bounds that keep one request from walking an unbounded tree.
constexpr int kMaxChildren = 4096;
constexpr int kMaxWindowWalk = 64;
constexpr int kMaxTopLevels = 64;

// The answer, or its failure.
template <class T> Result<T> resultOf(Answer<T> answer) {
    if (!answer.ok())
        return *answer.failure;
    return std::move(answer.value);
}

bool has(const GObjectPtr<AtspiStateSet>& states, AtspiStateType state) {
    return states && atspi_state_set_contains(states.get(), state);
}

std::optional<QString> lookup(const GHashTablePtr& attributes, const char* key) {
    if (!attributes)
        return std::nullopt;
    const auto* v = static_cast<const char*>(g_hash_table_lookup(attributes.get(), key));
    if (!v)
        return std::nullopt;
    return QString::fromUtf8(v);
}

bool isEmpty(const GHashTablePtr& attributes) {
    return !attributes || g_hash_table_size(attributes.get()) == 0;
}

} // namespace

LinuxAccessibility::LinuxAccessibility(AtspiEvents& events, A11yStatus& status,
                                       AtspiConnection& connection)
    : m_events(events), m_status(status), m_connection(connection) {
    m_events.listenToChanges();
}

LinuxAccessibility::~LinuxAccessibility() = default;

void LinuxAccessibility::forgetEverything() {
    m_kept.clear();
    m_evaluation.clear();
    m_pidOfBus.clear();
    m_applicationOfPid.clear();
}

bool LinuxAccessibility::isTrusted() {
    return m_connection.isConnected() && m_status.isEnabled();
}

bool LinuxAccessibility::askForTrust() {
    if (!m_status.isEnabled())
        m_status.enable();
    return isTrusted();
}

Answer<AtspiRole> LinuxAccessibility::roleOf(AtspiAccessible* a) {
    return m_requests.send([&](GError** e) { return atspi_accessible_get_role(a, e); });
}

Answer<GObjectPtr<AtspiStateSet>> LinuxAccessibility::statesOf(AtspiAccessible* a) {
    // Every live element has a state set: none at all means the request failed.
    return m_requests.sendWithoutErrorSlot(
        [&] { return GObjectPtr<AtspiStateSet>(atspi_accessible_get_state_set(a)); });
}

Answer<GHashTablePtr> LinuxAccessibility::attributesOf(AtspiAccessible* a) {
    const QByteArray bus = AtspiElement::busNameOf(a);
    const QByteArray path = AtspiElement::pathOf(a);
    const std::uint64_t before = m_events.changes(bus);
    if (GHashTablePtr shared = m_evaluation.attributes(bus, path, before))
        return {std::move(shared), {}};
    auto answer = m_requests.send(
        [&](GError** e) { return GHashTablePtr(atspi_accessible_get_attributes(a, e)); });
    // An empty answer (Firefox's first after it starts) is asked again by the next reading.
    if (answer.ok() && !isEmpty(answer.value) && m_events.changes(bus) == before)
        m_evaluation.keepAttributes(bus, path, before, answer.value.get());
    return answer;
}

Answer<AtspiRect> LinuxAccessibility::extentsOf(AtspiAccessible* a) {
    const GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    if (!component)
        return {{}, Failure::unsupported};
    const QByteArray bus = AtspiElement::busNameOf(a);
    const QByteArray path = AtspiElement::pathOf(a);
    const std::uint64_t before = m_events.changes(bus);
    if (const auto shared = m_evaluation.extents(bus, path, before))
        return {*shared, {}};
    Answer<AtspiRect> answer;
    const auto pid = m_pidOfBus.constFind(bus);
    const std::optional<NativeWindow> window =
        m_nativeContent && pid != m_pidOfBus.constEnd() ? m_nativeContent(*pid) : std::nullopt;
    if (window) {
        answer = readExtents(a, ATSPI_COORD_TYPE_WINDOW);
        if (!answer.ok())
            return answer;
        const std::optional<WindowPlacement> placement =
            windowPlacement(a, *pid, window->content.size());
        std::optional<QPoint> origin = window->bufferOrigin;
        if (!origin && placement && placement->inset)
            origin = window->content.topLeft() - *placement->inset;
        if (!origin)
            return {{}, Failure::noValue}; // no position of this window can be trusted
        const QRect onScreen = screenRectOf(
            QRect(answer.value.x, answer.value.y, answer.value.width, answer.value.height), *origin,
            placement ? placement->webScale : 1);
        answer.value = AtspiRect{onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height()};
    } else {
        answer = readExtents(a, ATSPI_COORD_TYPE_SCREEN);
        if (!answer.ok())
            return answer;
    }
    if (m_events.changes(bus) == before)
        m_evaluation.keepExtents(bus, path, before, answer.value);
    return answer;
}

Answer<AtspiRect> LinuxAccessibility::readExtents(AtspiAccessible* a, AtspiCoordType type) {
    const GObjectPtr<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    if (!component)
        return {{}, Failure::unsupported};
    const auto answer = m_requests.send([&](GError** e) {
        return GMallocPtr<AtspiRect>(atspi_component_get_extents(component.get(), type, e));
    });
    if (!answer.ok() || !answer.value)
        return {{}, answer.ok() ? Failure::noValue : *answer.failure};
    return {*answer.value, {}};
}

std::optional<LinuxAccessibility::WindowPlacement>
LinuxAccessibility::windowPlacement(AtspiAccessible* a, a11y::Pid pid, QSize content) {
    if (m_placement && m_placement->pid == pid && m_placement->content == content)
        return m_placement->placement;
    // Up to the frame: the element whose parent is the application. The web document on the
    // way, if any, tells in which units the page's elements count.
    a11y::Element frame;
    AtspiAccessible* current = a;
    a11y::Element held;
    std::optional<QSize> document;
    for (int depth = 0; depth < 64 && current; ++depth) {
        auto parent = parentOf(current);
        if (!parent.ok() || parent.value.isNull())
            return std::nullopt;
        AtspiAccessible* above = AtspiElement::accessibleOf(parent.value);
        const auto role = roleOf(above);
        if (!role.ok())
            return std::nullopt;
        if (role.value == ATSPI_ROLE_APPLICATION) {
            frame = held.isNull() ? a11y::Element() : held;
            break;
        }
        if (role.value == ATSPI_ROLE_DOCUMENT_WEB && !document) {
            if (const auto extents = readExtents(above, ATSPI_COORD_TYPE_WINDOW); extents.ok())
                document = QSize(extents.value.width, extents.value.height);
        }
        held = std::move(parent.value);
        current = AtspiElement::accessibleOf(held);
    }
    if (frame.isNull())
        frame = held;
    std::vector<QRect> candidates;
    a11y::Element node = frame;
    for (int depth = 0; depth < 3 && !node.isNull(); ++depth) {
        AtspiAccessible* accessible = AtspiElement::accessibleOf(node);
        const auto extents = readExtents(accessible, ATSPI_COORD_TYPE_WINDOW);
        if (extents.ok())
            candidates.emplace_back(extents.value.x, extents.value.y, extents.value.width,
                                    extents.value.height);
        auto child = childAt(accessible, 0);
        node = child.ok() ? std::move(child.value) : a11y::Element();
    }
    if (candidates.empty())
        return std::nullopt;
    const WindowPlacement placement{contentInsetInBuffer(candidates, content),
                                    document ? webContentScale(candidates.front().size(), *document)
                                             : 1};
    m_placement = KnownPlacement{pid, content, placement};
    return placement;
}

Answer<int> LinuxAccessibility::childCount(AtspiAccessible* a) {
    return m_requests.send([&](GError** e) { return atspi_accessible_get_child_count(a, e); });
}

Answer<a11y::Element> LinuxAccessibility::childAt(AtspiAccessible* a, int index) {
    return m_requests.send([&](GError** e) {
        return AtspiElement::adopt(atspi_accessible_get_child_at_index(a, index, e));
    });
}

Answer<a11y::Element> LinuxAccessibility::parentOf(AtspiAccessible* a) {
    return m_requests.send(
        [&](GError** e) { return AtspiElement::adopt(atspi_accessible_get_parent(a, e)); });
}

std::optional<a11y::Pid> LinuxAccessibility::processOf(const a11y::Element& element) {
    const auto* impl = element.as<AtspiElement>();
    if (!impl || !m_connection.isConnected())
        return std::nullopt;
    auto it = m_pidOfBus.constFind(impl->busName());
    if (it != m_pidOfBus.constEnd())
        return *it;
    const auto pid = m_requests.send(
        [&](GError** e) { return atspi_accessible_get_process_id(impl->accessible(), e); });
    if (!pid.ok() || pid.value == 0)
        return std::nullopt;
    m_pidOfBus.insert(impl->busName(), static_cast<a11y::Pid>(pid.value));
    return static_cast<a11y::Pid>(pid.value);
}

a11y::Element LinuxAccessibility::application(a11y::Pid pid) {
    // This process registers on the bus like any Qt application; its own tree is never a chat.
    if (pid <= 0 || pid == static_cast<a11y::Pid>(getpid()) || !m_connection.isConnected())
        return {};
    // The application found last time, while it still answers as one. Asking costs a round
    // trip on every tick, so the answer stands until the application reports a change (which
    // includes going defunct) or a request to it finds it gone.
    if (const auto known = m_applicationOfPid.find(pid); known != m_applicationOfPid.end()) {
        const auto* impl = known->element.as<AtspiElement>();
        const std::uint64_t changes = m_events.changes(impl->busName());
        if (known->changes == changes)
            return known->element;
        const auto role = roleOf(impl->accessible());
        if (role.ok() && role.value == ATSPI_ROLE_APPLICATION) {
            known->changes = changes; // an event during the request makes the next one ask again
            return known->element;
        }
        m_applicationOfPid.erase(known);
    }
    const GObjectPtr<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return {};
    const auto count = childCount(desktop.get());
    if (!count.ok())
        return {};
    for (int i = 0; i < std::min(count.value, kMaxChildren); ++i) {
        const auto app = childAt(desktop.get(), i);
        if (!app.ok() || app.value.isNull())
            continue;
        if (processOf(app.value) == pid) {
            const std::uint64_t changes = m_events.changes(app.value.as<AtspiElement>()->busName());
            m_applicationOfPid.insert(pid, {app.value, changes});
            return app.value;
        }
    }
    return {};
}

void LinuxAccessibility::forgetApplication(const QByteArray& busName) {
    m_applicationOfPid.removeIf([&](const auto& known) {
        return known.value().element.template as<AtspiElement>()->busName() == busName;
    });
}

void LinuxAccessibility::setReplyTimeout(std::chrono::milliseconds timeout) {
    // One timeout for the whole process: libatspi has no per-application setting.
    const int ms = timeout.count() > 0 ? static_cast<int>(timeout.count()) : 1000;
    atspi_set_timeout(ms, std::max(ms, 1000));
    m_requests.setReplyTimeout(std::chrono::milliseconds(ms));
}

template <class T, class Read>
Result<T> LinuxAccessibility::keptOr(const a11y::Element& element, a11y::Question question,
                                     Read&& read) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a || !m_connection.isConnected())
        return Failure::gone;
    // Frames and classes change silently: they are never kept, and have no place among the kept.
    if constexpr (!std::is_constructible_v<KeptReadings::Answer, Result<T>>) {
        return read(a);
    } else {
        if (!KeptReadings::mayKeep(question))
            return read(a);
        const auto* impl = element.as<AtspiElement>();
        const std::uint64_t before = m_events.changes(impl->busName());
        if (auto kept = m_kept.find(impl->busName(), impl->path(), question, before))
            return std::get<Result<T>>(std::move(*kept));
        m_readWasIncomplete = false;
        Result<T> result = read(a);
        if (!m_readWasIncomplete)
            m_kept.keep(impl->busName(), impl->path(), question, result, before,
                        m_events.changes(impl->busName()));
        return result;
    }
}

Result<a11y::Role> LinuxAccessibility::role(const a11y::Element& element) {
    return keptOr<a11y::Role>(element, a11y::Question::role,
                              [&](AtspiAccessible* a) { return readRole(a); });
}

Result<QString> LinuxAccessibility::label(const a11y::Element& element, a11y::Label label) {
    return keptOr<QString>(
        element, a11y::questionOf(label), [&](AtspiAccessible* a) -> Result<QString> {
            const std::vector<const char*> keys = attributeKeysFor(label);
            if (keys.empty()) {
                const bool name = label == a11y::Label::name;
                const auto s = m_requests.send([&](GError** e) {
                    return GCharPtr(name ? atspi_accessible_get_name(a, e)
                                         : atspi_accessible_get_description(a, e));
                });
                if (!s.ok())
                    return *s.failure;
                return s.value ? QString::fromUtf8(s.value.get()) : QString();
            }
            Result<QString> found = Failure::noValue;
            for (const char* key : keys) {
                found = readAttribute(a, key);
                if (!found.failedWith(Failure::noValue))
                    break;
            }
            return found;
        });
}

Result<QStringList> LinuxAccessibility::classes(const a11y::Element& element) {
    return keptOr<QStringList>(element, a11y::Question::classes,
                               [&](AtspiAccessible* a) -> Result<QStringList> {
                                   const Result<QString> r = readAttribute(a, kClassAttribute);
                                   if (!r.ok())
                                       return r.failure();
                                   return r->split(QLatin1Char(' '), Qt::SkipEmptyParts);
                               });
}

Result<bool> LinuxAccessibility::state(const a11y::Element& element, a11y::State state) {
    return keptOr<bool>(element, a11y::questionOf(state), [&](AtspiAccessible* a) -> Result<bool> {
        const auto states = statesOf(a);
        if (states.failure == Failure::notAnswering)
            return Failure::notAnswering;
        if (!states.value || has(states.value, ATSPI_STATE_DEFUNCT))
            return Failure::gone;
        for (const AtspiStateType s : statesFor(state))
            if (has(states.value, s))
                return true;
        return false;
    });
}

Result<Rect> LinuxAccessibility::frame(const a11y::Element& element) {
    return keptOr<Rect>(element, a11y::Question::frame, [&](AtspiAccessible* a) -> Result<Rect> {
        const auto extents = extentsOf(a);
        if (!extents.ok())
            return *extents.failure;
        const AtspiRect& e = extents.value;
        return m_screens.pointsFromDevicePixels(Rect(e.x, e.y, e.width, e.height));
    });
}

Result<a11y::Element> LinuxAccessibility::parent(const a11y::Element& element) {
    return keptOr<a11y::Element>(
        element, a11y::Question::parent, [&](AtspiAccessible* a) -> Result<a11y::Element> {
            const auto role = roleOf(a);
            if (!role.ok())
                return *role.failure;
            if (role.value == ATSPI_ROLE_APPLICATION || role.value == ATSPI_ROLE_DESKTOP_FRAME)
                return Failure::noValue; // applications are the top of their tree
            auto parent = parentOf(a);
            if (!parent.ok())
                return *parent.failure;
            if (parent.value.isNull())
                return Failure::noValue;
            return std::move(parent.value);
        });
}

Result<std::vector<a11y::Element>> LinuxAccessibility::children(const a11y::Element& element) {
    return keptOr<std::vector<a11y::Element>>(
        element, a11y::Question::children,
        [&](AtspiAccessible* a) -> Result<std::vector<a11y::Element>> {
            const auto count = childCount(a);
            if (!count.ok())
                return *count.failure;
            std::vector<a11y::Element> children;
            for (int i = 0; i < std::min(count.value, kMaxChildren); ++i) {
                auto child = childAt(a, i);
                if (!child.ok())
                    return *child.failure;
                if (!child.value.isNull())
                    children.push_back(std::move(child.value));
            }
            return children;
        });
}

Result<a11y::Element> LinuxAccessibility::window(const a11y::Element& element) {
    return keptOr<a11y::Element>(element, a11y::Question::window,
                                 [&](AtspiAccessible* a) { return readWindow(a); });
}

Result<a11y::Element> LinuxAccessibility::focusedElement(const a11y::Element& application) {
    const auto* impl = application.as<AtspiElement>();
    if (!impl || !m_connection.isConnected())
        return Failure::gone;
    if (!impl->isApplicationRoot())
        return Failure::unsupported;
    // The focus event is the cheap answer, but it may be stale: the element may have lost the
    // focus without telling us, or gone away.
    const a11y::Element cached = m_events.lastFocused(impl->busName());
    if (!cached.isNull()) {
        const Answer<bool> focused = isStillFocused(AtspiElement::accessibleOf(cached));
        // An application that does not answer has not moved its focus: it says nothing yet.
        if (focused.failure == Failure::notAnswering)
            return Failure::notAnswering;
        if (focused.value)
            return cached;
        m_events.forgetFocus(impl->busName(), cached);
    }
    Answer<a11y::Element> found = focusedInActiveWindow(impl->accessible());
    if (found.value.isNull())
        return found.failure == Failure::notAnswering ? Failure::notAnswering : Failure::noValue;
    // Checked as still focused before each use, like an element named by a focus event.
    m_events.rememberFocus(impl->busName(), found.value);
    return std::move(found.value);
}

Result<QUrl> LinuxAccessibility::address(const a11y::Element& webDocument) {
    return keptOr<QUrl>(
        webDocument, a11y::Question::address, [&](AtspiAccessible* a) -> Result<QUrl> {
            const auto role = roleOf(a);
            if (!role.ok())
                return *role.failure;
            if (role.value != ATSPI_ROLE_DOCUMENT_WEB)
                return Failure::unsupported;
            const GObjectPtr<AtspiDocument> document(atspi_accessible_get_document_iface(a));
            if (!document)
                return Failure::unsupported;
            // Chromium fills URI and leaves DocURL empty; Firefox does the opposite.
            for (const char* name : {"URI", "DocURL"}) {
                QByteArray key(name);
                const auto uri = m_requests.send([&](GError** e) {
                    return GCharPtr(
                        atspi_document_get_document_attribute_value(document.get(), key.data(), e));
                });
                if (!uri.ok())
                    return *uri.failure;
                if (uri.value && *uri.value)
                    return QUrl(QString::fromUtf8(uri.value.get()));
            }
            // A web document always has an address: an empty one is a reading taken before the
            // browser had it (Firefox's first answers after it starts), to be asked again, never
            // kept.
            m_readWasIncomplete = true;
            return Failure::noValue;
        });
}

Result<a11y::TextContent> LinuxAccessibility::text(const a11y::Element& element,
                                                   bool withSelection) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a || !m_connection.isConnected())
        return Failure::gone;
    return resultOf(m_text.read(a, withSelection));
}

Result<bool> LinuxAccessibility::isAwake(const a11y::Element& application) {
    AtspiAccessible* a = AtspiElement::accessibleOf(application);
    if (!a || !m_connection.isConnected())
        return Failure::gone;
    const auto role = roleOf(a);
    if (!role.ok())
        return *role.failure;
    if (role.value != ATSPI_ROLE_APPLICATION)
        return Failure::unsupported;
    // A sleeping Chromium or Electron tree shows its windows without anything inside them.
    const auto windows = childCount(a);
    if (!windows.ok())
        return *windows.failure;
    if (windows.value <= 0)
        return false;
    const auto first = childAt(a, 0);
    if (!first.ok())
        return *first.failure;
    if (first.value.isNull())
        return false;
    const auto inside = childCount(AtspiElement::accessibleOf(first.value));
    if (!inside.ok())
        return *inside.failure;
    return inside.value > 0;
}

Result<Done> LinuxAccessibility::wake(const a11y::Element& application) {
    AtspiAccessible* a = AtspiElement::accessibleOf(application);
    if (!a || !m_connection.isConnected())
        return Failure::gone;
    // Chromium and Electron build their tree once a client asks the application anything; what
    // was read before in this evaluation may no longer be what the application shows.
    m_evaluation.clear();
    const auto asked = m_requests.send(
        [&](GError** e) { return GHashTablePtr(atspi_accessible_get_attributes(a, e)); });
    if (!asked.ok())
        return *asked.failure;
    return Done{};
}

Result<std::unique_ptr<a11y::Observer>>
LinuxAccessibility::observe(a11y::Pid pid, a11y::ObserverCallback callback) {
    if (pid <= 0 || !callback)
        return Failure::unsupported;
    m_events.listenToLayoutEvents();
    return std::unique_ptr<a11y::Observer>(
        std::make_unique<AtspiObserver>(m_events, std::move(callback)));
}

Result<a11y::Role> LinuxAccessibility::readRole(AtspiAccessible* a) {
    RoleFacts facts;
    const auto role = roleOf(a);
    if (!role.ok())
        return *role.failure;
    facts.role = role.value;
    if (facts.role == ATSPI_ROLE_INVALID)
        return Failure::gone;
    {
        const GObjectPtr<AtspiStateSet> states = statesOf(a).value;
        if (has(states, ATSPI_STATE_DEFUNCT))
            return Failure::gone;
        facts.editable = has(states, ATSPI_STATE_EDITABLE);
        facts.multiLine = has(states, ATSPI_STATE_MULTI_LINE);
        facts.singleLine = has(states, ATSPI_STATE_SINGLE_LINE);
    }
    // Only these roles depend on object attributes; other roles spare the request.
    if (roleNeedsAttributes(facts)) {
        // A failed request reads as no attributes: the role is still told.
        const GHashTablePtr attributes = attributesOf(a).value;
        if (isEmpty(attributes))
            m_readWasIncomplete = true;
        facts.webContent = lookup(attributes, "tag").has_value();
    }
    return roleFor(facts);
}

Result<QString> LinuxAccessibility::readAttribute(AtspiAccessible* a, const char* key) {
    const auto attributes = attributesOf(a);
    if (!attributes.ok())
        return *attributes.failure;
    if (isEmpty(attributes.value))
        m_readWasIncomplete = true;
    auto v = lookup(attributes.value, key);
    if (!v)
        return Failure::noValue;
    return std::move(*v);
}

Answer<bool> LinuxAccessibility::isStillFocused(AtspiAccessible* a) {
    const auto states = statesOf(a);
    return {has(states.value, ATSPI_STATE_FOCUSED) && !has(states.value, ATSPI_STATE_DEFUNCT),
            states.failure};
}

Answer<a11y::Element> LinuxAccessibility::focusedInActiveWindow(AtspiAccessible* app) {
    const auto count = childCount(app);
    if (count.failure == Failure::gone)
        forgetApplication(AtspiElement::busNameOf(app));
    if (!count.ok() || count.value <= 0)
        return {{}, count.ok() ? std::optional(Failure::noValue) : count.failure};
    // Nothing found where a request went unanswered says only that the application is busy.
    bool unanswered = false;
    auto note = [&unanswered](std::optional<Failure> failure) {
        if (failure == Failure::notAnswering)
            unanswered = true;
    };
    // Top-level windows, the active ones first: popups of the same application (an address
    // bar's suggestion list) keep focused documents of their own.
    std::vector<a11y::Element> active, others;
    for (int i = 0; i < std::min(count.value, kMaxTopLevels); ++i) {
        auto top = childAt(app, i);
        note(top.failure);
        if (!top.ok() || top.value.isNull())
            continue;
        const auto states = statesOf(AtspiElement::accessibleOf(top.value));
        note(states.failure);
        const bool isActive = has(states.value, ATSPI_STATE_ACTIVE);
        (isActive ? active : others).push_back(std::move(top.value));
    }
    if (active.empty())
        active = std::move(others); // without a window manager nothing may say "active"

    const GObjectPtr<AtspiStateSet> wanted(atspi_state_set_new(nullptr));
    atspi_state_set_add(wanted.get(), ATSPI_STATE_FOCUSED);
    const GObjectPtr<AtspiMatchRule> rule(atspi_match_rule_new(
        wanted.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));

    for (const a11y::Element& top : active) {
        const GObjectPtr<AtspiCollection> collection(
            atspi_accessible_get_collection_iface(AtspiElement::accessibleOf(top)));
        if (!collection)
            continue;
        const auto matches = m_requests.send([&](GError** e) {
            return GArrayPtr(atspi_collection_get_matches(
                collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, e));
        });
        note(matches.failure);
        if (!matches.value)
            continue;
        // Each match comes with a reference of ours; in document order the deepest focused
        // element comes last.
        a11y::Element deepest;
        for (guint i = 0; i < matches.value->len; ++i)
            deepest = AtspiElement::adopt(g_array_index(matches.value.get(), AtspiAccessible*, i));
        if (!deepest.isNull())
            return {std::move(deepest), {}};
    }
    return {{}, unanswered ? Failure::notAnswering : Failure::noValue};
}

Result<a11y::Element> LinuxAccessibility::readWindow(AtspiAccessible* a) {
    auto current = parentOf(a);
    if (!current.ok())
        return *current.failure;
    for (int i = 0; i < kMaxWindowWalk && !current.value.isNull(); ++i) {
        const Result<a11y::Role> role = readRole(AtspiElement::accessibleOf(current.value));
        if (!role.ok())
            return role.failure();
        if (*role == a11y::Role::window)
            return std::move(current.value);
        if (*role == a11y::Role::application)
            break;
        current = parentOf(AtspiElement::accessibleOf(current.value));
        if (!current.ok())
            return *current.failure;
    }
    return Failure::noValue;
}

} // namespace tandrel::linuxdesktop
