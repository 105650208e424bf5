// SPDX-License-Identifier: MIT
#include "platform/linux/RestartInPlace.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tandrel::linuxdesktop {

namespace {

const char* const kVariable = "TANDREL_CARRIED_STATE";

QJsonArray encodeItem(const PasteboardItem& item) {
    QJsonArray types;
    for (const auto& [type, bytes] : item)
        types.append(QJsonArray{type, QString::fromLatin1(bytes.toBase64())});
    return types;
}

std::optional<PasteboardItem> decodeItem(const QJsonValue& value) {
    if (!value.isArray())
        return std::nullopt;
    PasteboardItem item;
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonArray pair = entry.toArray();
        if (pair.size() != 2 || !pair[0].isString() || !pair[1].isString())
            return std::nullopt;
        item.emplace_back(pair[0].toString(),
                          QByteArray::fromBase64(pair[1].toString().toLatin1()));
    }
    return item;
}

} // namespace

QByteArray encodeCarriedState(const CarriedState& state) {
    QJsonObject root{{QStringLiteral("paused"), state.paused},
                     {QStringLiteral("editorOpen"), state.editorOpen}};
    if (state.clipboard) {
        QJsonArray items;
        for (const PasteboardItem& item : *state.clipboard)
            items.append(encodeItem(item));
        root.insert(QStringLiteral("clipboard"), items);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<CarriedState> decodeCarriedState(const QByteArray& bytes) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    CarriedState state;
    state.paused = root.value(QStringLiteral("paused")).toBool();
    state.editorOpen = root.value(QStringLiteral("editorOpen")).toBool();
    if (root.contains(QStringLiteral("clipboard"))) {
        const QJsonValue items = root.value(QStringLiteral("clipboard"));
        if (!items.isArray())
            return std::nullopt;
        PasteboardContent content;
        for (const QJsonValue& value : items.toArray()) {
            std::optional<PasteboardItem> item = decodeItem(value);
            if (!item)
                return std::nullopt;
            content.push_back(std::move(*item));
        }
        state.clipboard = std::move(content);
    }
    return state;
}

QString restartInPlace(const CarriedState& state, const QByteArray& busAddress,
                       const std::vector<QByteArray>& arguments) {
    if (arguments.empty())
        return QStringLiteral("no command line to start again with");
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray path =
        QFile::encodeName(folder + QStringLiteral("/tandrel-carried-%1.json").arg(getpid()));
    // The clipboard may hold anything the user copied: nobody else may read it meanwhile.
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const QByteArray bytes = encodeCarriedState(state);
    const bool written = ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
    ::close(fd);
    if (!written) {
        ::unlink(path.constData());
        return QStringLiteral("the state could not be written");
    }

    const QByteArray oldAddress = qgetenv("AT_SPI_BUS_ADDRESS");
    qputenv(kVariable, path);
    qputenv("AT_SPI_BUS_ADDRESS", busAddress);
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv("/proc/self/exe", argv.data());

    const QString failure = QString::fromLocal8Bit(std::strerror(errno));
    ::unlink(path.constData());
    qunsetenv(kVariable);
    if (oldAddress.isEmpty())
        qunsetenv("AT_SPI_BUS_ADDRESS");
    else
        qputenv("AT_SPI_BUS_ADDRESS", oldAddress);
    return failure;
}

std::optional<CarriedState> takeCarriedState() {
    const QByteArray path = qgetenv(kVariable);
    if (path.isEmpty())
        return std::nullopt;
    qunsetenv(kVariable);
    QFile file(QFile::decodeName(path));
    std::optional<CarriedState> state;
    if (file.open(QIODevice::ReadOnly))
        state = decodeCarriedState(file.readAll());
    file.remove();
    return state;
}

} // namespace tandrel::linuxdesktop
