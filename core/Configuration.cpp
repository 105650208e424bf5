// SPDX-License-Identifier: MIT
#include "core/Configuration.h"

#include <QCoreApplication>

#include "core/UnicodeText.h"

#include <utility>

namespace tandrel {

Configuration::Configuration(std::vector<Prompt> prompts) : prompts(std::move(prompts)) {}

void Configuration::validate() const {
    for (const Prompt& prompt : prompts) {
        if (UnicodeText::trimmed(prompt.title).isEmpty() ||
            UnicodeText::trimmed(prompt.text).isEmpty())
            throw ValidationError(QCoreApplication::translate(
                "Configuration", "Each prompt needs a button label and prompt text."));
    }
}

} // namespace tandrel
