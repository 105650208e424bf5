// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace tandrel {

// An error whose message is meant for the user: alerts show errorDescription() as their
// informative text. what() gives the same message in UTF-8 for logs.
class Error : public std::exception {
public:
    explicit Error(QString message);

    const QString& errorDescription() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// A rule the prompts break, such as a blank title; the message is the whole explanation.
class ValidationError : public Error {
public:
    using Error::Error;
};

// The file system refused an operation. The message names the path and the system's reason.
class FileError : public Error {
public:
    FileError(QString action, QString path, QString reason);

    const QString& path() const noexcept { return path_; }
    const QString& reason() const noexcept { return reason_; }

private:
    QString path_;
    QString reason_;
};

// A prompts file that is not in the expected form. The message names the file and says what is
// wrong and where.
class DecodingError : public Error {
public:
    DecodingError(const QString& path, QString problem);

    const QString& problem() const noexcept { return problem_; }

private:
    QString problem_;
};

} // namespace tandrel
