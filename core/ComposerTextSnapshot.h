// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <QString>

#include <optional>

namespace tandrel {

// An input's text as read at one moment; none when the input did not answer. An empty string is
// an empty input that did answer.
class ComposerTextSnapshot {
public:
    ComposerTextSnapshot() = default;
    explicit ComposerTextSnapshot(std::optional<QString> text) : m_text(std::move(text)) {}

    const std::optional<QString>& text() const { return m_text; }
    // An unreadable input cannot be verified, so nothing should be pasted into it.
    bool isReadable() const { return m_text.has_value(); }

    // Called on the snapshot taken before the paste: true when `after` shows `inserted` arriving
    // in place of `selection` (or anywhere, as one insertion, when the selection is unknown).
    bool verifiesInsertion(const ComposerTextSnapshot& after, const QString& inserted,
                           std::optional<TextRange> selection) const;

private:
    std::optional<QString> m_text;
};

} // namespace tandrel
