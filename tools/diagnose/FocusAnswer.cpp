// SPDX-License-Identifier: MIT
#include "tools/diagnose/FocusAnswer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tandrel::diagnosis {

namespace {

QString number(double v) {
    return QString::number(v, 'g', 10);
}

} // namespace

QByteArray toJson(const FocusAnswer& answer) {
    QJsonObject object;
    if (const auto& t = answer.target) {
        QJsonObject target;
        target.insert(QStringLiteral("pid"), t->pid);
        target.insert(QStringLiteral("bundle"), t->identity);
        target.insert(QStringLiteral("role"), t->role);
        target.insert(QStringLiteral("frame"),
                      QJsonArray{t->frame.x(), t->frame.y(), t->frame.width(), t->frame.height()});
        target.insert(QStringLiteral("panelCount"), static_cast<qint64>(t->panelCount));
        target.insert(QStringLiteral("url"), t->url ? QJsonValue(*t->url) : QJsonValue());
        object.insert(QStringLiteral("target"), target);
    } else {
        object.insert(QStringLiteral("target"), QJsonValue());
    }
    object.insert(QStringLiteral("decision"), answer.decision);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString toLine(const FocusAnswer& answer) {
    const auto& t = answer.target;
    if (!t)
        return QStringLiteral("no composer: %1").arg(answer.decision);
    QString surface;
    if (t->panelCount < 0)
        surface = QStringLiteral("input bounds only");
    else if (t->panelCount == 1)
        surface = QStringLiteral("1 panel");
    else
        surface = QStringLiteral("%1 panels").arg(t->panelCount);
    QString line = QStringLiteral("%1 in %2 (%3, pid %4): %5 at [%6, %7, %8, %9], %10")
                       .arg(answer.decision, t->appName, t->identity)
                       .arg(t->pid)
                       .arg(t->role, number(t->frame.x()), number(t->frame.y()),
                            number(t->frame.width()), number(t->frame.height()), surface);
    if (t->url)
        line += QStringLiteral(", page ") + *t->url;
    return line;
}

} // namespace tandrel::diagnosis
