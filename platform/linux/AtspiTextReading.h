// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXValue.h"
#include "platform/linux/AtspiRequests.h"
#include "platform/linux/EmbeddedText.h"

#include <atspi/atspi.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel::linuxdesktop {

// Reads an element's text as the user sees it, and its selection over that text, through the
// element's AT-SPI Text: a contenteditable answers a placeholder for each child paragraph, so
// placeholders are followed into the children (hypertext links) and the children's own carets
// and selections mapped back into the expanded text, in UTF-16 units.
class AtspiTextReading {
public:
    explicit AtspiTextReading(AtspiRequests& requests) : m_requests(requests) {}

    // The element's text with its embedded children expanded; an error when it has no text.
    Answer<ExpandedText> text(AtspiAccessible* a);
    // The selection, else the caret as an empty range; "no value" when it cannot be mapped.
    ax::Reading selection(AtspiAccessible* a);

private:
    struct TextNode {
        ExpandedText expanded;
        AtspiAccessible* accessible = nullptr; // borrowed from the caller
        // Where the placeholder of each hyperlink sits, in link order: the k-th is link k.
        std::vector<std::int64_t> linkOffsets;
    };
    using Span = std::pair<std::int64_t, std::int64_t>;

    ax::AXError readText(AtspiAccessible* a, int depth, TextNode& out);
    ax::Element linkObject(AtspiHypertext* hypertext, int k);
    ax::Element embeddedChild(const TextNode& node, std::int64_t codePoint);
    Answer<std::optional<ExpandedText::RawSelection>> firstSelection(AtspiText* text);
    std::optional<std::int64_t> mapCaret(const TextNode& node, std::int64_t codePoint, int depth);
    std::optional<Span> mapSelection(const TextNode& node, const ExpandedText::RawSelection& raw,
                                     int depth);
    std::optional<Span> childSelection(const TextNode& node, std::int64_t codePoint, int depth);

    AtspiRequests& m_requests;
};

} // namespace tandrel::linuxdesktop
