// SPDX-License-Identifier: MIT
#include "tests/e2e/ForeignClipboard.h"

#include "tests/e2e/PrivateDesktopSuite.h"

#include <QFile>

#include <csignal>

namespace tandrel::e2e {

using namespace std::chrono_literals;

::testing::AssertionResult ForeignClipboard::copy(const Content& content) {
    release();
    QStringList arguments;
    for (const auto& [type, bytes] : content) {
        QFile file(m_files.filePath(QString::number(arguments.size())));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return ::testing::AssertionFailure()
                   << "cannot write " << file.fileName().toStdString();
        arguments << type << file.fileName();
    }
    m_owner = std::make_unique<QProcess>();
    m_owner->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_owner->start(QStringLiteral(TANDREL_CLIPBOARD_OWNER_PATH), arguments);
    if (!waitUntil([&] { return m_owner->canReadLine(); }))
        return ::testing::AssertionFailure() << "the clipboard owner did not start";
    const QByteArray said = m_owner->readLine().trimmed();
    if (said != "owned")
        return ::testing::AssertionFailure() << "the clipboard owner said " << said.toStdString();
    return ::testing::AssertionSuccess();
}

void ForeignClipboard::release() {
    if (!m_owner)
        return;
    ::kill(pid_t(m_owner->processId()), SIGCONT);
    m_owner->closeWriteChannel();
    waitUntil([&] { return m_owner->state() == QProcess::NotRunning; }, 5s);
    m_owner->kill();
    m_owner->waitForFinished(5000);
    m_owner.reset();
}

qint64 ForeignClipboard::pid() const {
    return m_owner ? m_owner->processId() : 0;
}

std::optional<QByteArray> ForeignClipboard::read(const QString& type) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                          QStringLiteral("clipboard"), QStringLiteral("-t"), type});
    QByteArray bytes;
    const bool done = waitUntil([&] {
        bytes += xclip.readAllStandardOutput();
        return xclip.state() == QProcess::NotRunning;
    });
    bytes += xclip.readAllStandardOutput();
    if (!done || xclip.exitCode() != 0)
        return std::nullopt;
    return bytes;
}

} // namespace tandrel::e2e
