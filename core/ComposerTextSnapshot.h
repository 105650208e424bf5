// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <QString>

#include <array>
#include <map>
#include <optional>

namespace tandrel {

// An input's text as read in up to three ways. A source that did not answer has no entry; an
// empty string is an empty input that did answer.
class ComposerTextSnapshot {
public:
    // Declaration order is the order in which verification tries the sources.
    enum class Source { stringForRange, attributedStringForRange, value };
    static constexpr std::array<Source, 3> allCases = {
        Source::stringForRange, Source::attributedStringForRange, Source::value};

    using Readings = std::map<Source, QString>;

    ComposerTextSnapshot() = default;
    explicit ComposerTextSnapshot(Readings readings);

    const Readings& readings() const { return readings_; }

    // An unreadable input cannot be verified, so nothing should be pasted into it.
    bool isReadable() const { return !readings_.empty(); }

    // Called on the snapshot taken before the paste: true when some source, compared only with
    // the same source of `after`, shows `inserted` arriving.
    bool verifiesInsertion(const ComposerTextSnapshot& after, const QString& inserted,
                           std::optional<TextRange> selection) const;

private:
    Readings readings_;
};

} // namespace tandrel
