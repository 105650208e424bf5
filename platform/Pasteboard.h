#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel {

// One clipboard item: its data for each type it offers, in the order the item listed them.
using PasteboardItem = std::vector<std::pair<QString, QByteArray>>;

// The system clipboard, as items that each offer their content in several types (MIME types on
// Linux). Lives as long as the desktop that hands it out; every call is made on the main thread.
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // The types each item offers, one entry per item in the clipboard's order; empty when the
    // clipboard holds nothing or cannot be read.
    virtual std::vector<QStringList> itemTypes() = 0;
    // One item's data of one type; absent when the owner does not deliver it.
    virtual std::optional<QByteArray> data(int item, const QString& type) = 0;
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
