// SPDX-License-Identifier: MIT
#include "platform/sim/SimDesktop.h"
#include "platform/AXNames.h"

#include <stdexcept>

namespace tandrel::sim {

using namespace tandrel::ax;

namespace {

std::shared_ptr<SimNode> newNode(Pid pid, SimAccessibility* owner, const QString& role) {
    auto node = std::make_shared<SimNode>();
    node->pid = pid;
    node->owner = owner;
    node->lifetimes = owner ? owner->lifetimes() : nullptr;
    node->attributes[ax::attr::role] = Reading{kSuccess, role};
    return node;
}

void destroyTree(const std::shared_ptr<SimNode>& node) {
    node->destroyed = true;
    for (const auto& child : node->children)
        destroyTree(child);
}

} // namespace

// SimElement

SimElement SimElement::child(const QString& role) const {
    auto node = newNode(m_node->pid, m_node->owner, role);
    node->parent = m_node;
    m_node->children.push_back(node);
    return SimElement(node);
}

SimElement SimElement::parent() const {
    return SimElement(m_node->parent.lock());
}

const SimElement& SimElement::set(const QString& attribute, const Value& value) const {
    m_node->attributes[attribute] = Reading{kSuccess, value};
    return *this;
}

const SimElement& SimElement::fail(const QString& attribute, AXError error) const {
    m_node->attributes[attribute] = Reading{error, {}};
    return *this;
}

const SimElement& SimElement::unset(const QString& attribute) const {
    m_node->attributes.erase(attribute);
    return *this;
}

const SimElement& SimElement::role(const QString& role) const {
    return set(ax::attr::role, role);
}
const SimElement& SimElement::subrole(const QString& subrole) const {
    return set(ax::attr::subrole, subrole);
}

const SimElement& SimElement::classes(const QStringList& classes) const {
    Array list;
    for (const QString& name : classes)
        list.emplace_back(name);
    return set(ax::attr::domClassList, Value(std::move(list)));
}

const SimElement& SimElement::tag(const QString& tagName) const {
    return set(ax::attr::domTagName, tagName);
}

const SimElement& SimElement::frame(const Rect& frame) const {
    m_node->frame = frame;
    return *this;
}

const SimElement& SimElement::frame(double x, double y, double width, double height) const {
    return frame(Rect(x, y, width, height));
}

const SimElement& SimElement::noFrame() const {
    m_node->frame.reset();
    return *this;
}

const SimElement& SimElement::text(const QString& text) const {
    m_node->text = text;
    m_node->selection.reset();
    return *this;
}

const SimElement& SimElement::selection(TextRange range) const {
    m_node->selection = range;
    return *this;
}

const SimElement& SimElement::placeholder(const QString& text) const {
    return set(ax::attr::placeholderValue, text);
}
const SimElement& SimElement::description(const QString& text) const {
    return set(ax::attr::description, text);
}
const SimElement& SimElement::title(const QString& text) const {
    return set(ax::attr::title, text);
}
const SimElement& SimElement::identifier(const QString& text) const {
    return set(ax::attr::identifier, text);
}
const SimElement& SimElement::domIdentifier(const QString& text) const {
    return set(ax::attr::domIdentifier, text);
}
const SimElement& SimElement::url(const QString& address) const {
    return set(ax::attr::url, QUrl(address));
}
const SimElement& SimElement::enabled(bool enabled) const {
    return set(ax::attr::enabled, Boolean{enabled});
}
const SimElement& SimElement::editable(bool editable) const {
    return set(ax::attr::editable, Boolean{editable});
}

const SimElement& SimElement::onParameterized(const QString& attribute,
                                              ParameterizedHandler handler) const {
    m_node->parameterized[attribute] = std::move(handler);
    return *this;
}

const SimElement& SimElement::onSet(const QString& attribute, SetHandler handler) const {
    m_node->setters[attribute] = std::move(handler);
    return *this;
}

void SimElement::post(const QString& notification) const {
    if (m_node->owner)
        m_node->owner->post(element(), notification);
}

void SimElement::remove() const {
    if (auto parent = m_node->parent.lock())
        std::erase(parent->children, m_node);
    m_node->parent.reset();
    // Observers hear about it while the handle is still theirs to compare.
    post(ax::notification::uiElementDestroyed);
    destroyTree(m_node);
}

Element SimElement::element() const {
    return m_node ? makeElement(m_node) : Element();
}

// SimApp

SimApp::SimApp(Pid pid, std::optional<QString> bundleID, std::optional<QString> name,
               SimAccessibility& accessibility)
    : m_pid(pid), m_bundleID(std::move(bundleID)), m_name(std::move(name)),
      m_element(newNode(pid, &accessibility, QStringLiteral("AXApplication"))) {
    if (m_name)
        m_element.title(*m_name);
    accessibility.registerApplication(pid, m_element.node());
}

SimElement SimApp::window(const QString& title, const Rect& frame) {
    return m_element.child(QStringLiteral("AXWindow")).title(title).frame(frame);
}

void SimApp::focus(const SimElement& element) {
    m_element.node()->focused = element.node();
    m_element.post(ax::notification::focusedUIElementChanged);
}

void SimApp::clearFocus() {
    m_element.node()->focused.reset();
    m_element.post(ax::notification::focusedUIElementChanged);
}

void SimApp::quit() {
    destroyTree(m_element.node());
}

// SimDesktop

SimDesktop::SimDesktop() {
    m_lifetimeGuard.watch("the simulated accessibility", m_accessibility.lifetimes());
    m_lifetimeGuard.watch("the simulated workspace", m_workspace.lifetimes());
    m_lifetimeGuard.watch("the simulated clock", m_clock.lifetimes());
    m_lifetimeGuard.watch("the simulated file watching", m_fileWatching.lifetimes());
    m_lifetimeGuard.watch("the simulated clipboard", m_pasteboard.lifetimes());
}
SimDesktop::~SimDesktop() = default;

SimApp& SimDesktop::addApp(Pid pid, std::optional<QString> bundleID, std::optional<QString> name) {
    auto& slot = m_apps[pid];
    slot = std::make_unique<SimApp>(pid, std::move(bundleID), std::move(name), m_accessibility);
    return *slot;
}

SimApp& SimDesktop::app(Pid pid) {
    const auto it = m_apps.find(pid);
    if (it == m_apps.end())
        throw std::out_of_range("no simulated application with this pid");
    return *it->second;
}

void SimDesktop::activate(const SimApp& app) {
    m_workspace.setFrontmost(app.running());
    m_workspace.notifyActivation();
}

void SimDesktop::activateNone() {
    m_workspace.setFrontmost(std::nullopt);
    m_workspace.notifyActivation();
}

} // namespace tandrel::sim
