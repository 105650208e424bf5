// SPDX-License-Identifier: MIT
#pragma once

#include "core/AccessibleRole.h"
#include "core/Geometry.h"

#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

// Pure rules deciding which applications, pages and elements count as a chat composer, and
// whether a paste really arrived in one.
namespace tandrel::ComposerPolicy {

// Identities of the supported desktop chat applications (exact, case-sensitive), as
// identityFor() gives them.
const QSet<QString>& desktopChatIDs();

// Lower-case host names of the supported web chats (exact membership, no subdomains).
const QSet<QString>& webChatHosts();

// True for an http(s) address whose host, lower-cased and stripped of dots at both ends, is a
// web chat host. Path, query, fragment and port play no part.
bool acceptsWebURL(const QUrl& url);

// True when a focused element with these accessibility traits looks like a chat composer.
// `hints` are the element's descriptive texts joined by spaces; `editable` is absent when the
// element does not report it.
bool accepts(a11y::Role role, const QString& hints, std::optional<bool> editable);

// The text with line endings and no-break spaces unified, blank lines collapsed and
// whitespace trimmed from both ends.
QString comparableText(const QString& s);

// What the input should hold if the paste replaced exactly `selection` (UTF-16 code units) in
// `before`; absent when the selection is missing or does not fit `before`.
std::optional<QString> expectedValue(const QString& before, const QString& inserted,
                                     std::optional<TextRange> selection);

// Whether `after` is `before` with `inserted` spliced in at one place (or equals `expected`).
bool insertionVerified(const QString& before, const QString& after, const QString& inserted,
                       const std::optional<QString>& expected);

namespace detail {
// insertionVerified() without its shortcut for simple texts, so tests can check that both
// ways give the same answers.
bool insertionVerifiedByClusters(const QString& before, const QString& after,
                                 const QString& inserted, const std::optional<QString>& expected);
} // namespace detail

} // namespace tandrel::ComposerPolicy
