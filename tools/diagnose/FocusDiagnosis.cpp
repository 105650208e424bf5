#include "tools/diagnose/FocusDiagnosis.h"

#include "core/ComposerPolicy.h"

namespace tandrel::diagnosis {

namespace {

constexpr int kInputSearchDepth = 4; // the tracker looks at the focused element and 3 ancestors

const QStringList kHintAttributes{
    QStringLiteral("AXPlaceholderValue"), QStringLiteral("AXDescription"),
    QStringLiteral("AXTitle"), QStringLiteral("AXIdentifier"), QStringLiteral("AXDOMIdentifier")};

} // namespace

FocusDiagnosis::FocusDiagnosis(Desktop& desktop) : m_desktop(desktop), m_tracker(desktop) {}

FocusAnswer FocusDiagnosis::evaluate() {
    FocusAnswer answer;
    m_lastTarget = m_tracker.current(true);
    const std::optional<ChatTarget>& target = m_lastTarget;
    const std::optional<RunningApplication> app = m_desktop.workspace().frontmostApplication();
    if (target) {
        TargetSummary t;
        t.pid = target->pid;
        t.bundle = app && app->bundleIdentifier ? *app->bundleIdentifier : QString();
        t.appName = target->appName;
        t.role = m_tracker.ax().string(target->element, QStringLiteral("AXRole"));
        t.frame = target->frame;
        t.panelCount = m_tracker.lastPanelCount().value_or(-1);
        if (target->documentURL)
            t.url = target->documentURL->toString();
        answer.target = t;
        answer.decision = QStringLiteral("composer detected");
        return answer;
    }
    if (!m_desktop.accessibility().isProcessTrusted()) {
        answer.decision = QStringLiteral("not trusted for accessibility");
        return answer;
    }
    if (!app || !app->processIdentifier) {
        answer.decision = QStringLiteral("no frontmost application");
        return answer;
    }
    answer.decision = reasonForNoTarget(*app);
    return answer;
}

QString FocusDiagnosis::reasonForNoTarget(const RunningApplication& app) {
    if (*app.processIdentifier == m_desktop.workspace().ownProcessIdentifier())
        return QStringLiteral("this program is in front");
    if (!app.bundleIdentifier)
        return QStringLiteral("the frontmost application has no identifier");
    const QString& bundle = *app.bundleIdentifier;
    if (ComposerPolicy::bundleIDs().contains(bundle)) {
        // The tracker said why; its record reads "<bundle>: <decision>". It records nothing when
        // it turns down a code input or an unexposed surface (OpenCode), so a record of another
        // application, or of an earlier detection, is not the reason.
        const QString prefix = bundle + QStringLiteral(": ");
        const std::optional<QString>& decision = m_tracker.lastDecision();
        if (decision && decision->startsWith(prefix) &&
            decision->mid(prefix.size()) != QLatin1String("composer detected"))
            return decision->mid(prefix.size());
        return QStringLiteral("a code input, or no composer surface");
    }

    const AX& ax = m_tracker.ax();
    AX::Evaluation evaluation(ax);
    const ax::Element application =
        m_desktop.accessibility().createApplication(*app.processIdentifier);
    if (application.isNull())
        return QStringLiteral("%1 is not on the accessibility bus").arg(bundle);
    const std::optional<ax::Element> focused =
        ax.element(application, QStringLiteral("AXFocusedUIElement"));
    if (!focused)
        return QStringLiteral("no focused element");

    QStringList roles;
    std::optional<ax::Element> current = focused;
    std::optional<ax::Element> input;
    for (int i = 0; i < kInputSearchDepth && current; ++i) {
        const QString role = ax.string(*current, QStringLiteral("AXRole"));
        roles << role;
        QStringList hints;
        for (const QString& attribute : kHintAttributes)
            hints << ax.string(*current, attribute);
        if (ComposerPolicy::accepts(role, ax.string(*current, QStringLiteral("AXSubrole")),
                                    hints.join(QLatin1Char(' ')),
                                    ax.boolean(*current, QStringLiteral("AXEditable"))) &&
            ax.boolean(*current, QStringLiteral("AXEnabled")) != false && ax.frame(*current)) {
            input = current;
            break;
        }
        current = ax.element(*current, QStringLiteral("AXParent"));
    }
    if (!input)
        return QStringLiteral("no accepted input (roles: %1)")
            .arg(roles.join(QStringLiteral(", ")));
    const std::optional<QUrl> url = ax.webURL(*input);
    if (!url)
        return QStringLiteral("not a web page (%1 is not a desktop chat)").arg(bundle);
    if (!ComposerPolicy::acceptsWebURL(*url))
        return QStringLiteral("page is not a chat (%1)").arg(url->toString());
    return QStringLiteral("the input went away while it was read");
}

} // namespace tandrel::diagnosis
