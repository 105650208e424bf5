// SPDX-License-Identifier: MIT
#include "core/AtomicFile.h"

#include "core/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tandrel::atomicfile {

namespace {

const QString kMarker = QStringLiteral(".tandrel-save-");
constexpr qsizetype kSuffixLength = 6;
// A temporary file this old cannot belong to a write still under way in another process.
constexpr std::chrono::minutes kLeftoverAge{10};

bool isSuffixCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

QString randomSuffix() {
    static const char characters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (qsizetype i = 0; i < kSuffixLength; ++i)
        suffix += QLatin1Char(
            characters[QRandomGenerator::system()->bounded(int(sizeof(characters) - 1))]);
    return suffix;
}

// The file that is really replaced: a symbolic link is followed (a prompts file kept in a synced
// folder and linked), so that the link stays a link. A loop of links replaces the link itself.
QFileInfo finalFile(const QString& path) {
    QFileInfo file(path);
    for (int depth = 0; file.isSymLink(); ++depth) {
        if (depth == 128)
            return QFileInfo(path);
        file.setFile(file.symLinkTarget());
    }
    return file;
}

QString systemReason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// The temporary file while it is written; removed unless it was renamed into place.
class Temporary {
public:
    Temporary(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~Temporary() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed)
            ::unlink(m_path.constData());
    }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    int fd() const { return m_fd; }
    const QByteArray& path() const { return m_path; }
    // 0 or the errno of a failed close (a delayed write error shows there).
    int close() {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }
    void renamed() { m_renamed = true; }

private:
    int m_fd;
    QByteArray m_path;
    bool m_renamed = false;
};

} // namespace

bool isTemporaryName(const QString& name, const QString& fileName) {
    const QString prefix = u'.' + fileName + kMarker;
    if (name.size() != prefix.size() + kSuffixLength || !name.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i)
        if (!isSuffixCharacter(name[i].unicode()))
            return false;
    return true;
}

void write(const QString& path, const QByteArray& data) {
    const QFileInfo target = finalFile(path);
    const QByteArray targetPath = QFile::encodeName(target.absoluteFilePath());
    const QString prefix =
        target.absolutePath() + QStringLiteral("/.") + target.fileName() + kMarker;
    auto failure = [&path](int code) {
        return FileError(QStringLiteral("write"), path, systemReason(code));
    };

    int fd = -1;
    QByteArray temporaryPath;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporaryPath = QFile::encodeName(prefix + randomSuffix());
        fd = ::open(temporaryPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw failure(errno);
    Temporary temporary(fd, temporaryPath);

    struct stat existing {};
    if (::stat(targetPath.constData(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        ::fchmod(fd, existing.st_mode & 07777) != 0)
        throw failure(errno);

    // Short writes (a full disk, a file size limit) are errors, never committed as a shorter file.
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t got =
            ::write(fd, data.constData() + written, std::size_t(data.size() - written));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw failure(got < 0 ? errno : EIO);
        written += got;
    }
    if (::fsync(fd) != 0)
        throw failure(errno);
    if (const int code = temporary.close())
        throw failure(code);
    if (::rename(temporary.path().constData(), targetPath.constData()) != 0)
        throw failure(errno);
    temporary.renamed();
}

void removeLeftovers(const QString& path) {
    const QFileInfo target = finalFile(path);
    const QDir folder = target.absoluteDir();
    const QString fileName = target.fileName();
    const auto now = std::chrono::system_clock::now();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryName(name, fileName))
            continue;
        // Only a plain file of ours with no other name is removed: never what a link points
        // to, nor a file someone else made or linked elsewhere.
        struct stat info {};
        const QByteArray native = QFile::encodeName(folder.filePath(name));
        if (::lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != ::geteuid() || info.st_nlink != 1)
            continue;
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec);
        if (now - modified >= kLeftoverAge)
            ::unlink(native.constData());
    }
}

} // namespace tandrel::atomicfile
