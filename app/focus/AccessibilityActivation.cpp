// SPDX-License-Identifier: MIT
#include "app/focus/AccessibilityActivation.h"
#include "platform/AXNames.h"

#include "app/focus/AX.h"
#include "app/focus/FocusTracker.h"

namespace tandrel {

namespace {

constexpr QLatin1String kManualAccessibility = ax::attr::manualAccessibility;
constexpr QLatin1String kEnhancedUserInterface = ax::attr::enhancedUserInterface;
const QString kFocusedUIElement = ax::attr::focusedUIElement;

ax::AXError setLogged(const AX& ax, const ax::Element& application, const QString& bundle,
                      const QString& attribute) {
    const ax::AXError result = ax.set(application, attribute, ax::Boolean{true});
    qCInfo(lcLayout, "Accessibility activation: %s %s result: %d", qUtf8Printable(bundle),
           qUtf8Printable(attribute), result);
    return result;
}

bool meansUnsupported(ax::AXError error) {
    return error == ax::kNotImplemented || error == ax::kAttributeUnsupported;
}

} // namespace

void AccessibilityActivation::activate(const AX& ax, const ax::Element& application, ax::Pid pid,
                                       const QString& bundle) {
    const ax::AXError manual = setLogged(ax, application, bundle, kManualAccessibility);
    if (manual == ax::kSuccess) {
        m_manual.insert(pid);
        m_finished.insert(pid);
        return;
    }
    if (!meansUnsupported(manual))
        return; // tried again once the retry interval has passed
    const ax::AXError enhanced = setLogged(ax, application, bundle, kEnhancedUserInterface);
    if (enhanced == ax::kSuccess || meansUnsupported(enhanced)) {
        m_manual.erase(pid);
        m_finished.insert(pid);
    }
}

std::optional<ax::Element> AccessibilityActivation::run(const AX& ax,
                                                        const ax::Element& application, ax::Pid pid,
                                                        const QString& bundle, double now,
                                                        const std::optional<ax::Element>& focused) {
    const auto refocused = [&]() -> std::optional<ax::Element> {
        if (focused)
            return focused;
        ax.forget(application, kFocusedUIElement);
        return ax.element(application, kFocusedUIElement);
    };

    const auto due = m_retryAfter.find(pid);
    if (due != m_retryAfter.end() && now < due->second)
        return refocused();

    if (m_finished.contains(pid)) {
        if (!m_manual.contains(pid) || focused)
            return refocused();
        // An application that accepted manual accessibility but shows no focus may have reset
        // the attribute (a relaunched renderer does): check, at most every retry interval.
        m_retryAfter[pid] = now + retryInterval;
        if (ax.boolean(application, kManualAccessibility) != false)
            return refocused();
    } else {
        m_retryAfter[pid] = now + retryInterval;
    }
    activate(ax, application, pid, bundle);
    return refocused();
}

} // namespace tandrel
