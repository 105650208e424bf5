// SPDX-License-Identifier: MIT

// tandrel-inspect: tells a user whether, and why not, the palette would show for what has the
// keyboard focus right now.

#include "app/focus/FocusObservation.h"
#include "core/ApplicationNames.h"
#include "platform/linux/LinuxDesktop.h"
#include "tools/diagnose/FocusAnswer.h"
#include "tools/diagnose/FocusDiagnosis.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <optional>

using namespace tandrel;

namespace {

// An application whose tree was asleep needs a moment after the first request to build it.
constexpr int kWakeAllowanceMs = 2000;
constexpr int kRetryIntervalMs = 100;
constexpr double kPollInterval = 1.0;

void print(const diagnosis::FocusAnswer& answer, bool json) {
    const QByteArray line = json ? diagnosis::toJson(answer) : diagnosis::toLine(answer).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int runOnce(diagnosis::FocusDiagnosis& inspector, bool json) {
    const QDeadlineTimer deadline(kWakeAllowanceMs);
    diagnosis::FocusAnswer answer = inspector.evaluate();
    while (!answer.target && !deadline.hasExpired()) {
        // Let AT-SPI events (focus, a tree that woke up) arrive between attempts.
        QEventLoop wait;
        QTimer::singleShot(kRetryIntervalMs, &wait, &QEventLoop::quit);
        wait.exec();
        answer = inspector.evaluate();
    }
    print(answer, json);
    return 0;
}

// Evaluates once a second and on every observed change, printing each change of answer.
class Watch {
public:
    Watch(Desktop& desktop, bool json)
        : m_desktop(desktop), m_inspector(desktop, isWebBrowser),
          m_observation(desktop.accessibility(), desktop.workspace(), desktop.clock()),
          m_json(json) {
        QObject::connect(&m_observation, &FocusObservation::changed, [this] { evaluate(); });
        m_timer = desktop.clock().repeat(kPollInterval, 0.1, [this] { evaluate(); });
        evaluate();
    }

private:
    void evaluate() {
        const auto app = m_desktop.workspace().frontmostApplication();
        std::optional<a11y::Pid> pid;
        if (app && app->processIdentifier &&
            *app->processIdentifier != m_desktop.workspace().ownProcessIdentifier() &&
            m_desktop.accessibility().isTrusted())
            pid = app->processIdentifier;
        m_observation.observe(pid, std::nullopt);

        const diagnosis::FocusAnswer answer = m_inspector.evaluate();
        std::vector<a11y::Element> watched;
        if (const auto& target = m_inspector.lastTarget()) {
            watched = target->layoutElements;
            if (auto window = m_inspector.tracker().reads().window(target->element))
                watched.push_back(*window);
        }
        m_observation.observe(pid, watched);
        if (answer != m_last) {
            m_last = answer;
            print(answer, m_json);
        }
    }

    Desktop& m_desktop;
    diagnosis::FocusDiagnosis m_inspector;
    FocusObservation m_observation;
    bool m_json;
    std::unique_ptr<Handle> m_timer;
    std::optional<diagnosis::FocusAnswer> m_last;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tandrel-inspect"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows whether the keyboard focus is in the message input of a supported chat, as "
        "Tandrel sees it through the accessibility interface, and if not, why.\n"
        "Prints one line whenever the answer changes: \"composer detected\" with the "
        "application, role, frame, panel count and page address, or the reason there is "
        "none. Needs an X11 session with the accessibility bus enabled."));
    parser.addHelpOption();
    const QCommandLineOption once(QStringLiteral("once"),
                                  QStringLiteral("Print the current answer and exit (waits up to "
                                                 "two seconds for an application to wake)."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Print each answer as one JSON object: {\"target\": null or {\"pid\", "
                       "\"bundle\", \"role\", \"frame\": [x, y, width, height], \"panelCount\" "
                       "(-1 without a composer surface), \"url\" (null for desktop chats)}, "
                       "\"decision\"}."));
    parser.addOption(once);
    parser.addOption(json);
    parser.process(app);

    QString error;
    std::unique_ptr<LinuxDesktop> desktop = LinuxDesktop::create(&error);
    if (!desktop) {
        std::fprintf(stderr, "tandrel-inspect: %s\n", qPrintable(error));
        return 2;
    }
    if (parser.isSet(once)) {
        diagnosis::FocusDiagnosis inspector(*desktop, isWebBrowser);
        return runOnce(inspector, parser.isSet(json));
    }
    Watch watch(*desktop, parser.isSet(json));
    return app.exec();
}
