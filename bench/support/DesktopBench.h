// SPDX-License-Identifier: MIT
#pragma once

// What the benchmarks on the private desktop share: waiting without blocking the event loop (the
// desktop layer and the session deliver through it), the page's next sent message, percentiles
// and a failure line.

#include "testing/DesktopSession.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace tandrel::bench {

// Runs the event loop in steps of pollMs until the condition holds or timeoutMs pass; answers
// the condition's last value. Fine steps keep the waiting out of the measured latencies.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000,
                      int pollMs = 5) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(pollMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The page's stamp (ms since the epoch) of the next message it sends, or -1 after ten seconds.
inline qint64 nextSent(e2e::DesktopSession& session) {
    QString error;
    qint64 at = -1;
    waitUntil([&] {
        const auto sent = session.takeSent(&error);
        if (sent && !sent->empty())
            at = sent->back().at;
        return at >= 0;
    });
    return at;
}

// The value below which the fraction p of the values lie (nearest rank); values is not empty.
inline double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::size_t(p * double(values.size() - 1) + 0.5)];
}

// Prints "<tool>: <message>" on stderr and answers the exit status of a failed run.
inline int fail(const char* tool, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", tool, qUtf8Printable(message));
    return 1;
}

} // namespace tandrel::bench
