#include "core/ConfigurationStore.h"

#include "core/PromptsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tandrel {

ConfigurationStore::ConfigurationStore(QString path) : path_(std::move(path)) {}

namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

Configuration ConfigurationStore::load() const {
    // Only a file that is really absent means "first run". When the system cannot say whether
    // it exists (a folder on the way that may not be searched, a loop of links), the user's
    // prompts may well be there: report that instead of quietly offering the built-ins.
    std::error_code statusError;
    const auto status = std::filesystem::status(nativePath(path_), statusError);
    if (status.type() == std::filesystem::file_type::not_found)
        return Configuration(Prompt::defaults());
    if (statusError)
        throw FileError(QStringLiteral("read"), path_,
                        QString::fromStdString(statusError.message()));

    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("read"), path_, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("read"), path_, file.errorString());

    Configuration configuration = PromptsFile::decode(data, path_);
    configuration.validate();
    return configuration;
}

void ConfigurationStore::save(const Configuration& configuration) const {
    configuration.validate();

    const QString folder = QFileInfo(path_).absolutePath();
    std::error_code error;
    std::filesystem::create_directories(nativePath(folder), error);
    if (error)
        throw FileError(QStringLiteral("create the folder"), folder,
                        QString::fromStdString(error.message()));

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

    const Configuration readBack = load();
    if (readBack.prompts != configuration.prompts)
        throw ValidationError(QStringLiteral("Could not verify saved prompts."));
}

} // namespace tandrel
