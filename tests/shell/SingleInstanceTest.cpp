// SPDX-License-Identifier: MIT

// One running instance per user and display: a later launch reaches the running one, a socket
// file left by a crashed instance does not stand in the way, a frozen instance is never replaced,
// and what is not a launch of ours is turned away without reopening anything.

#include "app/shell/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

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
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (keepFile)
        return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
    // A socket file with nobody behind it, as a crashed instance leaves.
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::close(fd);
    return -1;
}

// A socket on the path that takes connections into its queue and never reads them, as a stopped
// instance's does.
int frozenListener(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Connections that fill the socket's queue until it takes no more.
std::vector<int> fillQueue(const QString& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    std::vector<int> connections;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd);
            return connections;
        }
        connections.push_back(fd);
    }
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Whether this process holds the lock file open, and every such descriptor is closed on exec.
bool lockHeldAndClosedOnExec(const QString& lockPath) {
    const QString wanted = QFileInfo(lockPath).canonicalFilePath();
    if (wanted.isEmpty())
        return false;
    bool found = false;
    for (int fd = 0; fd < 1024; ++fd) {
        const QString target =
            QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
        if (target != wanted)
            continue;
        if (!(::fcntl(fd, F_GETFD) & FD_CLOEXEC))
            return false;
        found = true;
    }
    return found;
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
        QObject::connect(&first, &SingleInstance::reopenRequested, [&] { ++reopened; });
        QString error;
        ASSERT_EQ(first.claim(&error), SingleInstance::Role::Primary) << error.toStdString();
        // A program started from Tandrel must not keep it "running" after it quits.
        EXPECT_TRUE(lockHeldAndClosedOnExec(SingleInstance::lockPath()));

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

TEST_F(SingleInstanceTest, LaterLaunchNeverTakesTheSocketOfAFrozenInstance) {
    // The frozen instance holds the lock through its own open file, as another process would.
    const QString path = SingleInstance::socketPath();
    const int lock = ::open(QFile::encodeName(SingleInstance::lockPath()).constData(),
                            O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);

    // Stopped while listening, the same with its queue full, and stopped before it listened: a
    // later launch says that it does not answer and leaves the socket as it is.
    const int listener = frozenListener(path);
    ASSERT_GE(listener, 0);
    const ino_t socketFile = inodeOf(path);
    std::vector<int> queued;
    for (const char* state : {"listening", "queue full", "not listening"}) {
        SCOPED_TRACE(state);
        if (state == std::string("queue full"))
            queued = fillQueue(path);
        if (state == std::string("not listening"))
            ::unlink(QFile::encodeName(path).constData());
        SingleInstance later(std::chrono::milliseconds(200));
        int reopened = 0;
        QObject::connect(&later, &SingleInstance::reopenRequested, [&] { ++reopened; });
        QString error;
        EXPECT_EQ(later.claim(&error), SingleInstance::Role::Unresponsive) << error.toStdString();
        // Not replaced, and not made where there was none.
        EXPECT_EQ(inodeOf(path), state == std::string("not listening") ? 0 : socketFile);
        EXPECT_EQ(reopened, 0);
    }
    for (const int fd : queued)
        ::close(fd);
    ::close(listener);

    // Once the frozen instance is gone, its lock goes with it and the next launch is the first,
    // whatever socket file it left.
    connectTo(path, false);
    ::close(lock);
    SingleInstance next;
    EXPECT_EQ(next.claim(nullptr), SingleInstance::Role::Primary);
}

} // namespace
} // namespace tandrel
