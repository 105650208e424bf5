// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXNames.h"
#include "platform/AXValue.h"

#include <functional>
#include <memory>

namespace tandrel::ax {

// Receives the notifications added to it. Destroying the observer stops every delivery.
// An observer, like every element handle, must be destroyed before the desktop it came from
// (see Desktop).
class Observer {
public:
    virtual ~Observer() = default;
    virtual AXError addNotification(const Element& element, const QString& notification) = 0;
    virtual AXError removeNotification(const Element& element, const QString& notification) = 0;
};

// Called on the main thread with the element that changed and the notification's name.
using ObserverCallback = std::function<void(const Element& element, const QString& notification)>;

struct ObserverCreation {
    AXError error = kFailure;
    std::unique_ptr<Observer> observer; // present only when error is kSuccess
};

// The accessibility interface of the desktop, with attribute and notification names as the
// focus rules spell them ("AXRole", "AXFocusedUIElement", "AXValueChanged"). Implementations
// never throw: every failure is an error code.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process may read other applications' elements.
    virtual bool isProcessTrusted() = 0;
    // The same check; with prompt set, also asks the desktop to grant access.
    virtual bool isProcessTrustedWithPrompt(bool prompt) = 0;

    virtual Element createApplication(Pid pid) = 0;
    virtual AXError setMessagingTimeout(const Element& element, float seconds) = 0;

    virtual Reading copyAttributeValue(const Element& element, const QString& attribute) = 0;
    virtual Reading copyParameterizedAttributeValue(const Element& element,
                                                    const QString& attribute,
                                                    const Value& parameter) = 0;
    virtual AXError setAttributeValue(const Element& element, const QString& attribute,
                                      const Value& value) = 0;

    virtual ObserverCreation createObserver(Pid pid, ObserverCallback callback) = 0;

    // Bracket one evaluation of the focus (called by the outermost scope only, always in pairs).
    // In between, an implementation may answer several attributes of one element from a single
    // request to the application; it must drop such shared answers at the end, or on any write.
    virtual void beginEvaluation() {}
    virtual void endEvaluation() {}
};

} // namespace tandrel::ax
