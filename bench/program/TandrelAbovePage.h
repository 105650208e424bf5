// SPDX-License-Identifier: MIT
#pragma once

#include "bench/support/DesktopBench.h"
#include "testing/DesktopSession.h"
#include "testing/TandrelProgram.h"

#include <QString>

#include <optional>

namespace tandrel::bench {

// Starts the private desktop with the page open, then tandrel with its default prompts, and
// waits for its palette. The opened page; absent with *error saying which step failed.
inline std::optional<e2e::OpenedPage> startTandrelAbovePage(e2e::DesktopSession& session,
                                                            const QString& url,
                                                            e2e::TandrelProgram& tandrel,
                                                            QString* error) {
    if (!session.start(error))
        return std::nullopt;
    std::optional<e2e::OpenedPage> page = session.open(url, error);
    if (!page)
        return std::nullopt;
    if (!tandrel.writeDefaultPrompts() || !tandrel.start({}, error)) {
        *error = QStringLiteral("tandrel did not start: ") + *error;
        return std::nullopt;
    }
    if (!waitUntil([&] { return tandrel.palette().has_value(); })) {
        *error = QStringLiteral("no palette: ") + tandrel.output();
        return std::nullopt;
    }
    return page;
}

} // namespace tandrel::bench
