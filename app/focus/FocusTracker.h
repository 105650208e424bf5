// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

#include "app/focus/AccessibilityActivation.h"
#include "app/focus/AccessibleReads.h"
#include "app/focus/ChatTarget.h"
#include "platform/Clock.h"
#include "platform/Workspace.h"

#include <cstdint>
#include <optional>

// Why a desktop chat's input was accepted or not, once per change (category "tandrel.focus").
Q_DECLARE_LOGGING_CATEGORY(lcLayout)

namespace tandrel {

// Why the last evaluation gave its answer: a reason code, the detail that goes with it, and the
// panel count of the composer surface when a target was found with its composer frame.
struct FocusOutcome {
    enum class Reason {
        composerDetected,
        notTrusted,
        noFrontmostApplication,
        nativeWaylandWindowInFront,
        ownProcessInFront,
        noApplicationIdentifier,
        notOnAccessibilityBus, // detail: the application identifier
        noFocusedElement,
        noAcceptedInput,   // detail: the roles examined, comma-separated
        notAWebPage,       // detail: the application identifier
        pageNotAChat,      // detail: the page address
        codeInput,         // a monospaced input of the prompt-group application
        noComposerSurface, // the prompt-group application exposes no prompt group
        // A read the answer depends on timed out: the application is busy, and nothing is known
        // about its focus. detail: the application identifier
        applicationNotResponding,
    };
    Reason reason = Reason::noFrontmostApplication;
    QString detail;
    // Adjacent panels of the resolved surface, -1 when only the input's frame was found;
    // absent without a target or when the composer frame was not asked for.
    std::optional<std::int64_t> panelCount;

    // The reason in a user's words, for example "no accepted input (roles: other)".
    QString text() const;
    friend bool operator==(const FocusOutcome&, const FocusOutcome&) = default;
};

// One evaluation's whole answer: the target, or none and why.
struct FocusResult {
    std::optional<ChatTarget> target;
    FocusOutcome outcome;

    // No target because a read went unanswered: the application is busy, and nothing is known
    // about its focus.
    bool applicationNotResponding() const {
        return !target && outcome.reason == FocusOutcome::Reason::applicationNotResponding;
    }
};

// Answers whether the keyboard focus of the frontmost application is in the message input of a
// supported chat, and where that input is. Logs (category "tandrel.focus") why it accepted or
// rejected a desktop chat's input, once per change.
class FocusTracker {
public:
    // What it uses of the desktop, which outlive it.
    FocusTracker(a11y::Accessibility& accessibility, Workspace& workspace, Clock& clock);

    // With includeComposerFrame the frame covers the whole visible composer (for placing the
    // palette); without it, only the input (for the sender's quick re-checks).
    FocusResult evaluate(bool includeComposerFrame);
    // The target alone, for callers that need no reason.
    std::optional<ChatTarget> current(bool includeComposerFrame) {
        return evaluate(includeComposerFrame).target;
    }

    const std::optional<QString>& lastDecision() const { return m_lastDecision; }
    const std::optional<std::int64_t>& lastPanelCount() const { return m_lastPanelCount; }
    const AccessibilityActivation& accessibilityActivation() const { return m_activation; }
    const AccessibleReads& reads() const { return m_reads; }

private:
    struct Input {
        a11y::Element element;
        Rect frame;
    };

    std::optional<ChatTarget> find(bool includeComposerFrame);
    std::optional<Input> findInput(const a11y::Element& focused, QStringList& roles) const;
    // Records why there is no target. Once the application has been asked, a refusal while one
    // of its reads went unanswered is put down to that, whatever the reads that did answer said.
    std::nullopt_t refuse(FocusOutcome::Reason reason, QString detail = {});
    void recordDecision(const QString& decision, const QString& chat);
    void recordPanelCount(const std::optional<ComposerLayout>& layout);

    a11y::Accessibility& m_accessibility;
    Workspace& m_workspace;
    Clock& m_clock;
    AccessibleReads m_reads;
    AccessibilityActivation m_activation;
    std::optional<std::int64_t> m_lastPanelCount;
    std::optional<QString> m_lastDecision;
    FocusOutcome m_outcome;
    // The application asked in this evaluation, and the unanswered-read count before asking it.
    QString m_askedChat;
    int m_unansweredBeforeAsking = 0;
};

} // namespace tandrel
