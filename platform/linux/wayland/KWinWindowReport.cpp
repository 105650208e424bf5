// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/KWinWindowReport.h"

#include "core/ApplicationNames.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace tandrel::linuxdesktop {

namespace {

// KWin's geometry is fractional on scaled outputs; the palette lives on whole X pixels.
std::optional<QRect> rectOf(const QJsonValue& value) {
    const QJsonArray array = value.toArray();
    if (array.size() != 4)
        return std::nullopt;
    for (const QJsonValue& v : array)
        if (!v.isDouble())
            return std::nullopt;
    return QRect(int(std::lround(array[0].toDouble())), int(std::lround(array[1].toDouble())),
                 int(std::lround(array[2].toDouble())), int(std::lround(array[3].toDouble())));
}

bool known(const QString& name) {
    if (name.trimmed().isEmpty())
        return false;
    if (isWebBrowser(name))
        return true;
    // A chat alias maps to another identifier, or is one itself.
    const auto identity = identityFor({name, {}, {}});
    return identity && *identity != name.trimmed();
}

} // namespace

QString kwinAppId(const QString& desktopFileName, const QString& resourceClass) {
    for (const QString* name : {&desktopFileName, &resourceClass})
        if (known(*name))
            return name->trimmed();
    return desktopFileName.trimmed().isEmpty() ? resourceClass.trimmed()
                                               : desktopFileName.trimmed();
}

KWinReport parseKWinReport(const QString& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8());
    const QJsonObject object = document.object();
    const QJsonValue active = object.value(QLatin1String("active"));
    if (!document.isObject() || !active.isBool())
        return {};
    if (!active.toBool())
        return {true, std::nullopt};
    const auto frame = rectOf(object.value(QLatin1String("frame")));
    const auto buffer = rectOf(object.value(QLatin1String("buffer")));
    if (!frame || !buffer)
        return {};
    NativeWindow window;
    window.id = std::int64_t(qHash(object.value(QLatin1String("id")).toString()));
    if (const qint64 pid = object.value(QLatin1String("pid")).toInteger(); pid > 0)
        window.pid = pid;
    window.appId = kwinAppId(object.value(QLatin1String("desktopFileName")).toString(),
                             object.value(QLatin1String("resourceClass")).toString());
    // A client-side decorated window's frame is its xdg geometry: the content, shadows left out.
    window.content = *frame;
    window.bufferOrigin = buffer->topLeft();
    window.xwayland = object.value(QLatin1String("x11")).toBool();
    return {true, window};
}

QString kwinFrontWindowScript(const QString& service, const QString& path, const QString& interface,
                              const QString& method) {
    // KWin 5.27's QJSEngine: no let/const/arrow functions assumed. Byte arrays (resourceClass,
    // desktopFileName) are turned into strings. Only X11 windows have a windowId.
    static const char* const kScript =
        R"JS(// Written by Tandrel at its start: tells it the active window.
var watched = null;
function rect(r) { return [r.x, r.y, r.width, r.height]; }
function report() {
    var c = workspace.activeClient;
    var state = {active: false};
    if (c) {
        state = {active: true, id: String(c.internalId), pid: c.pid,
                 resourceClass: String(c.resourceClass), desktopFileName: String(c.desktopFileName),
                 frame: rect(c.frameGeometry), buffer: rect(c.bufferGeometry),
                 x11: c.windowId !== undefined};
    }
    callDBus(%1, %2, %3, %4, JSON.stringify(state));
}
function follow(c) {
    if (watched) {
        try {
            watched.frameGeometryChanged.disconnect(report);
            watched.bufferGeometryChanged.disconnect(report);
        } catch (e) {
        }
    }
    watched = c;
    if (c) {
        c.frameGeometryChanged.connect(report);
        c.bufferGeometryChanged.connect(report);
    }
    report();
}
workspace.clientActivated.connect(follow);
follow(workspace.activeClient);
)JS";
    const auto quoted = [](const QString& text) {
        return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    };
    return QString::fromUtf8(kScript).arg(quoted(service), quoted(path), quoted(interface),
                                          quoted(method));
}

} // namespace tandrel::linuxdesktop
