#pragma once

#include <QByteArray>

namespace tandrel::e2e {

// The browsers the private desktop can show the fixture pages in.
enum class Browser { Chromium, Firefox };

// The browser of this test run: ctest registers the cases that hold in both browsers twice, once
// with TANDREL_E2E_BROWSER=firefox in their environment. A process keeps a single accessibility
// connection, so each case starts its own private desktop with that one browser.
inline Browser browserUnderTest() {
    return qgetenv("TANDREL_E2E_BROWSER") == "firefox" ? Browser::Firefox : Browser::Chromium;
}

inline const char* browserName(Browser browser) {
    return browser == Browser::Firefox ? "firefox" : "chromium";
}

} // namespace tandrel::e2e
