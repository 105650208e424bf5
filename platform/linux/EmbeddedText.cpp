// SPDX-License-Identifier: MIT
#include "platform/linux/EmbeddedText.h"

#include <algorithm>

namespace tandrel::linuxdesktop {

std::optional<std::int64_t> utf16OffsetOfCodePoint(const QString& text, std::int64_t codePoint) {
    if (codePoint < 0)
        return std::nullopt;
    std::int64_t units = 0;
    std::int64_t points = 0;
    const std::int64_t size = text.size();
    while (points < codePoint) {
        if (units >= size)
            return std::nullopt;
        const bool pair = QChar::isHighSurrogate(text.at(units).unicode()) && units + 1 < size &&
                          QChar::isLowSurrogate(text.at(units + 1).unicode());
        units += pair ? 2 : 1;
        ++points;
    }
    return units;
}

std::optional<std::int64_t> codePointOffsetOfUtf16(const QString& text, std::int64_t utf16) {
    if (utf16 < 0 || utf16 > text.size())
        return std::nullopt;
    std::int64_t points = 0;
    std::int64_t units = 0;
    while (units < utf16) {
        const bool pair = QChar::isHighSurrogate(text.at(units).unicode()) &&
                          units + 1 < text.size() &&
                          QChar::isLowSurrogate(text.at(units + 1).unicode());
        // An offset inside a surrogate pair does not name a code point.
        if (pair && units + 1 == utf16)
            return std::nullopt;
        units += pair ? 2 : 1;
        ++points;
    }
    return points;
}

ExpandedText ExpandedText::build(const QString& raw, const std::vector<Embed>& embeds) {
    ExpandedText out;
    bool breakPending = false; // a block ended: whatever follows starts a new line
    auto startLine = [&out] {
        if (!out.m_text.isEmpty() && !out.m_text.endsWith(u'\n'))
            out.m_text.append(u'\n');
    };

    std::int64_t point = 0;
    bool afterPair = false;
    for (qsizetype i = 0; i < raw.size(); ++point) {
        const char16_t c = raw.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < raw.size() &&
                          QChar::isLowSurrogate(raw.at(i + 1).unicode());
        const qsizetype width = pair ? 2 : 1;
        const bool padding = afterPair && c == kAstralPadding;
        afterPair = pair;

        const Embed* embed = nullptr;
        if (c == kEmbeddedObject) {
            auto it = std::find_if(embeds.begin(), embeds.end(),
                                   [point](const Embed& e) { return e.codePointOffset == point; });
            if (it != embeds.end())
                embed = &*it;
        }

        if (embed) {
            if (embed->block || breakPending)
                startLine();
            breakPending = embed->block;
            out.m_rawToExpanded.push_back(out.m_text.size());
            out.m_embeds.push_back({point, out.m_text.size(), embed->text.size()});
            out.m_text.append(embed->text);
        } else if (c == kEmbeddedObject || padding) {
            // A placeholder whose child is unknown has nothing visible to contribute, and
            // padding none at all: an offset at it lands just after the character it pads.
            out.m_rawToExpanded.push_back(out.m_text.size());
        } else {
            if (breakPending && c != u'\n')
                startLine();
            breakPending = false;
            out.m_rawToExpanded.push_back(out.m_text.size());
            out.m_text.append(raw.mid(i, width));
        }
        i += width;
    }
    out.m_rawToExpanded.push_back(out.m_text.size());
    return out;
}

std::optional<std::int64_t> ExpandedText::fromRawOffset(std::int64_t codePoint) const {
    if (codePoint < 0 || codePoint >= static_cast<std::int64_t>(m_rawToExpanded.size()))
        return std::nullopt;
    return m_rawToExpanded[static_cast<std::size_t>(codePoint)];
}

const ExpandedText::Placed* ExpandedText::placedAt(std::int64_t codePoint) const {
    for (const Placed& placed : m_embeds)
        if (placed.rawOffset == codePoint)
            return &placed;
    return nullptr;
}

std::optional<std::int64_t> ExpandedText::embedStart(std::int64_t codePoint) const {
    const Placed* placed = placedAt(codePoint);
    return placed ? std::optional<std::int64_t>(placed->start) : std::nullopt;
}

ExpandedText::RawSelection ExpandedText::ordered(const RawSelection& selection) {
    return {std::min(selection.start, selection.end), std::max(selection.start, selection.end)};
}

std::optional<std::int64_t> ExpandedText::childHoldingStart(const RawSelection& selection) const {
    const RawSelection s = ordered(selection);
    return placedAt(s.start) ? std::optional<std::int64_t>(s.start) : std::nullopt;
}

std::optional<std::int64_t> ExpandedText::childHoldingEnd(const RawSelection& selection) const {
    const RawSelection s = ordered(selection);
    // An empty selection has one place; it is where the start lies.
    if (s.end == s.start)
        return childHoldingStart(s);
    return placedAt(s.end - 1) ? std::optional<std::int64_t>(s.end - 1) : std::nullopt;
}

std::optional<std::pair<std::int64_t, std::int64_t>>
ExpandedText::mapSelection(const RawSelection& selection, std::optional<std::int64_t> innerStart,
                           std::optional<std::int64_t> innerEnd) const {
    const RawSelection s = ordered(selection);
    if (!fromRawOffset(s.start) || !fromRawOffset(s.end))
        return std::nullopt;

    // Inside a child: at the child's start plus the place the child reported, which cannot lie
    // beyond the child's own text.
    auto inside = [](const Placed& child, std::optional<std::int64_t> inner,
                     std::int64_t unknown) -> std::optional<std::int64_t> {
        if (!inner)
            return child.start + unknown;
        if (*inner < 0 || *inner > child.length)
            return std::nullopt;
        return child.start + *inner;
    };

    std::optional<std::int64_t> start;
    if (const auto child = childHoldingStart(s))
        start = inside(*placedAt(*child), innerStart, 0);
    else
        start = fromRawOffset(s.start);

    std::optional<std::int64_t> end;
    if (s.end == s.start) {
        end = start;
    } else if (const auto child = childHoldingEnd(s)) {
        const Placed& placed = *placedAt(*child);
        end = inside(placed, innerEnd, placed.length);
    } else {
        end = fromRawOffset(s.end);
    }

    if (!start || !end || *end < *start)
        return std::nullopt;
    return std::make_pair(*start, *end);
}

} // namespace tandrel::linuxdesktop
