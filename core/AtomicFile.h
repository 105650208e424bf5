// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

namespace tandrel {

// Replacing a file so that it is either the old or the new one, never a mix, and cleaning up
// what a write killed halfway left behind.
//
// The new contents go to a temporary file beside the final one, named
// ".<file name>.tandrel-save-XXXXXX" (six letters or digits): a name no person gives a file, so
// that cleaning up can never take one of the user's own files (a "prompts.json.backup" next to
// the prompts file) for a leftover.
namespace atomicfile {

// Writes `data` to a new temporary file, flushes it to disk and renames it over `path`. A
// symbolic link at `path` is followed, so the file it points to is replaced and the link stays.
// An existing file keeps its permissions; a new one gets those the umask allows. On any failure
// the old file is untouched, the temporary file is removed, and FileError names `path` and the
// system's reason.
void write(const QString& path, const QByteArray& data);

// Removes the temporary files that write() to `path` left when it was killed before renaming:
// only plain files of this user with the temporary name, no other link, and older than ten
// minutes, so that a write under way in another process is never disturbed. Failures are
// ignored: a leftover that stays harms nothing.
void removeLeftovers(const QString& path);

// Whether `name` (a bare file name) is one of write()'s temporary names for the file `fileName`.
bool isTemporaryName(const QString& name, const QString& fileName);

} // namespace atomicfile

} // namespace tandrel
