// SPDX-License-Identifier: MIT

// What a program costs while nothing changes: CPU time and resident memory over a quiet minute
// with Chromium's chat composer focused, against a minimal Qt tray program measured in the same
// run. Starts the end-to-end harness's private desktop unless TANDREL_BENCH_USE_CURRENT_DESKTOP
// is set.
//
//   bench-idle [--seconds N] [--program PATH [ARGUMENTS...]]
//
// Without --program it measures tandrel-inspect in watch mode.

#include "testing/DesktopSession.h"
#include "testing/Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

using namespace tandrel;

namespace {

struct Sample {
    double cpuSeconds = 0; // user and system time
    double rssMiB = 0;
};

// CPU time from the scheduler's nanosecond counters of every thread: an idle program's clock
// ticks (/proc/PID/stat) are often all zero over a minute, which makes no baseline.
std::optional<Sample> sample(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!tasks.exists() || !status.open(QIODevice::ReadOnly))
        return std::nullopt;
    Sample s;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            s.cpuSeconds += schedstat.readAll().split(' ').first().toDouble() / 1e9;
    }
    for (const QByteArray& row : status.readAll().split('\n')) {
        if (row.startsWith("VmRSS:"))
            s.rssMiB = row.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return s;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Measured {
    QString name;
    std::unique_ptr<QProcess> process;
    Sample start;
    Sample end;
    double cpu() const { return end.cpuSeconds - start.cpuSeconds; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 60;
    QString program = QStringLiteral(TANDREL_INSPECT_PATH);
    QStringList arguments;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--seconds") && i + 1 < args.size()) {
            seconds = args[++i].toInt();
        } else if (args[i] == QLatin1String("--program") && i + 1 < args.size()) {
            program = args[++i];
            arguments = args.mid(i + 1);
            break;
        } else {
            std::fprintf(stderr, "usage: bench-idle [--seconds N] [--program PATH [ARGS...]]\n");
            return 2;
        }
    }

    std::unique_ptr<e2e::DesktopSession> session;
    if (qEnvironmentVariableIsEmpty("TANDREL_BENCH_USE_CURRENT_DESKTOP")) {
        QString error;
        session = std::make_unique<e2e::DesktopSession>();
        if (!session->start(&error) || !session->open(e2e::textareaPage(), &error)) {
            std::fprintf(stderr, "bench-idle: the private desktop did not start: %s\n",
                         qPrintable(error));
            return 1;
        }
    }

    Measured measured[2] = {{QStringLiteral("minimal Qt tray program"), nullptr, {}, {}},
                            {QFileInfo(program).fileName(), nullptr, {}, {}}};
    const QString programs[2] = {QStringLiteral(TANDREL_MINIMAL_QT_PATH), program};
    const QStringList programArguments[2] = {{}, arguments};
    for (int k = 0; k < 2; ++k) {
        measured[k].process = std::make_unique<QProcess>();
        measured[k].process->setStandardOutputFile(QProcess::nullDevice());
        measured[k].process->setStandardErrorFile(QProcess::nullDevice());
        measured[k].process->start(programs[k], programArguments[k]);
        if (!measured[k].process->waitForStarted(10000)) {
            std::fprintf(stderr, "bench-idle: %s did not start\n", qPrintable(programs[k]));
            return 1;
        }
    }
    runEventLoop(5000); // both settle: connections made, first evaluations done
    for (Measured& m : measured) {
        const auto s = sample(m.process->processId());
        if (!s) {
            std::fprintf(stderr, "bench-idle: %s exited early\n", qPrintable(m.name));
            return 1;
        }
        m.start = *s;
    }
    runEventLoop(seconds * 1000);
    for (Measured& m : measured) {
        const auto s = sample(m.process->processId());
        if (!s) {
            std::fprintf(stderr, "bench-idle: %s exited during the run\n", qPrintable(m.name));
            return 1;
        }
        m.end = *s;
    }

    const Measured& base = measured[0];
    std::printf("Idle for %d s with the chat composer focused:\n", seconds);
    std::printf("  %-26s %9s %9s %9s %10s %10s\n", "program", "CPU ms", "% core", "RSS MiB",
                "CPU ratio", "RSS ratio");
    for (const Measured& m : measured) {
        std::printf("  %-26s %9.1f %9.4f %9.1f %10.2f %10.2f\n", qPrintable(m.name),
                    m.cpu() * 1000.0, 100.0 * m.cpu() / seconds, m.end.rssMiB,
                    base.cpu() > 0 ? m.cpu() / base.cpu() : 0.0,
                    base.end.rssMiB > 0 ? m.end.rssMiB / base.end.rssMiB : 0.0);
    }
    std::fflush(stdout);
    for (Measured& m : measured) {
        m.process->terminate();
        if (!m.process->waitForFinished(5000))
            m.process->kill();
        m.process->waitForFinished(5000);
    }
    return 0;
}
