// SPDX-License-Identifier: MIT
#pragma once

#include "app/focus/FocusTracker.h"
#include "platform/Desktop.h"
#include "tools/diagnose/FocusAnswer.h"

#include <functional>

namespace tandrel::diagnosis {

// Asks the focus tracker the palette's question once and reports its answer with the reason.
// For a web browser it adds what a user can do where the browser's accessibility started late.
class FocusDiagnosis {
public:
    using BrowserTest = std::function<bool(const QString& identity)>;
    explicit FocusDiagnosis(Desktop& desktop, BrowserTest isBrowser = {});

    FocusAnswer evaluate();
    FocusTracker& tracker() { return m_tracker; }
    // The tracker's target of the last evaluation, for watching its elements.
    const std::optional<ChatTarget>& lastTarget() const { return m_lastTarget; }

private:
    QString decisionFor(const FocusOutcome& outcome) const;

    Desktop& m_desktop;
    BrowserTest m_isBrowser;
    FocusTracker m_tracker;
    std::optional<ChatTarget> m_lastTarget;
};

} // namespace tandrel::diagnosis
