#include "tests/e2e/ProgramFlows.h"

#include <QFile>

namespace tandrel::e2e {

using namespace std::chrono_literals;

void ProgramFlows::SetUpTestSuite() {
    PrivateDesktopSuite::SetUpTestSuite();
    if (session_ && !connectToAccessibilityBus(&a11yError_))
        a11yError_ = QStringLiteral("the accessibility bus: ") + a11yError_;
}

void ProgramFlows::SetUp() {
    PrivateDesktopSuite::SetUp();
    ASSERT_TRUE(a11yError_.isEmpty()) << a11yError_.toStdString();
}

void ProgramFlows::TearDown() {
    releaseClipboard();
}

std::optional<AccessibleObject> waitForWidget(const TandrelProgram& tandrel, const QString& role,
                                              const QString& name) {
    std::optional<AccessibleObject> found;
    waitUntil([&] { return bool(found = findShowing(tandrel.pid(), role, name)); });
    return found;
}

bool click(const AccessibleObject& widget) {
    return !widget.extents.isEmpty() && clickAt(widget.centre().x(), widget.centre().y());
}

void ProgramFlows::copyElsewhere(const Content& content) {
    releaseClipboard();
    QStringList arguments;
    for (const auto& [type, bytes] : content) {
        QFile file(files_.filePath(QString::number(arguments.size())));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        arguments << type << file.fileName();
    }
    owner_ = std::make_unique<QProcess>();
    owner_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    owner_->start(QStringLiteral(TANDREL_CLIPBOARD_OWNER_PATH), arguments);
    ASSERT_TRUE(waitUntil([&] { return owner_->canReadLine(); }))
        << "the clipboard owner did not start";
    ASSERT_EQ(owner_->readLine().trimmed(), "owned");
}

void ProgramFlows::releaseClipboard() {
    if (!owner_)
        return;
    owner_->closeWriteChannel();
    waitUntil([&] { return owner_->state() == QProcess::NotRunning; }, 5s);
    owner_->kill();
    owner_->waitForFinished(5000);
    owner_.reset();
}

std::optional<QByteArray> ProgramFlows::clipboard(const QString& type) {
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

std::vector<DesktopSession::SentMessage>
ProgramFlows::collectSent(std::chrono::milliseconds timeout, std::chrono::milliseconds quiet) {
    std::vector<DesktopSession::SentMessage> sent;
    QString error;
    QDeadlineTimer deadline(timeout);
    waitUntil(
        [&] {
            if (auto more = session_->takeSent(&error); more && !more->empty()) {
                sent.insert(sent.end(), more->begin(), more->end());
                deadline.setRemainingTime(quiet);
            }
            return deadline.hasExpired();
        },
        timeout + 10 * quiet);
    return sent;
}

void ProgramFlows::forgetSent() {
    QString error;
    session_->takeSent(&error);
}

} // namespace tandrel::e2e
