// SPDX-License-Identifier: MIT
#include "app/focus/FocusTracker.h"

#include "core/ComposerPolicy.h"

Q_LOGGING_CATEGORY(lcLayout, "tandrel.focus", QtInfoMsg)

namespace tandrel {

namespace {

// Requests to a hung application give up after this long, so an evaluation never freezes us.
constexpr std::chrono::milliseconds kReplyTimeout{150};
// The focused element and its first three ancestors: chat inputs often take focus on an inner
// element of the real input.
constexpr int kMaxInputCandidates = 4;

const QString kOpenCode = QStringLiteral("ai.opencode.desktop");
const QString kMonospaceClass = QStringLiteral("font-mono");

constexpr a11y::Label kHintLabels[] = {
    a11y::Label::placeholder,
    a11y::Label::description,
    a11y::Label::name,
    a11y::Label::identifier,
};

} // namespace

QString FocusOutcome::text() const {
    switch (reason) {
    case Reason::composerDetected:
        return QStringLiteral("composer detected");
    case Reason::notTrusted:
        return QStringLiteral("not trusted for accessibility");
    case Reason::noFrontmostApplication:
        return QStringLiteral("no frontmost application");
    case Reason::nativeWaylandWindowInFront:
        if (!detail.isEmpty())
            return detail;
        return QStringLiteral("a native Wayland window is in front: Tandrel serves X11 "
                              "applications only (start the browser with --ozone-platform=x11)");
    case Reason::ownProcessInFront:
        return QStringLiteral("this program is in front");
    case Reason::noApplicationIdentifier:
        return QStringLiteral("the frontmost application has no identifier");
    case Reason::notOnAccessibilityBus:
        return QStringLiteral("%1 is not on the accessibility bus").arg(detail);
    case Reason::noFocusedElement:
        return QStringLiteral("no focused element");
    case Reason::noAcceptedInput:
        return QStringLiteral("no accepted input (roles: %1)").arg(detail);
    case Reason::notAWebPage:
        return QStringLiteral("not a web page (%1 is not a desktop chat)").arg(detail);
    case Reason::pageNotAChat:
        return QStringLiteral("page is not a chat (%1)").arg(detail);
    case Reason::codeInput:
        return QStringLiteral("a code input");
    case Reason::noComposerSurface:
        return QStringLiteral("no composer surface");
    case Reason::applicationNotResponding:
        return QStringLiteral("%1 is not responding").arg(detail);
    }
    return {};
}

FocusTracker::FocusTracker(a11y::Accessibility& accessibility, Workspace& workspace, Clock& clock)
    : m_accessibility(accessibility), m_workspace(workspace), m_clock(clock),
      m_reads(accessibility) {}

std::nullopt_t FocusTracker::refuse(FocusOutcome::Reason reason, QString detail) {
    if (!m_askedChat.isEmpty() && m_reads.unansweredReads() != m_unansweredBeforeAsking) {
        reason = FocusOutcome::Reason::applicationNotResponding;
        detail = m_askedChat;
    }
    m_outcome = FocusOutcome{reason, std::move(detail), std::nullopt};
    return std::nullopt;
}

FocusResult FocusTracker::evaluate(bool includeComposerFrame) {
    std::optional<ChatTarget> target = find(includeComposerFrame);
    return {std::move(target), m_outcome};
}

std::optional<ChatTarget> FocusTracker::find(bool includeComposerFrame) {
    using Reason = FocusOutcome::Reason;
    m_askedChat.clear();
    a11y::Accessibility& accessibility = m_accessibility;
    if (!accessibility.isTrusted())
        return refuse(Reason::notTrusted);

    const std::optional<RunningApplication> front = m_workspace.frontmostApplication();
    if (!front || !front->processIdentifier) {
        if (m_workspace.nativeWaylandWindowInFront())
            return refuse(Reason::nativeWaylandWindowInFront,
                          m_workspace.nativeWaylandWindowProblem());
        return refuse(Reason::noFrontmostApplication);
    }
    if (*front->processIdentifier == m_workspace.ownProcessIdentifier())
        return refuse(Reason::ownProcessInFront);
    const std::optional<QString> identity = identityFor(front->names);
    if (!identity)
        return refuse(Reason::noApplicationIdentifier);
    const a11y::Pid pid = *front->processIdentifier;
    const QString& chat = *identity;
    const bool desktopChat = ComposerPolicy::desktopChatIDs().contains(chat);
    const bool openCode = chat == kOpenCode;

    const AccessibleReads::Evaluation evaluation(m_reads);
    const a11y::Element application = accessibility.application(pid);
    if (application.isNull() && !desktopChat)
        return refuse(Reason::notOnAccessibilityBus, chat);
    accessibility.setReplyTimeout(kReplyTimeout);
    m_askedChat = chat;
    m_unansweredBeforeAsking = m_reads.unansweredReads();
    std::optional<a11y::Element> focused = m_reads.focusedElement(application);

    if (desktopChat)
        focused = m_activation.run(m_reads, application, pid, chat, m_clock.uptime(), focused);
    if (!focused) {
        refuse(Reason::noFocusedElement);
        recordDecision(m_outcome.text(), chat);
        return std::nullopt;
    }

    QStringList roles;
    const std::optional<Input> input = findInput(*focused, roles);
    if (!input) {
        refuse(Reason::noAcceptedInput, roles.join(QStringLiteral(", ")));
        recordDecision(m_outcome.text(), chat);
        return std::nullopt;
    }

    std::optional<QUrl> documentURL;
    if (!desktopChat) {
        documentURL = m_reads.webURL(input->element);
        if (!documentURL)
            return refuse(Reason::notAWebPage, chat);
        if (!ComposerPolicy::acceptsWebURL(*documentURL))
            return refuse(Reason::pageNotAChat, documentURL->toString());
    }

    std::optional<ComposerLayout> layout;
    if (includeComposerFrame || openCode)
        layout = m_reads.composerLayout(input->element, openCode);
    if (openCode) {
        // The prompt application's monospace inputs are its terminal and code views.
        if (m_reads.classes(input->element).contains(kMonospaceClass))
            return refuse(Reason::codeInput);
        if (!layout)
            return refuse(Reason::noComposerSurface);
    }
    if (includeComposerFrame)
        recordPanelCount(layout);

    recordDecision(QStringLiteral("composer detected"), chat);
    m_outcome = FocusOutcome{Reason::composerDetected, {}, std::nullopt};
    if (includeComposerFrame)
        m_outcome.panelCount = layout ? layout->panelCount : -1;

    ChatTarget target;
    target.pid = pid;
    target.element = input->element;
    target.frame = layout ? layout->frame : input->frame;
    target.appName = front->localizedName.value_or(QString());
    if (target.appName.isEmpty())
        target.appName = QStringLiteral("Chat");
    target.layoutElements = layout ? layout->elements : std::vector<a11y::Element>{input->element};
    target.documentURL = documentURL;
    return target;
}

std::optional<FocusTracker::Input> FocusTracker::findInput(const a11y::Element& focused,
                                                           QStringList& roles) const {
    a11y::Element current = focused;
    for (int examined = 1;; ++examined) {
        const std::optional<a11y::Role> role = m_reads.role(current);
        // An unreadable role shows as an empty entry.
        roles.append(role ? a11y::nameOf(*role) : QString());
        QStringList hints;
        for (const a11y::Label label : kHintLabels)
            hints.append(m_reads.label(current, label));
        const std::optional<bool> editable = m_reads.state(current, a11y::State::editable);

        if (role && ComposerPolicy::accepts(*role, hints.join(' '), editable) &&
            m_reads.state(current, a11y::State::enabled) != false) {
            if (const auto frame = m_reads.frame(current))
                return Input{current, *frame};
        }
        if (examined == kMaxInputCandidates)
            return std::nullopt;
        const auto parent = m_reads.parent(current);
        if (!parent)
            return std::nullopt;
        current = *parent;
    }
}

void FocusTracker::recordPanelCount(const std::optional<ComposerLayout>& layout) {
    const std::int64_t panels = layout ? layout->panelCount : -1;
    if (m_lastPanelCount == panels)
        return;
    m_lastPanelCount = panels;
    if (layout)
        qCInfo(lcLayout, "Composer surface resolved with %ld adjacent panels.",
               static_cast<long>(panels));
    else
        qCInfo(lcLayout, "Composer surface not exposed; using text input bounds.");
}

void FocusTracker::recordDecision(const QString& decision, const QString& chat) {
    // Browsers are asked about constantly; only desktop chats' decisions are worth a line.
    if (!ComposerPolicy::desktopChatIDs().contains(chat))
        return;
    const QString text = chat + QStringLiteral(": ") + decision;
    if (m_lastDecision == text)
        return;
    m_lastDecision = text;
    qCInfo(lcLayout, "Focus detection: %s", qUtf8Printable(text));
}

} // namespace tandrel
