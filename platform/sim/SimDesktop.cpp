// SPDX-License-Identifier: MIT
#include "platform/sim/SimDesktop.h"

#include <stdexcept>

namespace tandrel::sim {

using a11y::Element;
using a11y::Pid;
using a11y::Role;

namespace {

std::shared_ptr<SimNode> newNode(Pid pid, SimAccessibility* owner, Role role) {
    auto node = std::make_shared<SimNode>();
    node->pid = pid;
    node->owner = owner;
    node->lifetimes = owner ? owner->lifetimes() : nullptr;
    node->role = role;
    return node;
}

void destroyTree(const std::shared_ptr<SimNode>& node) {
    node->destroyed = true;
    for (const auto& child : node->children)
        destroyTree(child);
}

} // namespace

// SimElement

SimElement SimElement::child(Role role) const {
    auto node = newNode(m_node->pid, m_node->owner, role);
    node->parent = m_node;
    m_node->children.push_back(node);
    return SimElement(node);
}

SimElement SimElement::parent() const {
    return SimElement(m_node->parent.lock());
}

const SimElement& SimElement::role(Role role) const {
    m_node->role = role;
    return *this;
}

const SimElement& SimElement::classes(const QStringList& classes) const {
    m_node->classes = classes;
    return *this;
}

const SimElement& SimElement::tag(const QString& tagName) const {
    return label(a11y::Label::tagName, tagName);
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

const SimElement& SimElement::onText(std::function<Result<a11y::TextContent>()> handler) const {
    m_node->textHandler = std::move(handler);
    return *this;
}

const SimElement& SimElement::label(a11y::Label label, const QString& text) const {
    m_node->labels[label] = text;
    return *this;
}

const SimElement& SimElement::placeholder(const QString& text) const {
    return label(a11y::Label::placeholder, text);
}
const SimElement& SimElement::description(const QString& text) const {
    return label(a11y::Label::description, text);
}
const SimElement& SimElement::name(const QString& text) const {
    return label(a11y::Label::name, text);
}
const SimElement& SimElement::identifier(const QString& text) const {
    return label(a11y::Label::identifier, text);
}
const SimElement& SimElement::url(const QString& address) const {
    m_node->address = QUrl(address);
    return *this;
}
const SimElement& SimElement::enabled(bool enabled) const {
    m_node->states[a11y::State::enabled] = enabled;
    return *this;
}
const SimElement& SimElement::editable(bool editable) const {
    m_node->states[a11y::State::editable] = editable;
    return *this;
}

const SimElement& SimElement::awake(bool awake) const {
    m_node->awake = awake;
    return *this;
}

const SimElement& SimElement::onWake(std::function<Result<Done>()> handler) const {
    m_node->wakeHandler = std::move(handler);
    return *this;
}

const SimElement& SimElement::fail(a11y::Question question, Failure failure) const {
    m_node->failures[question] = failure;
    return *this;
}

const SimElement& SimElement::unfail(a11y::Question question) const {
    m_node->failures.erase(question);
    return *this;
}

const SimElement& SimElement::unset(a11y::Label label) const {
    m_node->labels.erase(label);
    return *this;
}

void SimElement::post(a11y::Change change) const {
    if (m_node->owner)
        m_node->owner->post(element(), change);
}

void SimElement::remove() const {
    if (auto parent = m_node->parent.lock())
        std::erase(parent->children, m_node);
    m_node->parent.reset();
    // Observers hear about it while the handle is still theirs to compare.
    post(a11y::Change::destroyed);
    destroyTree(m_node);
}

Element SimElement::element() const {
    return m_node ? makeElement(m_node) : Element();
}

// SimApp

SimApp::SimApp(Pid pid, std::optional<QString> desktopId, std::optional<QString> name,
               SimAccessibility& accessibility)
    : m_pid(pid), m_desktopId(std::move(desktopId)), m_name(std::move(name)),
      m_element(newNode(pid, &accessibility, Role::application)) {
    if (m_name)
        m_element.name(*m_name);
    accessibility.registerApplication(pid, m_element.node());
}

SimElement SimApp::window(const QString& title, const Rect& frame) {
    return m_element.child(Role::window).name(title).frame(frame);
}

void SimApp::focus(const SimElement& element) {
    m_element.node()->focused = element.node();
    m_element.post(a11y::Change::focus);
}

void SimApp::clearFocus() {
    m_element.node()->focused.reset();
    m_element.post(a11y::Change::focus);
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

SimApp& SimDesktop::addApp(Pid pid, std::optional<QString> desktopId, std::optional<QString> name) {
    auto& slot = m_apps[pid];
    slot = std::make_unique<SimApp>(pid, std::move(desktopId), std::move(name), m_accessibility);
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
