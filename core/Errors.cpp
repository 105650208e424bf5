// SPDX-License-Identifier: MIT
#include "core/Errors.h"

#include <QCoreApplication>

#include <utility>

namespace tandrel {

Error::Error(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}

// For example: Could not write "/home/ana/.local/share/Tandrel/prompts.json": Permission denied.
FileError::FileError(QString action, QString path, QString reason)
    : Error(QCoreApplication::translate("Errors", "Could not %1 \u201C%2\u201D: %3.")
                .arg(action, path, reason)),
      path_(std::move(path)), reason_(std::move(reason)) {}

// For example: "/home/ana/.local/share/Tandrel/prompts.json" is not a valid prompts file:
// prompt 3 has no "id".
DecodingError::DecodingError(const QString& path, QString problem)
    : Error(QCoreApplication::translate("Errors", "\u201C%1\u201D is not a valid prompts file: %2.")
                .arg(path, problem)),
      problem_(std::move(problem)) {}

} // namespace tandrel
