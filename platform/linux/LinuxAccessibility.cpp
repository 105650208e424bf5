// SPDX-License-Identifier: MIT
#include "platform/linux/LinuxAccessibility.h"
#include "platform/AXNames.h"

#include "platform/linux/A11yStatus.h"
#include "platform/linux/AtspiConnection.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiObserver.h"
#include "platform/linux/AtspiRoles.h"
#include "platform/linux/wayland/NativeRoute.h"

#include <unistd.h>

#include <algorithm>

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

ax::Reading fail(ax::AXError error) {
    return {error, {}};
}
ax::Reading ok(ax::Value value) {
    return {ax::kSuccess, std::move(value)};
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

bool LinuxAccessibility::isProcessTrusted() {
    return m_connection.isConnected() && m_status.isEnabled();
}

bool LinuxAccessibility::isProcessTrustedWithPrompt(bool prompt) {
    if (prompt && !m_status.isEnabled())
        m_status.enable();
    return isProcessTrusted();
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
        return {std::move(shared), ax::kSuccess};
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
        return {{}, ax::kAttributeUnsupported};
    const QByteArray bus = AtspiElement::busNameOf(a);
    const QByteArray path = AtspiElement::pathOf(a);
    const std::uint64_t before = m_events.changes(bus);
    if (const auto shared = m_evaluation.extents(bus, path, before))
        return {*shared, ax::kSuccess};
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
            return {{}, ax::kFailure}; // no position of this window can be trusted
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
        return {{}, ax::kAttributeUnsupported};
    const auto answer = m_requests.send([&](GError** e) {
        return GMallocPtr<AtspiRect>(atspi_component_get_extents(component.get(), type, e));
    });
    if (!answer.ok() || !answer.value)
        return {{}, answer.ok() ? ax::kFailure : answer.error};
    return {*answer.value, ax::kSuccess};
}

std::optional<LinuxAccessibility::WindowPlacement>
LinuxAccessibility::windowPlacement(AtspiAccessible* a, ax::Pid pid, QSize content) {
    if (m_placement && m_placement->pid == pid && m_placement->content == content)
        return m_placement->placement;
    // Up to the frame: the element whose parent is the application. The web document on the
    // way, if any, tells in which units the page's elements count.
    ax::Element frame;
    AtspiAccessible* current = a;
    ax::Element held;
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
            frame = held.isNull() ? ax::Element() : held;
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
    ax::Element node = frame;
    for (int depth = 0; depth < 3 && !node.isNull(); ++depth) {
        AtspiAccessible* accessible = AtspiElement::accessibleOf(node);
        const auto extents = readExtents(accessible, ATSPI_COORD_TYPE_WINDOW);
        if (extents.ok())
            candidates.emplace_back(extents.value.x, extents.value.y, extents.value.width,
                                    extents.value.height);
        auto child = childAt(accessible, 0);
        node = child.ok() ? std::move(child.value) : ax::Element();
    }
    if (candidates.empty())
        return std::nullopt;
    const WindowPlacement placement{contentInsetInBuffer(candidates, content),
                                    document ? webContentScale(candidates.front().size(), *document)
                                             : 1};
    m_placement = KnownPlacement{pid, content, placement};
    return placement;
}

Answer<QString> LinuxAccessibility::wholeText(AtspiAccessible* a) {
    const QByteArray bus = AtspiElement::busNameOf(a);
    const QByteArray path = AtspiElement::pathOf(a);
    if (const auto kept = m_evaluation.text(bus, path))
        return {kept->text, kept->error};
    const auto expanded = m_text.text(a);
    const EvaluationReadings::Text read{expanded.ok() ? expanded.value.text() : QString(),
                                        expanded.error};
    m_evaluation.keepText(bus, path, read);
    return {read.text, read.error};
}

Answer<int> LinuxAccessibility::childCount(AtspiAccessible* a) {
    return m_requests.send([&](GError** e) { return atspi_accessible_get_child_count(a, e); });
}

Answer<ax::Element> LinuxAccessibility::childAt(AtspiAccessible* a, int index) {
    return m_requests.send([&](GError** e) {
        return AtspiElement::adopt(atspi_accessible_get_child_at_index(a, index, e));
    });
}

Answer<ax::Element> LinuxAccessibility::parentOf(AtspiAccessible* a) {
    return m_requests.send(
        [&](GError** e) { return AtspiElement::adopt(atspi_accessible_get_parent(a, e)); });
}

std::optional<ax::Pid> LinuxAccessibility::processOf(const ax::Element& element) {
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
    m_pidOfBus.insert(impl->busName(), static_cast<ax::Pid>(pid.value));
    return static_cast<ax::Pid>(pid.value);
}

ax::Element LinuxAccessibility::createApplication(ax::Pid pid) {
    // This process registers on the bus like any Qt application; its own tree is never a chat.
    if (pid <= 0 || pid == static_cast<ax::Pid>(getpid()) || !m_connection.isConnected())
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

ax::AXError LinuxAccessibility::setMessagingTimeout(const ax::Element&, float seconds) {
    // One timeout for the whole process: libatspi has no per-application setting.
    const int ms = seconds > 0 ? static_cast<int>(seconds * 1000.0f + 0.5f) : 1000;
    atspi_set_timeout(ms, std::max(ms, 1000));
    m_requests.setReplyTimeout(std::chrono::milliseconds(ms));
    return ax::kSuccess;
}

ax::Reading LinuxAccessibility::copyAttributeValue(const ax::Element& element,
                                                   const QString& name) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a || !m_connection.isConnected())
        return fail(ax::kInvalidUIElement);
    if (!KeptReadings::mayKeep(name))
        return readAnswer(element, a, name);
    const auto* impl = element.as<AtspiElement>();
    const std::uint64_t before = m_events.changes(impl->busName());
    if (auto kept = m_kept.find(impl->busName(), impl->path(), name, before))
        return std::move(*kept);
    m_readWasIncomplete = false;
    ax::Reading reading = readAnswer(element, a, name);
    if (!m_readWasIncomplete)
        m_kept.keep(impl->busName(), impl->path(), name, reading, before,
                    m_events.changes(impl->busName()));
    return reading;
}

