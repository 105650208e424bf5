#pragma once

#include "platform/Handle.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
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

    // Moves whenever the clipboard's content changes, by anybody, so a caller can tell whether
    // it still holds what the caller last saw.
    virtual std::int64_t changeCount() = 0;

    // Empties the clipboard.
    virtual void clearContents() = 0;
    // Replaces the content with plain text; false when the clipboard refused it.
    virtual bool writeString(const QString& text) = 0;
    // Replaces the content with these items; false when the clipboard refused them.
    virtual bool writeItems(const std::vector<PasteboardItem>& items) = 0;
};

} // namespace tandrel
