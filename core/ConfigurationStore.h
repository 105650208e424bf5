// SPDX-License-Identifier: MIT
#pragma once

#include "core/Configuration.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tandrel {

// Reads and writes the prompts file at one path. It keeps no state besides the path: every
// call goes to the file system afresh.
class ConfigurationStore {
public:
    // Touches nothing on disk.
    explicit ConfigurationStore(QString path);

    const QString& path() const { return path_; }

    // The built-in prompts when no file exists (nothing is created). Otherwise the file's
    // prompts; throws FileError when it cannot be read or the system cannot say whether it
    // exists, DecodingError when it is not a prompts file and ValidationError when a prompt is
    // blank. An unusable file is never touched; anything at the path that is not a regular file
    // (a named pipe, a folder) is refused without reading. Also removes what interrupted saves
    // of earlier runs left beside the file (removeLeftoverTemporaryFiles()).
    Configuration load() const;

    // The two halves of load(), for a caller that compares what the file holds with what it
    // read before. read(): the file's bytes, none when no file exists; throws FileError and
    // refuses what is not a regular file as load() does. decode(): the prompts those bytes hold
    // (the built-in prompts for none); throws DecodingError or ValidationError as load() does.
    std::optional<QByteArray> read() const;
    Configuration decode(const std::optional<QByteArray>& contents) const;

    // Validates, creates the folder if needed, writes the file atomically (the old file stays
    // whole on any failure and no temporary file is left behind) and reads it back. Returns the
    // bytes read back. Throws ValidationError "Could not verify saved prompts." when the file
    // does not read back as `configuration`, and otherwise the error of the step that failed.
    QByteArray save(const Configuration& configuration) const;

    // Removes the temporary files that a save killed before its rename left behind (see
    // atomicfile::removeLeftovers): only names the program itself makes, never the user's own
    // files beside the prompts file. Failures are ignored.
    void removeLeftoverTemporaryFiles() const;

private:
    QString path_;
};

} // namespace tandrel
