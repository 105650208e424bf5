// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/SwayTree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace tandrel::linuxdesktop {

namespace {

QRect rectOf(const QJsonObject& object) {
    return QRect(object.value(QLatin1String("x")).toInt(), object.value(QLatin1String("y")).toInt(),
                 object.value(QLatin1String("width")).toInt(),
                 object.value(QLatin1String("height")).toInt());
}

std::optional<QJsonObject> findFocused(const QJsonObject& node, int depth) {
    if (node.value(QLatin1String("focused")).toBool())
        return node;
    if (depth > 64)
        return std::nullopt;
    for (const char* key : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(key)).toArray()) {
            if (auto found = findFocused(child.toObject(), depth + 1))
                return found;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<NativeWindow> focusedWindowInSwayTree(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return std::nullopt;
    const auto node = findFocused(document.object(), 0);
    // Workspaces and outputs take the focus too (an empty workspace); they are no application.
    if (!node || !node->contains(QLatin1String("pid")))
        return std::nullopt;
    NativeWindow window;
    window.id = node->value(QLatin1String("id")).toInteger();
    if (const qint64 pid = node->value(QLatin1String("pid")).toInteger(); pid > 0)
        window.pid = pid;
    window.appId = node->value(QLatin1String("app_id")).toString();
    window.xwayland = node->value(QLatin1String("shell")).toString() == QLatin1String("xwayland");
    // "rect" leaves the title bar out but keeps the border; "window_rect" is the content within
    // it.
    const QRect rect = rectOf(node->value(QLatin1String("rect")).toObject());
    const QRect inner = rectOf(node->value(QLatin1String("window_rect")).toObject());
    window.content = inner.isEmpty() ? rect : QRect(rect.topLeft() + inner.topLeft(), inner.size());
    return window;
}

namespace swayipc {

namespace {
constexpr char kMagic[] = "i3-ipc";
constexpr int kMagicSize = 6;
constexpr int kHeaderSize = kMagicSize + 8;
} // namespace

QByteArray encode(std::uint32_t type, const QByteArray& payload) {
    QByteArray out(kMagic, kMagicSize);
    const std::uint32_t header[2] = {std::uint32_t(payload.size()), type};
    out.append(reinterpret_cast<const char*>(header), sizeof header);
    out.append(payload);
    return out;
}

std::optional<Message> take(QByteArray& buffer, bool* broken) {
    *broken = false;
    if (buffer.size() < kHeaderSize) {
        *broken = !QByteArray(kMagic).startsWith(buffer.left(kMagicSize));
        return std::nullopt;
    }
    if (std::memcmp(buffer.constData(), kMagic, kMagicSize) != 0) {
        *broken = true;
        return std::nullopt;
    }
    std::uint32_t header[2];
    std::memcpy(header, buffer.constData() + kMagicSize, sizeof header);
    const qsizetype total = kHeaderSize + qsizetype(header[0]);
    if (buffer.size() < total)
        return std::nullopt;
    Message message{header[1], buffer.mid(kHeaderSize, total - kHeaderSize)};
    buffer.remove(0, total);
    return message;
}

} // namespace swayipc

} // namespace tandrel::linuxdesktop