ax::Reading LinuxAccessibility::readAnswer(const ax::Element& element, AtspiAccessible* a,
                                           const QString& name) {

    if (name == ax::attr::role)
        return readRole(a, false);
    if (name == ax::attr::subrole)
        return readRole(a, true);
    if (name == ax::attr::focusedUIElement)
        return readFocused(element);
    if (name == ax::attr::position)
        return readPoint(a, false);
    if (name == ax::attr::size)
        return readPoint(a, true);
    if (name == ax::attr::parent)
        return readParent(a);
    if (name == ax::attr::children)
        return readChildren(a);
    if (name == ax::attr::window)
        return readWindow(a);
    if (name == ax::attr::url)
        return readURL(a);
    if (name == ax::attr::selectedTextRange)
        return m_text.selection(a);
    if (name == ax::attr::manualAccessibility)
        return readAwake(a);
    if (name == ax::attr::enabled)
        return readStateFlag(a, ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE);
    if (name == ax::attr::editable)
        return readStateFlag(a, ATSPI_STATE_EDITABLE, ATSPI_STATE_EDITABLE);
    if (name == ax::attr::domTagName)
        return readAttribute(a, "tag");
    if (name == ax::attr::domIdentifier || name == ax::attr::identifier)
        return readAttribute(a, "id");
    if (name == ax::attr::domClassList) {
        ax::Reading r = readAttribute(a, "class");
        if (!r.ok())
            return r;
        ax::Array classes;
        for (const QString& c : r.value.get<QString>()->split(QLatin1Char(' '), Qt::SkipEmptyParts))
            classes.emplace_back(c);
        return ok(std::move(classes));
    }
    if (name == ax::attr::placeholderValue) {
        ax::Reading r = readAttribute(a, "placeholder");
        return r.ok() || r.error != ax::kNoValue ? r : readAttribute(a, "placeholder-text");
    }
    if (name == ax::attr::title || name == ax::attr::description) {
        const bool title = name == ax::attr::title;
        const auto s = m_requests.send([&](GError** e) {
            return GCharPtr(title ? atspi_accessible_get_name(a, e)
                                  : atspi_accessible_get_description(a, e));
        });
        if (!s.ok())
            return fail(s.error);
        return ok(s.value ? QString::fromUtf8(s.value.get()) : QString());
    }
    if (name == ax::attr::numberOfCharacters || name == ax::attr::value) {
        const auto text = wholeText(a);
        if (!text.ok())
            return fail(text.error);
        if (name == ax::attr::value)
            return ok(text.value);
        return ok(ax::Number{static_cast<double>(text.value.size())});
    }
    return fail(ax::kAttributeUnsupported);
}

