#include "platform/linux/LinuxAccessibility.h"
#include "platform/AXNames.h"

#include "platform/linux/A11yStatus.h"
#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiErrors.h"
#include "platform/linux/AtspiObserver.h"

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
constexpr int kMaxTextDepth = 8;
constexpr int kMaxEmbeddedLinks = 4096;
constexpr int kMaxChildren = 4096;
constexpr int kMaxWindowWalk = 64;
constexpr int kMaxTopLevels = 64;

ax::Reading fail(ax::AXError error) {
    return {error, {}};
}
ax::Reading ok(ax::Value value) {
    return {ax::kSuccess, std::move(value)};
}

QString takeString(gchar* s) {
    QString out = s ? QString::fromUtf8(s) : QString();
    g_free(s);
    return out;
}

struct StateSet {
    AtspiStateSet* set = nullptr;
    explicit StateSet(AtspiStateSet* s) : set(s) {}
    ~StateSet() {
        if (set)
            g_object_unref(set);
    }
    StateSet(const StateSet&) = delete;
    StateSet& operator=(const StateSet&) = delete;
    bool has(AtspiStateType t) const { return set && atspi_state_set_contains(set, t); }
};

struct Attributes {
    GHashTable* table = nullptr;
    explicit Attributes(GHashTable* t) : table(t) {}
    ~Attributes() {
        if (table)
            g_hash_table_unref(table);
    }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    std::optional<QString> value(const char* key) const {
        if (!table)
            return std::nullopt;
        const auto* v = static_cast<const char*>(g_hash_table_lookup(table, key));
        if (!v)
            return std::nullopt;
        return QString::fromUtf8(v);
    }
};

template <class T> struct GObjectRef {
    T* ptr = nullptr;
    explicit GObjectRef(T* p) : ptr(p) {}
    ~GObjectRef() {
        if (ptr)
            g_object_unref(ptr);
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    T* get() const { return ptr; }
    explicit operator bool() const { return ptr != nullptr; }
};

} // namespace

LinuxAccessibility::LinuxAccessibility(AtspiEvents& events, A11yStatus& status)
    : m_events(events), m_status(status) {
    m_events.listenToChanges();
}

LinuxAccessibility::~LinuxAccessibility() = default;

bool LinuxAccessibility::isProcessTrusted() {
    return m_status.isEnabled();
}

bool LinuxAccessibility::isProcessTrustedWithPrompt(bool prompt) {
    if (prompt && !m_status.isEnabled())
        m_status.enable();
    return m_status.isEnabled();
}

ax::AXError LinuxAccessibility::take(GError*& error) const {
    if (!error)
        return ax::kSuccess;
    const ax::AXError code = errorFromMessage(QString::fromUtf8(error->message));
    g_clear_error(&error);
    return code;
}

std::optional<ax::Pid> LinuxAccessibility::processOf(const ax::Element& element) {
    const auto* impl = element.as<AtspiElement>();
    if (!impl)
        return std::nullopt;
    auto it = m_pidOfBus.constFind(impl->busName());
    if (it != m_pidOfBus.constEnd())
        return *it;
    GError* error = nullptr;
    ++m_calls;
    const guint pid = atspi_accessible_get_process_id(impl->accessible(), &error);
    if (take(error) != ax::kSuccess || pid == 0)
        return std::nullopt;
    m_pidOfBus.insert(impl->busName(), static_cast<ax::Pid>(pid));
    return static_cast<ax::Pid>(pid);
}

