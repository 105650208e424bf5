// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>

namespace tandrel::test {

// A QCoreApplication for the tests of one process that need an event loop; made once, by the
// first suite that asks, and kept until the process ends.
inline void ensureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tandrel-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

} // namespace tandrel::test
