// SPDX-License-Identifier: MIT

// GoogleTest's main with a QApplication on Qt's offscreen platform: widgets can be built and
// inspected without any display.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
