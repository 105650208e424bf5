// SPDX-License-Identifier: MIT
#pragma once

#include "core/Errors.h"
#include "core/Prompt.h"

#include <vector>

namespace tandrel {

// The user's prompts in button order.
struct Configuration {
    std::vector<Prompt> prompts;

    Configuration() = default;
    explicit Configuration(std::vector<Prompt> prompts);

    // Throws ValidationError "Each prompt needs a button label and prompt text." for the first
    // prompt whose title or text is blank once whitespace and newlines are trimmed. Nothing else
    // is checked: duplicates and very long texts are the user's business.
    void validate() const;

    // Same prompts in the same order; a reordering is a change.
    friend bool operator==(const Configuration&, const Configuration&) = default;
};

} // namespace tandrel
