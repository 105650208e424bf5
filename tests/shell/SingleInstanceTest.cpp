// One running instance per user and display: a later launch reaches the running one, a socket
// file left by a crashed instance does not stand in the way, and what is not a launch of ours is
// turned away without reopening anything.

#include "app/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

namespace tandrel {
namespace {

// Serves the event loop (where the listening instance answers) until the condition holds.
bool serveUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(10000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// A connected client socket on the path, or -1.
int connectTo(const QString& path, bool keepFile = true) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (keepFile)
        return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
    // A socket file with nobody behind it, as a crashed instance leaves.
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return -1;
}

class SingleInstanceTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("DISPLAY", ":97");
    }
    QTemporaryDir m_runtime;
    int m_argc = 1;
    char m_name[8] = "tests";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
};

TEST_F(SingleInstanceTest, LaterLaunchReachesTheRunningOneAfterALeftoverSocketFile) {
    const QString path = SingleInstance::socketPath();
    ASSERT_TRUE(path.startsWith(m_runtime.path())) << path.toStdString();
    connectTo(path, false);
    ASSERT_TRUE(QFile::exists(path));

    int reopened = 0;
    {
        SingleInstance first;
        first.onReopen = [&] { ++reopened; };
        QString error;
        ASSERT_EQ(first.claim(&error), SingleInstance::Role::Primary) << error.toStdString();

        // Twice: the running instance keeps answering.
        for (int launch = 1; launch <= 2; ++launch) {
            std::atomic<int> role{-1};
            std::thread later([&] {
                SingleInstance second;
                role = int(second.claim(nullptr));
            });
            EXPECT_TRUE(serveUntil([&] { return role >= 0; }));
            later.join();
            EXPECT_EQ(role, int(SingleInstance::Role::Secondary));
            EXPECT_EQ(reopened, launch);
        }

        // Junk without a line break, and a wrong request: turned away, nothing reopened.
        for (const QByteArray& request : {QByteArray(300, 'x'), QByteArray("open\n")}) {
            const int client = connectTo(path);
            ASSERT_GE(client, 0);
            ASSERT_EQ(::send(client, request.constData(), std::size_t(request.size()), 0),
                      request.size());
            char answer[8];
            ssize_t got = -1;
            EXPECT_TRUE(serveUntil([&] {
                got = ::recv(client, answer, sizeof(answer), MSG_DONTWAIT);
                return got == 0;
            })) << "the instance kept talking to a stranger";
            ::close(client);
        }
        EXPECT_EQ(reopened, 2);
    }
    // The instance that listened took its socket file with it; the next launch is the first.
    EXPECT_FALSE(QFile::exists(path));
    SingleInstance next;
    EXPECT_EQ(next.claim(nullptr), SingleInstance::Role::Primary);
}

} // namespace
} // namespace tandrel
