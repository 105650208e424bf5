// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiTextReading.h"

#include "platform/linux/AtspiElement.h"
#include "platform/linux/AtspiMap.h"

#include <algorithm>

namespace tandrel::linuxdesktop {

namespace {

// Bounds that keep one request from walking an unbounded tree.
constexpr int kMaxTextDepth = 8;
constexpr int kMaxEmbeddedLinks = 4096;

} // namespace

std::optional<Failure> AtspiTextReading::readText(AtspiAccessible* a, int depth, TextNode& out) {
    out.accessible = a;
    const GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(a));
    if (!text)
        return Failure::unsupported;
    const auto count =
        m_requests.send([&](GError** e) { return atspi_text_get_character_count(text.get(), e); });
    if (!count.ok())
        return count.failure;
    const auto chars = m_requests.send(
        [&](GError** e) { return GCharPtr(atspi_text_get_text(text.get(), 0, count.value, e)); });
    if (!chars.ok())
        return chars.failure;
    const QString raw = chars.value ? QString::fromUtf8(chars.value.get()) : QString();

    std::vector<Embed> embeds;
    const GObjectPtr<AtspiHypertext> hypertext(raw.contains(QChar(kEmbeddedObject)) &&
                                                       depth < kMaxTextDepth
                                                   ? atspi_accessible_get_hypertext_iface(a)
                                                   : nullptr);
    if (hypertext) {
        const int links =
            m_requests
                .send([&](GError** e) { return atspi_hypertext_get_n_links(hypertext.get(), e); })
                .value;
        // Placeholders stand for the links in order: the k-th U+FFFC is link k.
        std::vector<std::int64_t> placeholders;
        std::int64_t point = 0;
        for (qsizetype i = 0; i < raw.size(); ++i, ++point) {
            if (raw.at(i) == QChar(kEmbeddedObject))
                placeholders.push_back(point);
            if (raw.at(i).isHighSurrogate() && i + 1 < raw.size())
                ++i;
        }
        const int usable =
            std::min({links, kMaxEmbeddedLinks, static_cast<int>(placeholders.size())});
        for (int k = 0; k < usable; ++k) {
            const std::int64_t offset = placeholders[static_cast<std::size_t>(k)];
            out.linkOffsets.push_back(offset);
            const a11y::Element child = linkObject(hypertext.get(), k);
            if (child.isNull())
                continue;
            AtspiAccessible* c = AtspiElement::accessibleOf(child);
            TextNode node;
            Embed embed;
            embed.codePointOffset = offset;
            if (!readText(c, depth + 1, node))
                embed.text = node.expanded.text();
            embed.block = isBlockRole(
                m_requests.send([&](GError** e) { return atspi_accessible_get_role(c, e); }).value);
            embeds.push_back(std::move(embed));
        }
    }
    out.expanded = ExpandedText::build(raw, embeds);
    return std::nullopt;
}

a11y::Element AtspiTextReading::linkObject(AtspiHypertext* hypertext, int k) {
    const auto link = m_requests.send([&](GError** e) {
        return GObjectPtr<AtspiHyperlink>(atspi_hypertext_get_link(hypertext, k, e));
    });
    if (!link.ok() || !link.value)
        return {};
    const auto child = m_requests.send([&](GError** e) {
        return AtspiElement::adopt(atspi_hyperlink_get_object(link.value.get(), 0, e));
    });
    return child.ok() ? child.value : a11y::Element();
}

a11y::Element AtspiTextReading::embeddedChild(const TextNode& node, std::int64_t codePoint) {
    if (!node.accessible)
        return {};
    const auto found = std::find(node.linkOffsets.begin(), node.linkOffsets.end(), codePoint);
    if (found == node.linkOffsets.end())
        return {};
    const GObjectPtr<AtspiHypertext> hypertext(
        atspi_accessible_get_hypertext_iface(node.accessible));
    if (!hypertext)
        return {};
    return linkObject(hypertext.get(), static_cast<int>(found - node.linkOffsets.begin()));
}

Answer<std::optional<ExpandedText::RawSelection>>
AtspiTextReading::firstSelection(AtspiText* text) {
    const auto selections =
        m_requests.send([&](GError** e) { return atspi_text_get_n_selections(text, e); });
    if (!selections.ok() || selections.value <= 0)
        return {std::nullopt, selections.failure};
    const auto range = m_requests.send(
        [&](GError** e) { return GMallocPtr<AtspiRange>(atspi_text_get_selection(text, 0, e)); });
    if (!range.ok() || !range.value)
        return {std::nullopt, range.ok() ? Failure::noValue : *range.failure};
    return {ExpandedText::RawSelection{range.value->start_offset, range.value->end_offset}, {}};
}