ax::Reading LinuxAccessibility::copyParameterizedAttributeValue(const ax::Element& element,
                                                                const QString& name,
                                                                const ax::Value& parameter) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a || !m_connection.isConnected())
        return fail(ax::kInvalidUIElement);
    const bool plain = name == ax::attr::stringForRange;
    if (!plain && name != ax::attr::attributedStringForRange)
        return fail(ax::kAttributeUnsupported);
    const auto* range = parameter.get<TextRange>();
    if (!range)
        return fail(ax::kIllegalArgument);
    const auto expanded = wholeText(a);
    if (!expanded.ok())
        return fail(expanded.error);
    const QString& text = expanded.value;
    if (range->location < 0 || range->length < 0 || range->location > text.size() ||
        range->length > text.size() - range->location)
        return fail(ax::kIllegalArgument);
    QString part = text.mid(range->location, range->length);
    if (plain)
        return ok(std::move(part));
    return ok(ax::AttributedString{std::move(part)});
}

ax::AXError LinuxAccessibility::setAttributeValue(const ax::Element& element, const QString& name,
                                                  const ax::Value& value) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a || !m_connection.isConnected())
        return ax::kInvalidUIElement;
    if (name != ax::attr::manualAccessibility)
        return ax::kAttributeUnsupported;
    const auto* flag = value.get<ax::Boolean>();
    if (!flag)
        return ax::kIllegalArgument;
    if (!flag->value)
        return ax::kSuccess; // a tree cannot be put back to sleep; nothing to do
    // Chromium and Electron build their tree once a client asks the application anything; what
    // was read before in this evaluation may no longer be what the application shows.
    m_evaluation.clear();
    return m_requests
        .send([&](GError** e) { return GHashTablePtr(atspi_accessible_get_attributes(a, e)); })
        .error;
}

ax::ObserverCreation LinuxAccessibility::createObserver(ax::Pid pid,
                                                        ax::ObserverCallback callback) {
    if (pid <= 0 || !callback)
        return {ax::kIllegalArgument, nullptr};
    m_events.listenToLayoutEvents();
    return {ax::kSuccess, std::make_unique<AtspiObserver>(m_events, std::move(callback))};
}

ax::Reading LinuxAccessibility::readRole(AtspiAccessible* a, bool subrole) {
    RoleFacts facts;
    const auto role = roleOf(a);
    if (!role.ok())
        return fail(role.error);
    facts.role = role.value;
    if (facts.role == ATSPI_ROLE_INVALID)
        return fail(ax::kInvalidUIElement);
    {
        const GObjectPtr<AtspiStateSet> states = statesOf(a).value;
        if (has(states, ATSPI_STATE_DEFUNCT))
            return fail(ax::kInvalidUIElement);
        facts.editable = has(states, ATSPI_STATE_EDITABLE);
        facts.multiLine = has(states, ATSPI_STATE_MULTI_LINE);
        facts.singleLine = has(states, ATSPI_STATE_SINGLE_LINE);
    }
    // Only these roles depend on object attributes; other roles spare the request.
    const bool dialog = facts.role == ATSPI_ROLE_DIALOG || facts.role == ATSPI_ROLE_ALERT ||
                        facts.role == ATSPI_ROLE_FILE_CHOOSER;
    if (dialog || (facts.role == ATSPI_ROLE_ENTRY && !facts.multiLine)) {
        // A failed request reads as no attributes: the role still has its plain name.
        const GHashTablePtr attributes = attributesOf(a).value;
        if (isEmpty(attributes))
            m_readWasIncomplete = true;
        facts.webContent = lookup(attributes, "tag").has_value();
        facts.searchBox = lookup(attributes, "xml-roles")
                              .value_or(QString())
                              .contains(QLatin1String("searchbox")) ||
                          lookup(attributes, "text-input-type") == QStringLiteral("search");
    }
    const RoleNames names = translateRole(facts);
    if (!subrole)
        return ok(names.role);
    if (names.subrole.isEmpty())
        return fail(ax::kNoValue);
    return ok(names.subrole);
}

