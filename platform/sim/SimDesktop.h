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
//   auto input = body.child("AXTextArea").placeholder("Message").text("hi").frame(...);
class SimElement {
public:
    SimElement() = default;
    explicit SimElement(std::shared_ptr<SimNode> node) : m_node(std::move(node)) {}

    // Appends a new child with the given role and returns it.
    SimElement child(const QString& role) const;
    SimElement parent() const;

    const SimElement& role(const QString& role) const;
    const SimElement& subrole(const QString& subrole) const;
    const SimElement& classes(const QStringList& classes) const; // "AXDOMClassList"
    const SimElement& tag(const QString& tagName) const;         // "AXDOMTagName"
    const SimElement& frame(const Rect& frame) const;            // "AXPosition" and "AXSize"
    const SimElement& frame(double x, double y, double width, double height) const;
    const SimElement& noFrame() const;
    // "AXValue", "AXNumberOfCharacters" and the two range readings; the caret goes to the end.
    const SimElement& text(const QString& text) const;
    const SimElement& selection(TextRange range) const; // "AXSelectedTextRange"
    const SimElement& placeholder(const QString& text) const;
    const SimElement& description(const QString& text) const;
    const SimElement& title(const QString& text) const;
    const SimElement& identifier(const QString& text) const;
    const SimElement& domIdentifier(const QString& text) const;
    const SimElement& url(const QString& address) const; // "AXURL" as an address value
    const SimElement& enabled(bool enabled) const;
    const SimElement& editable(bool editable) const;

    // Any attribute may hold any value or answer any error; both replace a derived reading.
    const SimElement& set(const QString& attribute, const ax::Value& value) const;
    const SimElement& fail(const QString& attribute, ax::AXError error) const;
    // Back to the derived reading, or kAttributeUnsupported.
    const SimElement& unset(const QString& attribute) const;
    const SimElement& onParameterized(const QString& attribute, ParameterizedHandler handler) const;
    // Makes the attribute settable; the handler's result is the call's result.
    const SimElement& onSet(const QString& attribute, SetHandler handler) const;

    // Delivers a notification about this element to the observers that added it.
    void post(const QString& notification) const;
    // Takes the element and its descendants out of the tree; handles on them become invalid.
    void remove() const;

    ax::Element element() const;
    operator ax::Element() const { return element(); }
    const std::shared_ptr<SimNode>& node() const { return m_node; }
    bool isNull() const { return !m_node; }

private:
    std::shared_ptr<SimNode> m_node;
};

// One simulated application process.
class SimApp {
public:
    SimApp(ax::Pid pid, std::optional<QString> bundleID, std::optional<QString> name,
           SimAccessibility& accessibility);

    ax::Pid pid() const { return m_pid; }
    const std::optional<QString>& bundleID() const { return m_bundleID; }
    const std::optional<QString>& name() const { return m_name; }
    RunningApplication running() const { return {m_pid, m_bundleID, m_name}; }

    // The application element (role "AXApplication").
    SimElement element() const { return m_element; }
    // Adds a top-level window.
    SimElement window(const QString& title, const Rect& frame);

    // Moves the keyboard focus and posts "AXFocusedUIElementChanged" on the application element.
    void focus(const SimElement& element);
    void clearFocus();
    // The process ends: every handle on its elements becomes invalid.
    void quit();

private:
    ax::Pid m_pid;
    std::optional<QString> m_bundleID;
    std::optional<QString> m_name;
    SimElement m_element;
};

// A whole simulated operating system for tests and benchmarks.
class SimDesktop final : public Desktop {
public:
    SimDesktop();
    ~SimDesktop() override;

    ax::Accessibility& accessibility() override { return m_accessibility; }
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

    SimApp& addApp(ax::Pid pid, std::optional<QString> bundleID, std::optional<QString> name);
    SimApp& app(ax::Pid pid);
    bool hasApp(ax::Pid pid) const { return m_apps.contains(pid); }

    // Brings the application to the front and notifies activation observers.
    void activate(const SimApp& app);
    // No application in front (and observers notified).
    void activateNone();

    void advance(double seconds) { m_clock.advance(seconds); }
    void setTrusted(bool trusted) { m_accessibility.setTrusted(trusted); }
    int calls(const QString& name) const { return m_accessibility.calls(name); }
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
    std::map<ax::Pid, std::unique_ptr<SimApp>> m_apps;
};

} // namespace tandrel::sim
