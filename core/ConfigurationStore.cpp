// SPDX-License-Identifier: MIT
#include "core/ConfigurationStore.h"

#include <QCoreApplication>

#include "core/AtomicFile.h"
#include "core/PromptsFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
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
        return QCoreApplication::translate("ConfigurationStore", "a folder");
    if (S_ISFIFO(mode))
        return QCoreApplication::translate("ConfigurationStore", "a named pipe");
    if (S_ISSOCK(mode))
        return QCoreApplication::translate("ConfigurationStore", "a socket");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QCoreApplication::translate("ConfigurationStore", "a device");
    return QCoreApplication::translate("ConfigurationStore", "not a regular file");
}

} // namespace

void ConfigurationStore::removeLeftoverTemporaryFiles() const {
    atomicfile::removeLeftovers(path_);
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
        throw FileError(QCoreApplication::translate("ConfigurationStore", "read"), path_,
                        QString::fromStdString(statusError.message()));

    // Opened without blocking and checked before reading: a named pipe at this path would
    // otherwise block the launch forever, with nothing on screen.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw FileError(QCoreApplication::translate("ConfigurationStore", "read"), path_,
                        QString::fromLocal8Bit(strerror(errno)));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int code = errno;
        ::close(fd);
        throw FileError(
            QCoreApplication::translate("ConfigurationStore", "read"), path_,
            S_ISREG(info.st_mode) || info.st_mode == 0
                ? QString::fromLocal8Bit(strerror(code))
                : QCoreApplication::translate("ConfigurationStore", "it is %1, not a regular file")
                      .arg(kindOf(info.st_mode)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw FileError(QCoreApplication::translate("ConfigurationStore", "read"), path_,
                        file.errorString());
    }
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QCoreApplication::translate("ConfigurationStore", "read"), path_,
                        file.errorString());
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
        throw FileError(QCoreApplication::translate("ConfigurationStore", "create the folder"),
                        folder, QString::fromStdString(error.message()));

    // Whatever sits at the path in place of a file (a named pipe, a folder) was put there by
    // someone on purpose; it is refused as loading refuses it, not replaced.
    struct stat existing {};
    if (stat(QFile::encodeName(path_).constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw FileError(
            QCoreApplication::translate("ConfigurationStore", "write"), path_,
            QCoreApplication::translate("ConfigurationStore", "it is %1, not a regular file")
                .arg(kindOf(existing.st_mode)));

    const QByteArray data = PromptsFile::encode(configuration);

    atomicfile::write(path_, data);

    const std::optional<QByteArray> readBack = read();
    if (!readBack || decode(readBack).prompts != configuration.prompts)
        throw ValidationError(
            QCoreApplication::translate("ConfigurationStore", "Could not verify saved prompts."));
    return *readBack;
}

} // namespace tandrel