ax::Reading LinuxAccessibility::readAttribute(AtspiAccessible* a, const char* key) {
    const auto attributes = attributesOf(a);
    if (!attributes.ok())
        return fail(attributes.error);
    if (isEmpty(attributes.value))
        m_readWasIncomplete = true;
    auto v = lookup(attributes.value, key);
    if (!v)
        return fail(ax::kNoValue);
    return ok(std::move(*v));
}

ax::Reading LinuxAccessibility::readStateFlag(AtspiAccessible* a, AtspiStateType state,
                                              AtspiStateType orState) {
    const auto states = statesOf(a);
    if (states.error == ax::kCannotComplete)
        return fail(states.error);
    if (!states.value || has(states.value, ATSPI_STATE_DEFUNCT))
        return fail(ax::kInvalidUIElement);
    return ok(ax::Boolean{has(states.value, state) || has(states.value, orState)});
}

Answer<bool> LinuxAccessibility::isStillFocused(AtspiAccessible* a) {
    const auto states = statesOf(a);
    return {has(states.value, ATSPI_STATE_FOCUSED) && !has(states.value, ATSPI_STATE_DEFUNCT),
            states.error};
}

ax::Reading LinuxAccessibility::readFocused(const ax::Element& element) {
    const auto* impl = element.as<AtspiElement>();
    if (!impl->isApplicationRoot())
        return fail(ax::kAttributeUnsupported);
    // The focus event is the cheap answer, but it may be stale: the element may have lost the
    // focus without telling us, or gone away.
    const ax::Element cached = m_events.lastFocused(impl->busName());
    if (!cached.isNull()) {
        const Answer<bool> focused = isStillFocused(AtspiElement::accessibleOf(cached));
        // An application that does not answer has not moved its focus: it says nothing yet.
        if (focused.error == ax::kCannotComplete)
            return fail(focused.error);
        if (focused.value)
            return ok(cached);
        m_events.forgetFocus(impl->busName(), cached);
    }
    Answer<ax::Element> found = focusedInActiveWindow(impl->accessible());
    if (found.value.isNull())
        return fail(found.error == ax::kCannotComplete ? found.error : ax::kNoValue);
    // Checked as still focused before each use, like an element named by a focus event.
    m_events.rememberFocus(impl->busName(), found.value);
    return ok(std::move(found.value));
}

