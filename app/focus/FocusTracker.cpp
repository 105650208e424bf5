#include "app/focus/FocusTracker.h"

#include "core/ComposerPolicy.h"
#include "platform/Logging.h"

namespace tandrel {

namespace {

// Requests to a hung application give up after this long, so an evaluation never freezes us.
constexpr float kMessagingTimeout = 0.15f;
// The focused element and its first three ancestors: chat inputs often take focus on an inner
// element of the real input.
constexpr int kMaxInputCandidates = 4;

const QString kOpenCodeBundle = QStringLiteral("ai.opencode.desktop");
const QString kMonospaceClass = QStringLiteral("font-mono");

const QString kHintAttributes[] = {
    QStringLiteral("AXPlaceholderValue"),
    QStringLiteral("AXDescription"),
    QStringLiteral("AXTitle"),
    QStringLiteral("AXIdentifier"),
    QStringLiteral("AXDOMIdentifier"),
};

} // namespace

FocusTracker::FocusTracker(Desktop& desktop) : m_desktop(desktop), m_ax(desktop.accessibility()) {}

std::optional<ChatTarget> FocusTracker::current(bool includeComposerFrame) {
    ax::Accessibility& accessibility = m_desktop.accessibility();
    if (!accessibility.isProcessTrusted())
        return std::nullopt;

    const std::optional<RunningApplication> front = m_desktop.workspace().frontmostApplication();
    if (!front || !front->bundleIdentifier || !front->processIdentifier ||
        *front->processIdentifier == m_desktop.workspace().ownProcessIdentifier())
        return std::nullopt;
    const ax::Pid pid = *front->processIdentifier;
    const QString bundle = *front->bundleIdentifier;
    const bool desktopChat = ComposerPolicy::bundleIDs().contains(bundle);
    const bool openCode = bundle == kOpenCodeBundle;

    const AX::Evaluation evaluation(m_ax);
    const ax::Element application = accessibility.createApplication(pid);
    accessibility.setMessagingTimeout(application, kMessagingTimeout);
    std::optional<ax::Element> focused =
        m_ax.element(application, QStringLiteral("AXFocusedUIElement"));

    if (desktopChat)
        focused =
            m_activation.run(m_ax, application, pid, bundle, m_desktop.clock().uptime(), focused);
    if (!focused) {
        recordDecision(QStringLiteral("no focused element"), bundle);
        return std::nullopt;
    }

    QStringList roles;
    const std::optional<Input> input = findInput(*focused, roles);
    if (!input) {
        recordDecision(QStringLiteral("no accepted input (roles: %1)").arg(roles.join(", ")),
                       bundle);
        return std::nullopt;
    }

    std::optional<QUrl> documentURL;
    if (!desktopChat) {
        documentURL = m_ax.webURL(input->element);
        if (!documentURL || !ComposerPolicy::acceptsWebURL(*documentURL))
            return std::nullopt;
    }

    std::optional<ComposerLayout> layout;
    if (includeComposerFrame || openCode)
        layout = m_ax.composerLayout(input->element, openCode);
    if (openCode) {
        // The prompt application's monospace inputs are its terminal and code views.
        if (m_ax.stringList(input->element, QStringLiteral("AXDOMClassList"))
                .contains(kMonospaceClass))
            return std::nullopt;
        if (!layout)
            return std::nullopt;
    }
    if (includeComposerFrame)
        recordPanelCount(layout);

    recordDecision(QStringLiteral("composer detected"), bundle);

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
        roles.append(m_ax.string(current, QStringLiteral("AXRole")));
        QStringList hints;
        for (const QString& attribute : kHintAttributes)
            hints.append(m_ax.string(current, attribute));
        const QString subrole = m_ax.string(current, QStringLiteral("AXSubrole"));
        const std::optional<bool> editable = m_ax.boolean(current, QStringLiteral("AXEditable"));

        if (ComposerPolicy::accepts(roles.back(), subrole, hints.join(' '), editable) &&
            m_ax.boolean(current, QStringLiteral("AXEnabled")) != false) {
            if (const auto frame = m_ax.frame(current))
                return Input{current, *frame};
        }
        if (examined == kMaxInputCandidates)
            return std::nullopt;
        const auto parent = m_ax.element(current, QStringLiteral("AXParent"));
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