ax::Element LinuxAccessibility::createApplication(ax::Pid pid) {
    // This process registers on the bus like any Qt application; its own tree is never a chat.
    if (pid <= 0 || pid == static_cast<ax::Pid>(getpid()))
        return {};
    // The application found last time, while it still answers as one.
    if (const auto known = m_applicationOfPid.constFind(pid); known != m_applicationOfPid.cend()) {
        GError* error = nullptr;
        if (roleOf(AtspiElement::accessibleOf(*known), &error) == ATSPI_ROLE_APPLICATION &&
            take(error) == ax::kSuccess)
            return *known;
        take(error);
        m_applicationOfPid.remove(pid);
    }
    GObjectRef<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop)
        return {};
    GError* error = nullptr;
    ++m_calls;
    const int count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (take(error) != ax::kSuccess)
        return {};
    for (int i = 0; i < std::min(count, kMaxChildren); ++i) {
        ++m_calls;
        ax::Element app =
            AtspiElement::adopt(atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (take(error) != ax::kSuccess || app.isNull())
            continue;
        if (processOf(app) == pid) {
            m_applicationOfPid.insert(pid, app);
            return app;
        }
    }
    return {};
}

ax::AXError LinuxAccessibility::setMessagingTimeout(const ax::Element&, float seconds) {
    // One timeout for the whole process: libatspi has no per-application setting.
    const int ms = seconds > 0 ? static_cast<int>(seconds * 1000.0f + 0.5f) : 1000;
    atspi_set_timeout(ms, std::max(ms, 1000));
    return ax::kSuccess;
}

AtspiRole LinuxAccessibility::roleOf(AtspiAccessible* a, GError** error) {
    ++m_calls;
    return atspi_accessible_get_role(a, error);
}

ax::Reading LinuxAccessibility::copyAttributeValue(const ax::Element& element,
                                                   const QString& name) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a)
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
        return readSelection(a);
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
        GError* error = nullptr;
        ++m_calls;
        QString s =
            takeString(name == ax::attr::title ? atspi_accessible_get_name(a, &error)
                                               : atspi_accessible_get_description(a, &error));
        if (const ax::AXError e = take(error))
            return fail(e);
        return ok(std::move(s));
    }
    if (name == ax::attr::numberOfCharacters || name == ax::attr::value) {
        TextNode node;
        if (const ax::AXError e = readText(a, 0, node))
            return fail(e);
        if (name == ax::attr::value)
            return ok(node.expanded.text());
        return ok(ax::Number{static_cast<double>(node.expanded.text().size())});
    }
    return fail(ax::kAttributeUnsupported);
}

ax::Reading LinuxAccessibility::copyParameterizedAttributeValue(const ax::Element& element,
                                                                const QString& name,
                                                                const ax::Value& parameter) {
    AtspiAccessible* a = AtspiElement::accessibleOf(element);
    if (!a)
        return fail(ax::kInvalidUIElement);
    const bool plain = name == ax::attr::stringForRange;
    if (!plain && name != ax::attr::attributedStringForRange)
        return fail(ax::kAttributeUnsupported);
    const auto* range = parameter.get<TextRange>();
    if (!range)
        return fail(ax::kIllegalArgument);
    TextNode node;
    if (const ax::AXError e = readText(a, 0, node))
        return fail(e);
    const QString& text = node.expanded.text();
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
    if (!a)
        return ax::kInvalidUIElement;
    if (name != ax::attr::manualAccessibility)
        return ax::kAttributeUnsupported;
    const auto* flag = value.get<ax::Boolean>();
    if (!flag)
        return ax::kIllegalArgument;
    if (!flag->value)
        return ax::kSuccess; // a tree cannot be put back to sleep; nothing to do
    // Chromium and Electron build their tree once a client asks the application anything.
    GError* error = nullptr;
    ++m_calls;
    GHashTable* attributes = atspi_accessible_get_attributes(a, &error);
    if (attributes)
        g_hash_table_unref(attributes);
    return take(error);
}

ax::ObserverCreation LinuxAccessibility::createObserver(ax::Pid pid,
                                                        ax::ObserverCallback callback) {
    if (pid <= 0 || !callback)
        return {ax::kIllegalArgument, nullptr};
    m_events.listenToLayoutEvents();
    return {ax::kSuccess, std::make_unique<AtspiObserver>(m_events, std::move(callback))};
}

