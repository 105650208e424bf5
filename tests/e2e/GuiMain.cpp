// SPDX-License-Identifier: MIT

// Entry point of end-to-end tests that use the clipboard: no application object here, because a
// QGuiApplication must connect to the private display, which the suite starts first.

#include "testing/Browser.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    tandrel::e2e::takeBrowserArgument(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
