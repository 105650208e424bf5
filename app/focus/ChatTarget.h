// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"
#include "platform/AccessibleElement.h"

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

namespace tandrel {

// The detected chat input and where to place the palette against it.
struct ChatTarget {
    a11y::Pid pid = 0;
    a11y::Element element; // the accepted input (the focused element or a near ancestor)
    Rect frame;            // the composer surface, else the input's own frame, in screen points
    QString appName;       // the application's name, or "Chat"
    std::vector<a11y::Element> layoutElements; // the composer surface, or just the input
    std::optional<QUrl> documentURL;           // the page's address for a web chat

    // Same input: same process, equal element, same page. Frame, name and layout are left out
    // so that a composer that grew or moved is still the same target.
    bool matches(const std::optional<ChatTarget>& other) const;
};

} // namespace tandrel