ax::Reading LinuxAccessibility::readRole(AtspiAccessible* a, bool subrole) {
    GError* error = nullptr;
    RoleFacts facts;
    facts.role = roleOf(a, &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    if (facts.role == ATSPI_ROLE_INVALID)
        return fail(ax::kInvalidUIElement);
    {
        ++m_calls;
        StateSet states(atspi_accessible_get_state_set(a));
        if (states.has(ATSPI_STATE_DEFUNCT))
            return fail(ax::kInvalidUIElement);
        facts.editable = states.has(ATSPI_STATE_EDITABLE);
        facts.multiLine = states.has(ATSPI_STATE_MULTI_LINE);
        facts.singleLine = states.has(ATSPI_STATE_SINGLE_LINE);
    }
    // Only these roles depend on object attributes; other roles spare the request.
    const bool dialog = facts.role == ATSPI_ROLE_DIALOG || facts.role == ATSPI_ROLE_ALERT ||
                        facts.role == ATSPI_ROLE_FILE_CHOOSER;
    if (dialog || (facts.role == ATSPI_ROLE_ENTRY && !facts.multiLine)) {
        ++m_calls;
        Attributes attributes(atspi_accessible_get_attributes(a, &error));
        take(error);
        if (!attributes.table || g_hash_table_size(attributes.table) == 0)
            m_readWasIncomplete = true;
        facts.webContent = attributes.value("tag").has_value();
        facts.searchBox = attributes.value("xml-roles")
                              .value_or(QString())
                              .contains(QLatin1String("searchbox")) ||
                          attributes.value("text-input-type") == QStringLiteral("search");
    }
    const RoleNames names = translateRole(facts);
    if (!subrole)
        return ok(names.role);
    if (names.subrole.isEmpty())
        return fail(ax::kNoValue);
    return ok(names.subrole);
}

ax::Reading LinuxAccessibility::readAttribute(AtspiAccessible* a, const char* key) {
    GError* error = nullptr;
    ++m_calls;
    Attributes attributes(atspi_accessible_get_attributes(a, &error));
    if (const ax::AXError e = take(error))
        return fail(e);
    if (!attributes.table || g_hash_table_size(attributes.table) == 0)
        m_readWasIncomplete = true;
    auto v = attributes.value(key);
    if (!v)
        return fail(ax::kNoValue);
    return ok(std::move(*v));
}

ax::Reading LinuxAccessibility::readStateFlag(AtspiAccessible* a, AtspiStateType state,
                                              AtspiStateType orState) {
    ++m_calls;
    StateSet states(atspi_accessible_get_state_set(a));
    if (!states.set || states.has(ATSPI_STATE_DEFUNCT))
        return fail(ax::kInvalidUIElement);
    return ok(ax::Boolean{states.has(state) || states.has(orState)});
}

bool LinuxAccessibility::isStillFocused(AtspiAccessible* a) {
    ++m_calls;
    StateSet states(atspi_accessible_get_state_set(a));
    return states.has(ATSPI_STATE_FOCUSED) && !states.has(ATSPI_STATE_DEFUNCT);
}

ax::Reading LinuxAccessibility::readFocused(const ax::Element& element) {
    const auto* impl = element.as<AtspiElement>();
    if (!impl->isApplicationRoot())
        return fail(ax::kAttributeUnsupported);
    // The focus event is the cheap answer, but it may be stale: the element may have lost the
    // focus without telling us, or gone away.
    const ax::Element cached = m_events.lastFocused(impl->busName());
    if (!cached.isNull()) {
        if (isStillFocused(AtspiElement::accessibleOf(cached)))
            return ok(cached);
        m_events.forgetFocus(impl->busName(), cached);
    }
    ax::Element found = focusedInActiveWindow(impl->accessible());
    if (found.isNull())
        return fail(ax::kNoValue);
    return ok(std::move(found));
}

ax::Element LinuxAccessibility::focusedInActiveWindow(AtspiAccessible* app) {
    GError* error = nullptr;
    ++m_calls;
    const int count = atspi_accessible_get_child_count(app, &error);
    if (take(error) != ax::kSuccess || count <= 0)
        return {};
    // Top-level windows, the active ones first: popups of the same application (an address
    // bar's suggestion list) keep focused documents of their own.
    std::vector<ax::Element> active, others;
    for (int i = 0; i < std::min(count, kMaxTopLevels); ++i) {
        ++m_calls;
        ax::Element top = AtspiElement::adopt(atspi_accessible_get_child_at_index(app, i, &error));
        if (take(error) != ax::kSuccess || top.isNull())
            continue;
        ++m_calls;
        StateSet states(atspi_accessible_get_state_set(AtspiElement::accessibleOf(top)));
        (states.has(ATSPI_STATE_ACTIVE) ? active : others).push_back(std::move(top));
    }
    if (active.empty())
        active = std::move(others); // without a window manager nothing may say "active"

    AtspiStateSet* wanted = atspi_state_set_new(nullptr);
    atspi_state_set_add(wanted, ATSPI_STATE_FOCUSED);
    AtspiMatchRule* rule = atspi_match_rule_new(
        wanted, ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
    g_object_unref(wanted);

    ax::Element result;
    for (const ax::Element& top : active) {
        GObjectRef<AtspiCollection> collection(
            atspi_accessible_get_collection_iface(AtspiElement::accessibleOf(top)));
        if (!collection)
            continue;
        ++m_calls;
        GArray* matches = atspi_collection_get_matches(
            collection.get(), rule, ATSPI_Collection_SORT_ORDER_CANONICAL, 0, TRUE, &error);
        take(error);
        if (!matches)
            continue;
        // In document order the deepest focused element comes last.
        for (guint i = 0; i < matches->len; ++i) {
            AtspiAccessible* match = g_array_index(matches, AtspiAccessible*, i);
            if (i + 1 == matches->len && result.isNull())
                result = AtspiElement::wrap(match);
            g_object_unref(match);
        }
        g_array_free(matches, TRUE);
        if (!result.isNull())
            break;
    }
    g_object_unref(rule);
    return result;
}

ax::Reading LinuxAccessibility::readPoint(AtspiAccessible* a, bool size) {
    GObjectRef<AtspiComponent> component(atspi_accessible_get_component_iface(a));
    if (!component)
        return fail(ax::kAttributeUnsupported);
    GError* error = nullptr;
    ++m_calls;
    AtspiPoint* p =
        size ? atspi_component_get_size(component.get(), &error)
             : atspi_component_get_position(component.get(), ATSPI_COORD_TYPE_SCREEN, &error);
    const ax::AXError e = take(error);
    if (e || !p) {
        g_free(p);
        return fail(e ? e : ax::kFailure);
    }
    ax::Value v = size ? ax::Value(Size{double(p->x), double(p->y)})
                       : ax::Value(Point{double(p->x), double(p->y)});
    g_free(p);
    return ok(std::move(v));
}

ax::Reading LinuxAccessibility::readParent(AtspiAccessible* a) {
    GError* error = nullptr;
    const AtspiRole role = roleOf(a, &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    if (role == ATSPI_ROLE_APPLICATION || role == ATSPI_ROLE_DESKTOP_FRAME)
        return fail(ax::kNoValue); // applications are the top of their tree
    ++m_calls;
    ax::Element parent = AtspiElement::adopt(atspi_accessible_get_parent(a, &error));
    if (const ax::AXError e = take(error))
        return fail(e);
    if (parent.isNull())
        return fail(ax::kNoValue);
    return ok(std::move(parent));
}

ax::Reading LinuxAccessibility::readChildren(AtspiAccessible* a) {
    GError* error = nullptr;
    ++m_calls;
    const int count = atspi_accessible_get_child_count(a, &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    ax::Array children;
    for (int i = 0; i < std::min(count, kMaxChildren); ++i) {
        ++m_calls;
        ax::Element child = AtspiElement::adopt(atspi_accessible_get_child_at_index(a, i, &error));
        if (const ax::AXError e = take(error))
            return fail(e);
        if (!child.isNull())
            children.emplace_back(std::move(child));
    }
    return ok(std::move(children));
}

ax::Reading LinuxAccessibility::readWindow(AtspiAccessible* a) {
    GError* error = nullptr;
    ++m_calls;
    ax::Element current = AtspiElement::adopt(atspi_accessible_get_parent(a, &error));
    if (const ax::AXError e = take(error))
        return fail(e);
    for (int i = 0; i < kMaxWindowWalk && !current.isNull(); ++i) {
        ax::Reading role = readRole(AtspiElement::accessibleOf(current), false);
        if (!role.ok())
            return fail(role.error);
        const QString& r = *role.value.get<QString>();
        if (r == QLatin1String("AXWindow"))
            return ok(current);
        if (r == QLatin1String("AXApplication"))
            break;
        ++m_calls;
        current = AtspiElement::adopt(
            atspi_accessible_get_parent(AtspiElement::accessibleOf(current), &error));
        if (const ax::AXError e = take(error))
            return fail(e);
    }
    return fail(ax::kNoValue);
}

ax::Reading LinuxAccessibility::readURL(AtspiAccessible* a) {
    GError* error = nullptr;
    if (roleOf(a, &error) != ATSPI_ROLE_DOCUMENT_WEB) {
        const ax::AXError e = take(error);
        return fail(e ? e : ax::kAttributeUnsupported);
    }
    GObjectRef<AtspiDocument> document(atspi_accessible_get_document_iface(a));
    if (!document)
        return fail(ax::kAttributeUnsupported);
    // Chromium fills URI and leaves DocURL empty; Firefox does the opposite.
    for (const char* name : {"URI", "DocURL"}) {
        ++m_calls;
        QByteArray key(name);
        const QString uri = takeString(
            atspi_document_get_document_attribute_value(document.get(), key.data(), &error));
        if (const ax::AXError e = take(error))
            return fail(e);
        if (!uri.isEmpty())
            return ok(QUrl(uri));
    }
    // A web document always has an address: an empty one is a reading taken before the browser
    // had it (Firefox's first answers after it starts), to be asked again, never kept.
    m_readWasIncomplete = true;
    return fail(ax::kNoValue);
}

ax::AXError LinuxAccessibility::readText(AtspiAccessible* a, int depth, TextNode& out) {
    out.accessible = a;
    GObjectRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text)
        return ax::kAttributeUnsupported;
    GError* error = nullptr;
    ++m_calls;
    const int count = atspi_text_get_character_count(text.get(), &error);
    if (const ax::AXError e = take(error))
        return e;
    ++m_calls;
    const QString raw = takeString(atspi_text_get_text(text.get(), 0, count, &error));
    if (const ax::AXError e = take(error))
        return e;

    std::vector<Embed> embeds;
    if (raw.contains(QChar(kEmbeddedObject)) && depth < kMaxTextDepth) {
        GObjectRef<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(a));
        if (hypertext) {
            ++m_calls;
            const int links = atspi_hypertext_get_n_links(hypertext.get(), &error);
            take(error);
            // Placeholders stand for the links in order: the k-th U+FFFC is link k.
            std::vector<std::int64_t> placeholders;
            std::int64_t point = 0;
            for (qsizetype i = 0; i < raw.size(); ++i, ++point) {
                if (raw.at(i) == QChar(kEmbeddedObject))
                    placeholders.push_back(point);
                if (raw.at(i).isHighSurrogate() && i + 1 < raw.size())
                    ++i;
            }
            const int usable =
                std::min({links, kMaxEmbeddedLinks, static_cast<int>(placeholders.size())});
            for (int k = 0; k < usable; ++k) {
                const std::int64_t offset = placeholders[static_cast<std::size_t>(k)];
                out.linkOffsets.push_back(offset);
                ++m_calls;
                GObjectRef<AtspiHyperlink> link(
                    atspi_hypertext_get_link(hypertext.get(), k, &error));
                if (take(error) || !link)
                    continue;
                ++m_calls;
                const ax::Element child =
                    AtspiElement::adopt(atspi_hyperlink_get_object(link.get(), 0, &error));
                if (take(error) || child.isNull())
                    continue;
                AtspiAccessible* c = AtspiElement::accessibleOf(child);
                TextNode node;
                Embed embed;
                embed.codePointOffset = offset;
                if (readText(c, depth + 1, node) == ax::kSuccess)
                    embed.text = node.expanded.text();
                embed.block = isBlockRole(roleOf(c, &error));
                take(error);
                embeds.push_back(std::move(embed));
            }
        }
    }
    out.expanded = ExpandedText::build(raw, embeds);
    return ax::kSuccess;
}

ax::Element LinuxAccessibility::embeddedChild(const TextNode& node, std::int64_t codePoint) {
    if (!node.accessible)
        return {};
    const auto found = std::find(node.linkOffsets.begin(), node.linkOffsets.end(), codePoint);
    if (found == node.linkOffsets.end())
        return {};
    GObjectRef<AtspiHypertext> hypertext(atspi_accessible_get_hypertext_iface(node.accessible));
    if (!hypertext)
        return {};
    GError* error = nullptr;
    const int k = static_cast<int>(found - node.linkOffsets.begin());
    ++m_calls;
    GObjectRef<AtspiHyperlink> link(atspi_hypertext_get_link(hypertext.get(), k, &error));
    if (take(error) || !link)
        return {};
    ++m_calls;
    ax::Element child = AtspiElement::adopt(atspi_hyperlink_get_object(link.get(), 0, &error));
    if (take(error))
        return {};
    return child;
}

std::optional<std::int64_t> LinuxAccessibility::mapCaret(const TextNode& node,
                                                         std::int64_t codePoint, int depth) {
    const auto base = node.expanded.fromRawOffset(codePoint);
    if (!base)
        return std::nullopt;
    const auto childStart = node.expanded.embedStart(codePoint);
    if (!childStart || depth >= kMaxTextDepth)
        return base;
    // The caret sits in an embedded child (a paragraph of a contenteditable): ask the child
    // where in its own text, and place that inside the child's part of the expanded text.
    const ax::Element child = embeddedChild(node, codePoint);
    if (child.isNull())
        return base;
    AtspiAccessible* c = AtspiElement::accessibleOf(child);
    GObjectRef<AtspiText> text(atspi_accessible_get_text_iface(c));
    if (!text)
        return base;
    GError* error = nullptr;
    ++m_calls;
    const int caret = atspi_text_get_caret_offset(text.get(), &error);
    if (take(error) || caret < 0)
        return base;
    TextNode childNode;
    if (readText(c, depth + 1, childNode) != ax::kSuccess)
        return base;
    const auto inner = mapCaret(childNode, caret, depth + 1);
    if (!inner)
        return base;
    return *childStart + *inner;
}

std::optional<std::pair<std::int64_t, std::int64_t>>
LinuxAccessibility::childSelection(const TextNode& node, std::int64_t codePoint, int depth) {
    if (depth >= kMaxTextDepth)
        return std::nullopt;
    const ax::Element child = embeddedChild(node, codePoint);
    if (child.isNull())
        return std::nullopt;
    AtspiAccessible* c = AtspiElement::accessibleOf(child);
    GObjectRef<AtspiText> text(atspi_accessible_get_text_iface(c));
    if (!text)
        return std::nullopt;
    GError* error = nullptr;
    ++m_calls;
    const int selections = atspi_text_get_n_selections(text.get(), &error);
    if (take(error) || selections <= 0)
        return std::nullopt;
    ++m_calls;
    AtspiRange* range = atspi_text_get_selection(text.get(), 0, &error);
    const ax::AXError e = take(error);
    if (e || !range) {
        g_free(range);
        return std::nullopt;
    }
    const ExpandedText::RawSelection raw{range->start_offset, range->end_offset};
    g_free(range);
    TextNode childNode;
    if (readText(c, depth + 1, childNode) != ax::kSuccess)
        return std::nullopt;
    return mapSelection(childNode, raw, depth + 1);
}

std::optional<std::pair<std::int64_t, std::int64_t>>
LinuxAccessibility::mapSelection(const TextNode& node, const ExpandedText::RawSelection& raw,
                                 int depth) {
    // Each end that lies inside a paragraph (or a link) is followed into it: the child's own
    // selection says where, the start from its start and the end from its end.
    std::optional<std::int64_t> innerStart;
    std::optional<std::int64_t> innerEnd;
    const auto startChild = node.expanded.childHoldingStart(raw);
    const auto endChild = node.expanded.childHoldingEnd(raw);
    std::optional<std::pair<std::int64_t, std::int64_t>> inStartChild;
    if (startChild && (inStartChild = childSelection(node, *startChild, depth)))
        innerStart = inStartChild->first;
    if (endChild) {
        // When one child holds both ends, its one selection answers for both.
        const auto inEndChild =
            endChild == startChild ? inStartChild : childSelection(node, *endChild, depth);
        if (inEndChild)
            innerEnd = inEndChild->second;
    }
    return node.expanded.mapSelection(raw, innerStart, innerEnd);
}

ax::Reading LinuxAccessibility::readSelection(AtspiAccessible* a) {
    TextNode node;
    if (const ax::AXError e = readText(a, 0, node))
        return fail(e);
    GObjectRef<AtspiText> text(atspi_accessible_get_text_iface(a));
    GError* error = nullptr;
    ++m_calls;
    const int selections = atspi_text_get_n_selections(text.get(), &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    if (selections > 0) {
        ++m_calls;
        AtspiRange* range = atspi_text_get_selection(text.get(), 0, &error);
        const ax::AXError e = take(error);
        if (e || !range) {
            g_free(range);
            return fail(e ? e : ax::kNoValue);
        }
        const ExpandedText::RawSelection raw{range->start_offset, range->end_offset};
        g_free(range);
        const auto mapped = mapSelection(node, raw, 0);
        if (!mapped)
            return fail(ax::kNoValue);
        return ok(TextRange{mapped->first, mapped->second - mapped->first});
    }
    ++m_calls;
    const int caret = atspi_text_get_caret_offset(text.get(), &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    if (caret < 0)
        return fail(ax::kNoValue);
    const auto at = mapCaret(node, caret, 0);
    if (!at)
        return fail(ax::kNoValue);
    return ok(TextRange{*at, 0});
}

ax::Reading LinuxAccessibility::readAwake(AtspiAccessible* a) {
    GError* error = nullptr;
    if (roleOf(a, &error) != ATSPI_ROLE_APPLICATION) {
        const ax::AXError e = take(error);
        return fail(e ? e : ax::kAttributeUnsupported);
    }
    // A sleeping Chromium or Electron tree shows its windows without anything inside them.
    ++m_calls;
    const int windows = atspi_accessible_get_child_count(a, &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    if (windows <= 0)
        return ok(ax::Boolean{false});
    ++m_calls;
    const ax::Element first =
        AtspiElement::adopt(atspi_accessible_get_child_at_index(a, 0, &error));
    if (const ax::AXError e = take(error))
        return fail(e);
    if (first.isNull())
        return ok(ax::Boolean{false});
    ++m_calls;
    const int inside = atspi_accessible_get_child_count(AtspiElement::accessibleOf(first), &error);
    if (const ax::AXError e = take(error))
        return fail(e);
    return ok(ax::Boolean{inside > 0});
}

} // namespace tandrel::linuxdesktop
