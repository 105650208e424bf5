// SPDX-License-Identifier: MIT

// Entry point of the end-to-end tests: a Qt application object first, since the real desktop
// layer delivers accessibility events through Qt's event loop.

#include "testing/Browser.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    tandrel::e2e::takeBrowserArgument(argc, argv);
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
