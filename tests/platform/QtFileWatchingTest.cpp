// SPDX-License-Identifier: MIT
#include "platform/linux/QtFileWatching.h"
#include "tests/support/CoreApplication.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tandrel::linuxdesktop {
namespace {

// Real files and inotify: each step waits, up to a deadline, for a call that sees the file as
// the step left it.
class QtFileWatchingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureCoreApplication(); }

    // What the file holds at each call ("<none>" while it is absent).
    void record() {
        QFile file(path);
        seen.push_back(file.open(QIODevice::ReadOnly) ? file.readAll()
                                                      : QByteArrayLiteral("<none>"));
    }
    // Runs the event loop until a call saw `contents`, for at most five seconds.
    bool calledWith(const QByteArray& contents) {
        const QDeadlineTimer deadline(5000);
        while (std::find(seen.begin(), seen.end(), contents) == seen.end() &&
               !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const bool found = std::find(seen.begin(), seen.end(), contents) != seen.end();
        seen.clear();
        return found;
    }
    void replace(const QByteArray& contents) {
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        ASSERT_TRUE(file.commit());
    }
    void writeInPlace(const QByteArray& contents) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }

    QTemporaryDir home;
    QString folder = home.path() + QStringLiteral("/share/Tandrel");
    QString path = folder + QStringLiteral("/prompts.json");
    std::vector<QByteArray> seen;
    QtFileWatching watching;
};

TEST_F(QtFileWatchingTest, SeesTheFileCreatedReplacedWrittenInPlaceAndRemoved) {
    auto handle = watching.watchFile(path, [this] { record(); });

    // Neither the file nor its folder exists yet.
    ASSERT_TRUE(QDir().mkpath(folder));
    replace("one");
    EXPECT_TRUE(calledWith("one")) << "the file was created in a folder made after the watch";

    writeInPlace("two");
    EXPECT_TRUE(calledWith("two")) << "a write in place";

    // After a rename over the file, a write in place goes to the new file. The old file is held
    // open, as a program reading it would, so it lives on beside the new one.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    replace("three");
    EXPECT_TRUE(calledWith("three")) << "a rename over the file";
    writeInPlace("four");
    EXPECT_TRUE(calledWith("four")) << "a write in place after a rename over the file";

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(calledWith("<none>")) << "the file was removed";
}

} // namespace
} // namespace tandrel::linuxdesktop
