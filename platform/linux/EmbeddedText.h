// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tandrel::linuxdesktop {

// AT-SPI counts text offsets in code points; the focus rules count UTF-16 units. Both
// conversions answer nothing for an offset outside 0...length.
std::optional<std::int64_t> utf16OffsetOfCodePoint(const QString& text, std::int64_t codePoint);
std::optional<std::int64_t> codePointOffsetOfUtf16(const QString& text, std::int64_t utf16);

// The object replacement character that stands for an embedded child in AT-SPI text.
inline constexpr char16_t kEmbeddedObject = u'\uFFFC';

// Firefox counts text offsets in UTF-16 units internally and keeps AT-SPI's code-point offsets in
// step by answering this character after every character outside the basic plane: it is not
// part of the text.
inline constexpr char16_t kAstralPadding = u'\uFEFF';

// One embedded child: where its placeholder sits in the parent's text and what it reads as.
struct Embed {
    std::int64_t codePointOffset = 0; // offset of the U+FFFC in the parent's raw text
    QString text;                     // the child's own text, already expanded
    bool block = false;               // a paragraph-like child: on a line of its own
};

// The visible text of an element whose AT-SPI text holds placeholders for its children
// (a contenteditable answers U+FFFC for each paragraph). Each placeholder is replaced by its
// child's text, block children are separated from their neighbours by line feeds, and a
// placeholder without a known child disappears, as does Firefox's padding after a character
// outside the basic plane, so the result reads as the user sees it.
class ExpandedText {
public:
    static ExpandedText build(const QString& raw, const std::vector<Embed>& embeds);

    const QString& text() const { return m_text; }

    // Where a code-point offset of the raw text lands in the expanded text, in UTF-16 units.
    // An offset at a placeholder lands at the start of that child's text.
    std::optional<std::int64_t> fromRawOffset(std::int64_t codePoint) const;

    // The offset in the expanded text at which the child whose placeholder sits at this
    // code-point offset begins; nothing when no child is known there.
    std::optional<std::int64_t> embedStart(std::int64_t codePoint) const;

    // A selection as AT-SPI reports it on this element: code points of the raw text, in either
    // order. An end that lies inside an embedded child is reported at the child's placeholder
    // when it is the selection's start, and just after the placeholder when it is its end; the
    // child itself holds the exact place in its own selection.
    struct RawSelection {
        std::int64_t start = 0;
        std::int64_t end = 0;
    };

    // The placeholder offset of the child in which the selection's start, or end, lies; nothing
    // when that end lies in this element's own text.
    std::optional<std::int64_t> childHoldingStart(const RawSelection& selection) const;
    std::optional<std::int64_t> childHoldingEnd(const RawSelection& selection) const;

    // The selection in the expanded text as [start, end) in UTF-16 units. `innerStart` and
    // `innerEnd` are where the ends lie inside the children that hold them, in UTF-16 units of
    // those children's expanded texts, when the children said; without that a child counts as
    // selected from its start, or up to its end. Nothing when an offset lies outside the text
    // or the ends cross.
    std::optional<std::pair<std::int64_t, std::int64_t>>
    mapSelection(const RawSelection& selection, std::optional<std::int64_t> innerStart,
                 std::optional<std::int64_t> innerEnd) const;

private:
    struct Placed {
        std::int64_t rawOffset = 0; // of the placeholder
        std::int64_t start = 0;     // of the child's text in the expanded text
        std::int64_t length = 0;    // of the child's text
    };
    const Placed* placedAt(std::int64_t codePoint) const;
    static RawSelection ordered(const RawSelection& selection);

    QString m_text;
    std::vector<std::int64_t> m_rawToExpanded; // one per raw code point, plus the end
    std::vector<Placed> m_embeds;
};

} // namespace tandrel::linuxdesktop
