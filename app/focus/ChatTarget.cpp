// SPDX-License-Identifier: MIT
#include "app/focus/ChatTarget.h"

namespace tandrel {

bool ChatTarget::matches(const std::optional<ChatTarget>& other) const {
    return other && other->pid == pid && other->element == element &&
           other->documentURL == documentURL;
}

} // namespace tandrel
