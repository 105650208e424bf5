// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Desktop.h"
#include "platform/sim/ManualClock.h"
#include "platform/sim/SimAccessibility.h"
#include "platform/sim/SimFileWatching.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWorkspace.h"

#include <QStringList>

#include <map>
#include <memory>

namespace tandrel::sim {

// A builder handle on one simulated element, shared like a pointer: its setters change the
// element, not the handle, so they are const. Setters return the handle so that a tree reads as a
// few lines:
//   auto input = body.child(Role::textArea).placeholder("Message").text("hi").frame(...);
class SimElement {
public:
    SimElement() = default;
    explicit SimElement(std::shared_ptr<SimNode> node) : m_node(std::move(node)) {}

    // Appends a new child with the given role and returns it.
    SimElement child(a11y::Role role) const;
    SimElement parent() const;

    const SimElement& role(a11y::Role role) const;
    const SimElement& classes(const QStringList& classes) const;
    const SimElement& tag(const QString& tagName) const;
    const SimElement& frame(const Rect& frame) const;
    const SimElement& frame(double x, double y, double width, double height) const;
    const SimElement& noFrame() const;
    // The text; the caret goes to the end.
    const SimElement& text(const QString& text) const;
    const SimElement& selection(TextRange range) const;
    // Answers the text from the handler instead (an input that changes as it is read).
    const SimElement& onText(std::function<Result<a11y::TextContent>()> handler) const;
    const SimElement& label(a11y::Label label, const QString& text) const;
    const SimElement& placeholder(const QString& text) const;
    const SimElement& description(const QString& text) const;
    const SimElement& name(const QString& text) const;
    const SimElement& identifier(const QString& text) const;
    const SimElement& url(const QString& address) const;
    const SimElement& enabled(bool enabled) const;
    const SimElement& editable(bool editable) const;
    // The application's tree is awake or asleep; a request to wake it is answered by the handler.
    const SimElement& awake(bool awake) const;
    const SimElement& onWake(std::function<Result<Done>()> handler) const;

    // Every later question of this kind fails so; unfail() takes the failure back.
    const SimElement& fail(a11y::Question question, Failure failure) const;
    const SimElement& unfail(a11y::Question question) const;
    // Removes the label, so it has no value.
    const SimElement& unset(a11y::Label label) const;

    // Delivers a change of this element to the observers that watch it.
    void post(a11y::Change change) const;
    // Takes the element and its descendants out of the tree; handles on them become invalid.
    void remove() const;

    a11y::Element element() const;
    operator a11y::Element() const { return element(); }
    const std::shared_ptr<SimNode>& node() const { return m_node; }
    bool isNull() const { return !m_node; }

private:
    std::shared_ptr<SimNode> m_node;
};

// One simulated application process.
class SimApp {
public:
    SimApp(a11y::Pid pid, std::optional<QString> desktopId, std::optional<QString> name,
           SimAccessibility& accessibility);

    a11y::Pid pid() const { return m_pid; }
    const std::optional<QString>& name() const { return m_name; }
    RunningApplication running() const {
        return {m_pid, {m_desktopId.value_or(QString()), {}, {}}, m_name};
    }

    // The application element.
    SimElement element() const { return m_element; }
    // Adds a top-level window.
    SimElement window(const QString& title, const Rect& frame);

    // Moves the keyboard focus and posts the focus change on the application element.
    void focus(const SimElement& element);
    void clearFocus();
    // The process ends: every handle on its elements becomes invalid.
    void quit();

private:
    a11y::Pid m_pid;
    std::optional<QString> m_desktopId;
    std::optional<QString> m_name;
    SimElement m_element;
};

// A whole simulated operating system for tests and benchmarks.
class SimDesktop final : public Desktop {
public:
    SimDesktop();
    ~SimDesktop() override;

    a11y::Accessibility& accessibility() override { return m_accessibility; }
    Workspace& workspace() override { return m_workspace; }
    Clock& clock() override { return m_clock; }
    Screens& screens() override { return m_screens; }
    LoginItems& loginItems() override { return m_loginItems; }
    SimPasteboard& pasteboard() override { return m_pasteboard; }
    SimKeyEvents& keyEvents() override { return m_keyEvents; }
    SimFileWatching& fileWatching() override { return m_fileWatching; }

    SimAccessibility& ax() { return m_accessibility; }
    SimWorkspace& ws() { return m_workspace; }
    ManualClock& manualClock() { return m_clock; }
    SimScreens& simScreens() { return m_screens; }
    SimLoginItems& login() { return m_loginItems; }

    // The application's desktop id names it, as a Wayland app id does.
    SimApp& addApp(a11y::Pid pid, std::optional<QString> desktopId, std::optional<QString> name);
    SimApp& app(a11y::Pid pid);
    bool hasApp(a11y::Pid pid) const { return m_apps.contains(pid); }

    // Brings the application to the front and notifies activation observers.
    void activate(const SimApp& app);
    // No application in front (and observers notified).
    void activateNone();

    void advance(double seconds) { m_clock.advance(seconds); }
    void setTrusted(bool trusted) { m_accessibility.setTrusted(trusted); }
    int calls(a11y::Question question) const { return m_accessibility.calls(question); }
    int totalCalls() const { return m_accessibility.totalCalls(); }
    void resetCalls() { m_accessibility.resetCalls(); }

    // What the desktop handed out and is still alive, as its destruction would report it.
    std::string survivors() const { return m_lifetimeGuard.survivors(); }

private:
    // First, so that it checks after every component (and what they held) is gone.
    SimLifetimeGuard m_lifetimeGuard;
    SimAccessibility m_accessibility;
    SimWorkspace m_workspace;
    ManualClock m_clock;
    SimScreens m_screens;
    SimLoginItems m_loginItems;
    SimPasteboard m_pasteboard{m_clock};
    SimKeyEvents m_keyEvents{*this};
    SimFileWatching m_fileWatching;
    std::map<a11y::Pid, std::unique_ptr<SimApp>> m_apps;
};

} // namespace tandrel::sim
