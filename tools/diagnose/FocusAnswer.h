// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"
#include "platform/AccessibleElement.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tandrel::diagnosis {

// What the tool reports about a detected composer.
struct TargetSummary {
    a11y::Pid pid = 0;
    QString identity;
    QString appName;
    QString role;
    Rect frame;
    std::int64_t panelCount = -1; // -1: no composer surface resolved, the input's own frame
    std::optional<QString> url;   // the page address; nothing for a desktop chat
    friend bool operator==(const TargetSummary&, const TargetSummary&) = default;
};

// One answer of the tool: a target, or nothing and the reason why.
struct FocusAnswer {
    std::optional<TargetSummary> target;
    QString decision;
    friend bool operator==(const FocusAnswer&, const FocusAnswer&) = default;
};

// {"target": null | {"pid","bundle","role","frame":[x,y,w,h],"panelCount","url"},
//  "decision": "..."} on one line.
QByteArray toJson(const FocusAnswer& answer);

// The human-readable line: "composer detected in Chromium (...)" or "no composer: <reason>".
QString toLine(const FocusAnswer& answer);

} // namespace tandrel::diagnosis