Answer<ax::Element> LinuxAccessibility::focusedInActiveWindow(AtspiAccessible* app) {
    const auto count = childCount(app);
    if (count.error == ax::kInvalidUIElement)
        forgetApplication(AtspiElement::busNameOf(app));
    if (!count.ok() || count.value <= 0)
        return {{}, count.error};
    // Nothing found where a request went unanswered says only that the application is busy.
    ax::AXError unanswered = ax::kSuccess;
    auto note = [&unanswered](ax::AXError error) {
        if (error == ax::kCannotComplete)
            unanswered = error;
    };
    // Top-level windows, the active ones first: popups of the same application (an address
    // bar's suggestion list) keep focused documents of their own.
    std::vector<ax::Element> active, others;
    for (int i = 0; i < std::min(count.value, kMaxTopLevels); ++i) {
        auto top = childAt(app, i);
        note(top.error);
        if (!top.ok() || top.value.isNull())
            continue;
        const auto states = statesOf(AtspiElement::accessibleOf(top.value));
        note(states.error);
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

    for (const ax::Element& top : active) {
        const GObjectPtr<AtspiCollection> collection(
            atspi_accessible_get_collection_iface(AtspiElement::accessibleOf(top)));
        if (!collection)
            continue;
        const auto matches = m_requests.send([&](GError** e) {
            return GArrayPtr(atspi_collection_get_matches(
                collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, e));
        });
        note(matches.error);
        if (!matches.value)
            continue;
        // Each match comes with a reference of ours; in document order the deepest focused
        // element comes last.
        ax::Element deepest;
        for (guint i = 0; i < matches.value->len; ++i)
            deepest = AtspiElement::adopt(g_array_index(matches.value.get(), AtspiAccessible*, i));
        if (!deepest.isNull())
            return {std::move(deepest), ax::kSuccess};
    }
    return {{}, unanswered == ax::kSuccess ? ax::kNoValue : unanswered};
}

ax::Reading LinuxAccessibility::readPoint(AtspiAccessible* a, bool size) {
    const auto extents = extentsOf(a);
    if (!extents.ok())
        return fail(extents.error);
    const AtspiRect& e = extents.value;
    const Rect r = m_screens.pointsFromDevicePixels(Rect(e.x, e.y, e.width, e.height));
    return ok(size ? ax::Value(r.size) : ax::Value(r.origin));
}

ax::Reading LinuxAccessibility::readParent(AtspiAccessible* a) {
    const auto role = roleOf(a);
    if (!role.ok())
        return fail(role.error);
    if (role.value == ATSPI_ROLE_APPLICATION || role.value == ATSPI_ROLE_DESKTOP_FRAME)
        return fail(ax::kNoValue); // applications are the top of their tree
    auto parent = parentOf(a);
    if (!parent.ok())
        return fail(parent.error);
    if (parent.value.isNull())
        return fail(ax::kNoValue);
    return ok(std::move(parent.value));
}

ax::Reading LinuxAccessibility::readChildren(AtspiAccessible* a) {
    const auto count = childCount(a);
    if (!count.ok())
        return fail(count.error);
    ax::Array children;
    for (int i = 0; i < std::min(count.value, kMaxChildren); ++i) {
        auto child = childAt(a, i);
        if (!child.ok())
            return fail(child.error);
        if (!child.value.isNull())
            children.emplace_back(std::move(child.value));
    }
    return ok(std::move(children));
}

ax::Reading LinuxAccessibility::readWindow(AtspiAccessible* a) {
    auto current = parentOf(a);
    if (!current.ok())
        return fail(current.error);
    for (int i = 0; i < kMaxWindowWalk && !current.value.isNull(); ++i) {
        ax::Reading role = readRole(AtspiElement::accessibleOf(current.value), false);
        if (!role.ok())
            return fail(role.error);
        const QString& r = *role.value.get<QString>();
        if (r == QLatin1String("AXWindow"))
            return ok(current.value);
        if (r == QLatin1String("AXApplication"))
            break;
        current = parentOf(AtspiElement::accessibleOf(current.value));
        if (!current.ok())
            return fail(current.error);
    }
    return fail(ax::kNoValue);
}

ax::Reading LinuxAccessibility::readURL(AtspiAccessible* a) {
    const auto role = roleOf(a);
    if (!role.ok())
        return fail(role.error);
    if (role.value != ATSPI_ROLE_DOCUMENT_WEB)
        return fail(ax::kAttributeUnsupported);
    const GObjectPtr<AtspiDocument> document(atspi_accessible_get_document_iface(a));
    if (!document)
        return fail(ax::kAttributeUnsupported);
    // Chromium fills URI and leaves DocURL empty; Firefox does the opposite.
    for (const char* name : {"URI", "DocURL"}) {
        QByteArray key(name);
        const auto uri = m_requests.send([&](GError** e) {
            return GCharPtr(
                atspi_document_get_document_attribute_value(document.get(), key.data(), e));
        });
        if (!uri.ok())
            return fail(uri.error);
        if (uri.value && *uri.value)
            return ok(QUrl(QString::fromUtf8(uri.value.get())));
    }
    // A web document always has an address: an empty one is a reading taken before the browser
    // had it (Firefox's first answers after it starts), to be asked again, never kept.
    m_readWasIncomplete = true;
    return fail(ax::kNoValue);
}

ax::Reading LinuxAccessibility::readAwake(AtspiAccessible* a) {
    const auto role = roleOf(a);
    if (!role.ok())
        return fail(role.error);
    if (role.value != ATSPI_ROLE_APPLICATION)
        return fail(ax::kAttributeUnsupported);
    // A sleeping Chromium or Electron tree shows its windows without anything inside them.
    const auto windows = childCount(a);
    if (!windows.ok())
        return fail(windows.error);
    if (windows.value <= 0)
        return ok(ax::Boolean{false});
    const auto first = childAt(a, 0);
    if (!first.ok())
        return fail(first.error);
    if (first.value.isNull())
        return ok(ax::Boolean{false});
    const auto inside = childCount(AtspiElement::accessibleOf(first.value));
    if (!inside.ok())
        return fail(inside.error);
    return ok(ax::Boolean{inside.value > 0});
}

} // namespace tandrel::linuxdesktop
