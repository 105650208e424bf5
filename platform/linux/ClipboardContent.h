// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"
#include "platform/Pasteboard.h"

#include <functional>
#include <memory>
#include <optional>

namespace tandrel::linuxdesktop {

// What the X11 and the Wayland clipboard share: the hint on Tandrel's own writes, one item per
// clipboard, and answers known at once handed over from the event loop.

// The type and value clipboard managers honour for secrets: Tandrel's writes (the prompt, the
// user's content put back) carry it, so a clipboard history does not fill with prompts.
const QString& secretHintType();
const QByteArray& secretHintValue();

// The content as the single item a desktop clipboard holds: the types of later items join where
// they are new.
PasteboardItem asOneItem(const PasteboardContent& content);

// A read answered from this process: `done` runs from the event loop all the same, never within
// this call, and not at all once the handle is gone.
std::unique_ptr<Handle> answerLater(PasteboardContent content,
                                    std::function<void(std::optional<PasteboardContent>)> done);

} // namespace tandrel::linuxdesktop
