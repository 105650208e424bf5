// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel::e2e {

// The user's clipboard as another application holds it: e2e-clipboard-owner copies content and
// keeps serving it until released; xclip reads it back as any other program would.
class ForeignClipboard {
public:
    // MIME type and bytes, in the order the owner offers them.
    using Content = std::vector<std::pair<QString, QByteArray>>;

    ~ForeignClipboard() { release(); }

    // Another application copies the content; fails when it did not come to own the clipboard.
    ::testing::AssertionResult copy(const Content& content);
    // That application ends (and its content with it), also when a case stopped it.
    void release();
    // Its process, for a case to stop and resume; 0 when none holds the clipboard.
    qint64 pid() const;

    // The clipboard's bytes of one type; absent when it has none. The event loop keeps running
    // meanwhile, since the caller may be the owner that has to answer.
    static std::optional<QByteArray> read(const QString& type);

private:
    QTemporaryDir m_files;
    std::unique_ptr<QProcess> m_owner;
};

} // namespace tandrel::e2e
