// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel {

// One clipboard item: its data for each type it offers, in the order the item listed them.
using PasteboardItem = std::vector<std::pair<QString, QByteArray>>;
// Everything the clipboard held: each item with every type its owner delivered.
using PasteboardContent = std::vector<PasteboardItem>;

// Plain text as clipboard content: one item offering it as UTF-8 "text/plain".
inline PasteboardContent plainTextContent(const QString& text) {
    return {{{QStringLiteral("text/plain"), text.toUtf8()}}};
}

// The system clipboard, as items that each offer their content in several types (MIME types on
// Linux). Lives as long as the desktop that hands it out; every call is made on the main thread.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Reads the whole content without holding up the caller: the clipboard's owner is another
    // program, which may be slow or stopped. `done` runs once, on the main thread, with every item
    // and every type the owner delivered (a type it refuses or answers empty is left out), or with
    // nothing when the owner did not deliver it all within `timeout` seconds: a part of the
    // content is never handed out as the whole. Destroying the handle first cancels the read, and
    // `done` is not called.
    virtual std::unique_ptr<Handle>
    readContent(double timeout, std::function<void(std::optional<PasteboardContent>)> done) = 0;

    // Replaces the whole content with these items; no items empty the clipboard. False when the
    // clipboard refused them: then its content is unknown, and may be gone.
    virtual bool write(const PasteboardContent& content) = 0;

    // Calls the handler on the main thread whenever somebody else changes the content, until the
    // handle is destroyed. This pasteboard's own writes are never reported, so a caller that
    // wrote can tell whether what it wrote was replaced since.
    virtual std::unique_ptr<Handle> observeChanges(std::function<void()> handler) = 0;
};

} // namespace tandrel
