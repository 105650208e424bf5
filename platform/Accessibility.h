// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AccessibleElement.h"
#include "platform/Result.h"

#include <QStringList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace tandrel::a11y {

// The descriptive texts an element may carry.
enum class Label {
    name,        // its accessible name (a title or a label)
    description, // its accessible description
    placeholder, // the hint shown while an input is empty
    identifier,  // its element id
    tagName,     // the markup tag of a page's element ("form", "div", …)
};

// The states the composer rules ask about.
enum class State { enabled, editable };

// What changes an observer can be told about. The first two are about a whole application (a
// registration on its application element covers every element of it); the rest about the very
// element registered.
enum class Change {
    focus,     // the keyboard focus moved
    window,    // another window of it became active
    bounds,    // the element moved or was resized
    layout,    // children came or went, or what is shown changed
    text,      // the element's text changed
    destroyed, // the element went away
};

// Every question the interface answers about an element, for the callers that remember or count
// them.
enum class Question {
    role,
    name,
    description,
    placeholder,
    identifier,
    tagName,
    classes,
    enabled,
    editable,
    frame,
    parent,
    children,
    window,
    focusedElement,
    address,
    text,
    isAwake,
    wake,
};
Question questionOf(Label label);
Question questionOf(State state);
const char* nameOf(Question question);

// Receives the changes registered with it. Destroying the observer stops every delivery. An
// observer, like every element handle, must be destroyed before the desktop it came from (see
// Desktop).
class Observer {
public:
    virtual ~Observer() = default;
    // Registering twice, or removing what was never registered, does nothing.
    virtual void watch(const Element& element, Change change) = 0;
    virtual void unwatch(const Element& element, Change change) = 0;
};

// Called on the main thread with the element that changed and what changed.
using ObserverCallback = std::function<void(const Element& element, Change change)>;

// The desktop's accessibility interface: other programs' elements and what they tell of
// themselves, in typed answers. Implementations never throw: every failure is a Failure.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process may read other applications' elements.
    virtual bool isTrusted() = 0;
    // Asks the desktop to turn accessibility on when it is off; answers as isTrusted().
    virtual bool askForTrust() = 0;

    // The application element of a process; a null element when the process has none.
    virtual Element application(Pid pid) = 0;
    // How long any one question may wait for the other program's reply.
    virtual void setReplyTimeout(std::chrono::milliseconds timeout) = 0;

    virtual Result<Role> role(const Element& element) = 0;
    virtual Result<QString> label(const Element& element, Label label) = 0;
    // The CSS classes of a page's element.
    virtual Result<QStringList> classes(const Element& element) = 0;
    virtual Result<bool> state(const Element& element, State state) = 0;
    // Where the element is on the screen, in the desktop's logical coordinates.
    virtual Result<Rect> frame(const Element& element) = 0;
    virtual Result<Element> parent(const Element& element) = 0;
    virtual Result<std::vector<Element>> children(const Element& element) = 0;
    // The window the element is in.
    virtual Result<Element> window(const Element& element) = 0;
    // The element with the keyboard focus in an application (asked of its application element).
    virtual Result<Element> focusedElement(const Element& application) = 0;
    // The address of a web document.
    virtual Result<QUrl> address(const Element& webDocument) = 0;
    // The text of an input, and with `withSelection` its selection, read together.
    virtual Result<TextContent> text(const Element& element, bool withSelection) = 0;

    // Programs built on web content may keep their tree asleep until a client asks for it:
    // whether the application shows its content, and the request to show it.
    virtual Result<bool> isAwake(const Element& application) = 0;
    virtual Result<Done> wake(const Element& application) = 0;

    virtual Result<std::unique_ptr<Observer>> observe(Pid pid, ObserverCallback callback) = 0;

    // Bracket one evaluation of the focus (called by the outermost scope only, always in pairs).
    // In between, an implementation may answer several questions about one element from a single
    // request to the application; it must drop such shared answers at the end, or on any write.
    virtual void beginEvaluation() {}
    virtual void endEvaluation() {}
};

} // namespace tandrel::a11y
