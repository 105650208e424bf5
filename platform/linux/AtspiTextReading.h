// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
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

    // The element's text with its embedded children expanded, and if asked its selection over that
    // text (else the caret as an empty range; none when it cannot be mapped); a failure when the
    // element has no text.
    Answer<a11y::TextContent> read(AtspiAccessible* a, bool withSelection);

private:
    struct TextNode {
        ExpandedText expanded;
        AtspiAccessible* accessible = nullptr; // borrowed from the caller
        // Where the placeholder of each hyperlink sits, in link order: the k-th is link k.
        std::vector<std::int64_t> linkOffsets;
    };
    using Span = std::pair<std::int64_t, std::int64_t>;

    // Nothing on success.
    std::optional<Failure> readText(AtspiAccessible* a, int depth, TextNode& out);
    std::optional<TextRange> selection(const TextNode& node);
    a11y::Element linkObject(AtspiHypertext* hypertext, int k);
    a11y::Element embeddedChild(const TextNode& node, std::int64_t codePoint);
    Answer<std::optional<ExpandedText::RawSelection>> firstSelection(AtspiText* text);
    std::optional<std::int64_t> mapCaret(const TextNode& node, std::int64_t codePoint, int depth);
    std::optional<Span> mapSelection(const TextNode& node, const ExpandedText::RawSelection& raw,
                                     int depth);
    std::optional<Span> childSelection(const TextNode& node, std::int64_t codePoint, int depth);

    AtspiRequests& m_requests;
};

} // namespace tandrel::linuxdesktop