std::optional<std::int64_t> AtspiTextReading::mapCaret(const TextNode& node, std::int64_t codePoint,
                                                       int depth) {
    const auto base = node.expanded.fromRawOffset(codePoint);
    if (!base)
        return std::nullopt;
    const auto childStart = node.expanded.embedStart(codePoint);
    if (!childStart || depth >= kMaxTextDepth)
        return base;
    // The caret sits in an embedded child (a paragraph of a contenteditable): ask the child
    // where in its own text, and place that inside the child's part of the expanded text.
    const a11y::Element child = embeddedChild(node, codePoint);
    if (child.isNull())
        return base;
    AtspiAccessible* c = AtspiElement::accessibleOf(child);
    const GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(c));
    if (!text)
        return base;
    const auto caret =
        m_requests.send([&](GError** e) { return atspi_text_get_caret_offset(text.get(), e); });
    if (!caret.ok() || caret.value < 0)
        return base;
    TextNode childNode;
    if (readText(c, depth + 1, childNode))
        return base;
    const auto inner = mapCaret(childNode, caret.value, depth + 1);
    if (!inner)
        return base;
    return *childStart + *inner;
}

std::optional<AtspiTextReading::Span>
AtspiTextReading::childSelection(const TextNode& node, std::int64_t codePoint, int depth) {
    if (depth >= kMaxTextDepth)
        return std::nullopt;
    const a11y::Element child = embeddedChild(node, codePoint);
    if (child.isNull())
        return std::nullopt;
    AtspiAccessible* c = AtspiElement::accessibleOf(child);
    const GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(c));
    if (!text)
        return std::nullopt;
    const auto raw = firstSelection(text.get());
    if (!raw.ok() || !raw.value)
        return std::nullopt;
    TextNode childNode;
    if (readText(c, depth + 1, childNode))
        return std::nullopt;
    return mapSelection(childNode, *raw.value, depth + 1);
}

std::optional<AtspiTextReading::Span>
AtspiTextReading::mapSelection(const TextNode& node, const ExpandedText::RawSelection& raw,
                               int depth) {
    // Each end that lies inside a paragraph (or a link) is followed into it: the child's own
    // selection says where, the start from its start and the end from its end.
    std::optional<std::int64_t> innerStart;
    std::optional<std::int64_t> innerEnd;
    const auto startChild = node.expanded.childHoldingStart(raw);
    const auto endChild = node.expanded.childHoldingEnd(raw);
    std::optional<Span> inStartChild;
    if (startChild && (inStartChild = childSelection(node, *startChild, depth)))
        innerStart = inStartChild->first;
    if (endChild) {
        // When one child holds both ends, its one selection answers for both.
        const auto inEndChild =
            endChild == startChild ? inStartChild : childSelection(node, *endChild, depth);
        if (inEndChild)
            innerEnd = inEndChild->second;
    }
    return node.expanded.mapSelection(raw, innerStart, innerEnd);
}

Answer<a11y::TextContent> AtspiTextReading::read(AtspiAccessible* a, bool withSelection) {
    TextNode node;
    if (const auto failure = readText(a, 0, node))
        return {{}, failure};
    return {{node.expanded.text(), withSelection ? selection(node) : std::nullopt}, {}};
}

std::optional<TextRange> AtspiTextReading::selection(const TextNode& node) {
    const GObjectPtr<AtspiText> text(atspi_accessible_get_text_iface(node.accessible));
    if (!text)
        return std::nullopt;
    const auto raw = firstSelection(text.get());
    if (!raw.ok())
        return std::nullopt;
    if (raw.value) {
        const auto mapped = mapSelection(node, *raw.value, 0);
        if (!mapped)
            return std::nullopt;
        return TextRange{mapped->first, mapped->second - mapped->first};
    }
    const auto caret =
        m_requests.send([&](GError** e) { return atspi_text_get_caret_offset(text.get(), e); });
    if (!caret.ok() || caret.value < 0)
        return std::nullopt;
    const auto at = mapCaret(node, caret.value, 0);
    if (!at)
        return std::nullopt;
    return TextRange{*at, 0};
}

} // namespace tandrel::linuxdesktop
