// SPDX-License-Identifier: MIT
#pragma once

#include "core/Configuration.h"

#include <QByteArray>
#include <QString>

// The on-disk form of a configuration:
//   {"prompts": [{"id": "<UUID>", "text": "...", "title": "..."}, ...]}
namespace tandrel::PromptsFile {

// The file's bytes: sorted keys, pretty-printed, ids in upper case.
QByteArray encode(const Configuration& configuration);

// Reads the file's bytes strictly: every key present with its JSON type, ids only in the
// canonical 36-character form (either case), no partial result. Unknown keys are ignored.
// Throws DecodingError naming `path` and what is wrong where. Does not validate.
Configuration decode(const QByteArray& data, const QString& path);

// The canonical 36-character form, five hyphen-separated groups of 8-4-4-4-12 hexadecimal
// digits, in either case; anything else (braces, missing hyphens, spaces) gives a null id.
QUuid parseCanonicalUuid(const QString& s);

} // namespace tandrel::PromptsFile
