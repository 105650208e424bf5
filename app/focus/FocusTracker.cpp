// SPDX-License-Identifier: MIT
#include "app/focus/FocusTracker.h"
#include "platform/AXNames.h"

#include "core/ComposerPolicy.h"

Q_LOGGING_CATEGORY(lcLayout, "tandrel.focus", QtInfoMsg)

namespace tandrel {

namespace {

// Requests to a hung application give up after this long, so an evaluation never freezes us.
constexpr float kMessagingTimeout = 0.15f;
// The focused element and its first three ancestors: chat inputs often take focus on an inner
// element of the real input.
constexpr int kMaxInputCandidates = 4;

const QString kOpenCodeBundle = QStringLiteral("ai.opencode.desktop");
const QString kMonospaceClass = QStringLiteral("font-mono");

constexpr QLatin1String kHintAttributes[] = {
    ax::attr::placeholderValue, ax::attr::description,   ax::attr::title,
    ax::attr::identifier,       ax::attr::domIdentifier,
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

FocusTracker::FocusTracker(Desktop& desktop) : m_desktop(desktop), m_ax(desktop.accessibility()) {}

std::nullopt_t FocusTracker::refuse(FocusOutcome::Reason reason, QString detail) {
    if (!m_askedBundle.isEmpty() && m_ax.unansweredReads() != m_unansweredBeforeAsking) {
        reason = FocusOutcome::Reason::applicationNotResponding;
        detail = m_askedBundle;
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
    m_askedBundle.clear();
    ax::Accessibility& accessibility = m_desktop.accessibility();
    if (!accessibility.isProcessTrusted())
        return refuse(Reason::notTrusted);

    const std::optional<RunningApplication> front = m_desktop.workspace().frontmostApplication();
    if (!front || !front->processIdentifier) {
        Workspace& workspace = m_desktop.workspace();
        if (workspace.nativeWaylandWindowInFront())
            return refuse(Reason::nativeWaylandWindowInFront,
                          workspace.nativeWaylandWindowProblem());
        return refuse(Reason::noFrontmostApplication);
    }
    if (*front->processIdentifier == m_desktop.workspace().ownProcessIdentifier())
        return refuse(Reason::ownProcessInFront);
    if (!front->bundleIdentifier)
        return refuse(Reason::noApplicationIdentifier);
    const ax::Pid pid = *front->processIdentifier;
    const QString bundle = *front->bundleIdentifier;
    const bool desktopChat = ComposerPolicy::bundleIDs().contains(bundle);
    const bool openCode = bundle == kOpenCodeBundle;

    const AX::Evaluation evaluation(m_ax);
    const ax::Element application = accessibility.createApplication(pid);
    if (application.isNull() && !desktopChat)
        return refuse(Reason::notOnAccessibilityBus, bundle);
    accessibility.setMessagingTimeout(application, kMessagingTimeout);
    m_askedBundle = bundle;
    m_unansweredBeforeAsking = m_ax.unansweredReads();
    std::optional<ax::Element> focused = m_ax.element(application, ax::attr::focusedUIElement);

    if (desktopChat)
        focused =
            m_activation.run(m_ax, application, pid, bundle, m_desktop.clock().uptime(), focused);
    if (!focused) {
        refuse(Reason::noFocusedElement);
        recordDecision(m_outcome.text(), bundle);
        return std::nullopt;
    }

    QStringList roles;
    const std::optional<Input> input = findInput(*focused, roles);
    if (!input) {
        refuse(Reason::noAcceptedInput, roles.join(QStringLiteral(", ")));
        recordDecision(m_outcome.text(), bundle);
        return std::nullopt;
    }

    std::optional<QUrl> documentURL;
    if (!desktopChat) {
        documentURL = m_ax.webURL(input->element);
        if (!documentURL)
            return refuse(Reason::notAWebPage, bundle);
        if (!ComposerPolicy::acceptsWebURL(*documentURL))
            return refuse(Reason::pageNotAChat, documentURL->toString());
    }

    std::optional<ComposerLayout> layout;
    if (includeComposerFrame || openCode)
        layout = m_ax.composerLayout(input->element, openCode);
    if (openCode) {
        // The prompt application's monospace inputs are its terminal and code views.
        if (m_ax.stringList(input->element, ax::attr::domClassList).contains(kMonospaceClass))
            return refuse(Reason::codeInput);
        if (!layout)
            return refuse(Reason::noComposerSurface);
    }
    if (includeComposerFrame)
        recordPanelCount(layout);

    recordDecision(QStringLiteral("composer detected"), bundle);
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
    target.layoutElements = layout ? layout->elements : std::vector<ax::Element>{input->element};
    target.documentURL = documentURL;
    return target;
}

std::optional<FocusTracker::Input> FocusTracker::findInput(const ax::Element& focused,
                                                           QStringList& roles) const {
    ax::Element current = focused;
    for (int examined = 1;; ++examined) {
        roles.append(m_ax.string(current, ax::attr::role));
        QStringList hints;
        for (const QLatin1String attribute : kHintAttributes)
            hints.append(m_ax.string(current, attribute));
        const QString subrole = m_ax.string(current, ax::attr::subrole);
        const std::optional<bool> editable = m_ax.boolean(current, ax::attr::editable);

        if (ComposerPolicy::accepts(roles.back(), subrole, hints.join(' '), editable) &&
            m_ax.boolean(current, ax::attr::enabled) != false) {
            if (const auto frame = m_ax.frame(current))
                return Input{current, *frame};
        }
        if (examined == kMaxInputCandidates)
            return std::nullopt;
        const auto parent = m_ax.element(current, ax::attr::parent);
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

void FocusTracker::recordDecision(const QString& decision, const QString& bundle) {
    // Browsers are asked about constantly; only desktop chats' decisions are worth a line.
    if (!ComposerPolicy::bundleIDs().contains(bundle))
        return;
    const QString text = bundle + QStringLiteral(": ") + decision;
    if (m_lastDecision == text)
        return;
    m_lastDecision = text;
    qCInfo(lcLayout, "Focus detection: %s", qUtf8Printable(text));
}

} // namespace tandrel
