#include "core/ConfigurationStore.h"

#include "core/PromptsFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tandrel {

ConfigurationStore::ConfigurationStore(QString path) : path_(std::move(path)) {}

namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// What the file is when it is not a regular file, in the words of the error.
QString kindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

// A save interrupted between giving its temporary file a name and renaming it over the prompts
// file leaves "prompts.json.XXXXXX" behind (six ASCII letters, as Qt makes them). A name this old
// cannot belong to a save still under way in another instance.
constexpr std::chrono::minutes leftoverAge{10};

bool isTemporaryName(const QString& name, const QString& fileName) {
    if (name.size() != fileName.size() + 7 || !name.startsWith(fileName) ||
        name[fileName.size()] != u'.')
        return false;
    for (qsizetype i = fileName.size() + 1; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

void ConfigurationStore::removeLeftoverTemporaryFiles() const {
    const QFileInfo target(path_);
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
        if (lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_uid != geteuid() || info.st_nlink != 1)
            continue;
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec);
        if (now - modified >= leftoverAge)
            unlink(native.constData()); // best effort: a leftover that stays harms nothing
    }
}

Configuration ConfigurationStore::load() const {
    removeLeftoverTemporaryFiles();
    return decode(read());
}

std::optional<QByteArray> ConfigurationStore::read() const {
    // Only a file that is really absent means "first run". When the system cannot say whether
    // it exists (a folder on the way that may not be searched, a loop of links), the user's
    // prompts may well be there: report that instead of quietly offering the built-ins.
    std::error_code statusError;
    const auto status = std::filesystem::status(nativePath(path_), statusError);
    if (status.type() == std::filesystem::file_type::not_found)
        return std::nullopt;
    if (statusError)
        throw FileError(QStringLiteral("read"), path_,
                        QString::fromStdString(statusError.message()));

    // Opened without blocking and checked before reading: a named pipe at this path would
    // otherwise block the launch forever, with nothing on screen.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw FileError(QStringLiteral("read"), path_, QString::fromLocal8Bit(strerror(errno)));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int code = errno;
        ::close(fd);
        throw FileError(
            QStringLiteral("read"), path_,
            S_ISREG(info.st_mode) || info.st_mode == 0
                ? QString::fromLocal8Bit(strerror(code))
                : QStringLiteral("it is %1, not a regular file").arg(kindOf(info.st_mode)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError(QStringLiteral("read"), path_, file.errorString());
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("read"), path_, file.errorString());
    return data;
}

Configuration ConfigurationStore::decode(const std::optional<QByteArray>& contents) const {
    if (!contents)
        return Configuration(Prompt::defaults());
    Configuration configuration = PromptsFile::decode(*contents, path_);
    configuration.validate();
    return configuration;
}

QByteArray ConfigurationStore::save(const Configuration& configuration) const {
    configuration.validate();

    const QString folder = QFileInfo(path_).absolutePath();
    std::error_code error;
    std::filesystem::create_directories(nativePath(folder), error);
    if (error)
        throw FileError(QStringLiteral("create the folder"), folder,
                        QString::fromStdString(error.message()));

    // Whatever sits at the path in place of a file (a named pipe, a folder) was put there by
    // someone on purpose; it is refused as loading refuses it, not replaced.
    struct stat existing {};
    if (stat(QFile::encodeName(path_).constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw FileError(
            QStringLiteral("write"), path_,
            QStringLiteral("it is %1, not a regular file").arg(kindOf(existing.st_mode)));

    const QByteArray data = PromptsFile::encode(configuration);

    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // when everything was written; on failure it removes the temporary file. It is opened
    // unbuffered because a buffered QSaveFile commits a short write (a full disk, a file size
    // limit) as if it had succeeded, which would replace the old file with a truncated one.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw FileError(QStringLiteral("write"), path_, file.errorString());
    errno = 0;
    const qint64 written = file.write(data);
    if (written != data.size()) {
        // A short write is no error to Qt; the system's reason is left in errno.
        const int code = errno;
        const QString reason = written < 0 ? file.errorString()
                               : code != 0 ? QString::fromLocal8Bit(strerror(code))
                                           : QStringLiteral("only part of the file was written");
        file.cancelWriting();
        file.commit(); // removes the temporary file after cancelWriting()
        throw FileError(QStringLiteral("write"), path_, reason);
    }
    if (!file.commit())
        throw FileError(QStringLiteral("write"), path_, file.errorString());

    const std::optional<QByteArray> readBack = read();
    if (!readBack || decode(readBack).prompts != configuration.prompts)
        throw ValidationError(QStringLiteral("Could not verify saved prompts."));
    return *readBack;
}

} // namespace tandrel
