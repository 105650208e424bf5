// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>

#include <string_view>

namespace tandrel::e2e {

// The browsers the private desktop can show the fixture pages in.
enum class Browser { Chromium, Firefox };

// The browser of this test run: ctest registers the cases that hold in both browsers twice, once
// with --browser=firefox, which the entry point hands on here (and to the programs a case starts)
// as TANDREL_E2E_BROWSER=firefox. A process keeps a single accessibility connection, so each case
// starts its own private desktop with that one browser.
inline void takeBrowserArgument(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--browser=firefox")
            qputenv("TANDREL_E2E_BROWSER", "firefox");
}

inline Browser browserUnderTest() {
    return qgetenv("TANDREL_E2E_BROWSER") == "firefox" ? Browser::Firefox : Browser::Chromium;
}

inline const char* browserName(Browser browser) {
    return browser == Browser::Firefox ? "firefox" : "chromium";
}

} // namespace tandrel::e2e
