// SPDX-License-Identifier: MIT
#include "core/ComposerTextSnapshot.h"

#include "core/ComposerPolicy.h"

namespace tandrel {

bool ComposerTextSnapshot::verifiesInsertion(const ComposerTextSnapshot& after,
                                             const QString& inserted,
                                             std::optional<TextRange> selection) const {
    if (!m_text || !after.m_text)
        return false;
    const std::optional<QString> expected =
        ComposerPolicy::expectedValue(*m_text, inserted, selection);
    return ComposerPolicy::insertionVerified(*m_text, *after.m_text, inserted, expected);
}

} // namespace tandrel
