// SPDX-License-Identifier: MIT
#include "platform/linux/RestartInPlace.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::linuxdesktop;

namespace {

// What one start hands the next arrives whole: any bytes of any type, an item without data, no
// clipboard at all (another program held it) apart from an empty one.
TEST(CarriedState, ArrivesWholeThroughItsFileOnceAndOnlyOnce) {
    const QByteArray image("\x89PNG\r\n\x1a\n\0\0\xff", 11);
    const CarriedState states[] = {
        {true, false, PasteboardContent{{{"text/html", "<b>é</b>"}, {"image/png", image}}, {}}},
        {false, true, std::nullopt},
        {false, false, PasteboardContent{}},
    };
    QTemporaryDir folder;
    for (const CarriedState& state : states) {
        const QString path = folder.filePath(QStringLiteral("state.json"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(encodeCarriedState(state));
        file.close();
        qputenv("TANDREL_CARRIED_STATE", QFile::encodeName(path));
        EXPECT_EQ(takeCarriedState(), state);
        EXPECT_FALSE(QFile::exists(path)) << "the user's clipboard was left in a file";
        EXPECT_EQ(takeCarriedState(), std::nullopt) << "taken twice";
    }
    for (const char* garbage : {"", "[]", "{\"clipboard\": 3}", "{\"clipboard\": [[[1, 2]]]}"})
        EXPECT_EQ(decodeCarriedState(garbage), std::nullopt) << garbage;
}

} // namespace
