// SPDX-License-Identifier: MIT
#include "core/ComposerTextSnapshot.h"

#include "core/ComposerPolicy.h"

#include <utility>

namespace tandrel {

ComposerTextSnapshot::ComposerTextSnapshot(Readings readings) : readings_(std::move(readings)) {}

bool ComposerTextSnapshot::verifiesInsertion(const ComposerTextSnapshot& after,
                                             const QString& inserted,
                                             std::optional<TextRange> selection) const {
    // Each source is compared only with itself: two ways of reading the same input may render
    // line breaks or embedded objects differently, so mixing them would prove nothing.
    for (Source source : allCases) {
        const auto before = readings_.find(source);
        const auto afterReading = after.readings_.find(source);
        if (before == readings_.end() || afterReading == after.readings_.end())
            continue;
        const std::optional<QString> expected =
            ComposerPolicy::expectedValue(before->second, inserted, selection);
        if (ComposerPolicy::insertionVerified(before->second, afterReading->second, inserted,
                                              expected))
            return true;
    }
    return false;
}

} // namespace tandrel
