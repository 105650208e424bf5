#pragma once

#include "app/focus/AX.h"
#include "app/focus/AccessibilityActivation.h"
#include "app/focus/ChatTarget.h"
#include "platform/Desktop.h"

#include <cstdint>
#include <optional>

namespace tandrel {

// Answers whether the keyboard focus of the frontmost application is in the message input of a
// supported chat, and where that input is. Logs (category "Layout") why it accepted or rejected a
// desktop chat's input, once per change.
class FocusTracker {
public:
    explicit FocusTracker(Desktop& desktop);

    // With includeComposerFrame the frame covers the whole visible composer (for placing the
    // palette); without it, only the input (for the sender's quick re-checks).
    std::optional<ChatTarget> current(bool includeComposerFrame);

    const std::optional<QString>& lastDecision() const { return m_lastDecision; }
    const std::optional<std::int64_t>& lastPanelCount() const { return m_lastPanelCount; }
    const AccessibilityActivation& accessibilityActivation() const { return m_activation; }
    const AX& ax() const { return m_ax; }

private:
    struct Input {
        ax::Element element;
        Rect frame;
    };

    std::optional<Input> findInput(const ax::Element& focused, QStringList& roles) const;
    void recordDecision(const QString& decision, const QString& bundle);
    void recordPanelCount(const std::optional<ComposerLayout>& layout);

    Desktop& m_desktop;
    AX m_ax;
    AccessibilityActivation m_activation;
    std::optional<std::int64_t> m_lastPanelCount;
    std::optional<QString> m_lastDecision;
};

} // namespace tandrel
