#pragma once

#include "app/focus/FocusTracker.h"
#include "platform/Desktop.h"
#include "tools/diagnose/FocusAnswer.h"

namespace tandrel::diagnosis {

// Asks the focus tracker the palette's question once and reports its answer with the reason.
class FocusDiagnosis {
public:
    explicit FocusDiagnosis(Desktop& desktop);

    FocusAnswer evaluate();
    FocusTracker& tracker() { return m_tracker; }
    // The tracker's target of the last evaluation, for watching its elements.
    const std::optional<ChatTarget>& lastTarget() const { return m_lastTarget; }

private:
    Desktop& m_desktop;
    FocusTracker m_tracker;
    std::optional<ChatTarget> m_lastTarget;
};

} // namespace tandrel::diagnosis
