// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandrel::e2e {

// The fixture pages as the browser addresses them: the harness resolves both hosts to its local
// HTTPS server, so the addresses carry no port.
inline QString textareaPage() {
    return QStringLiteral("https://chatgpt.com/textarea.html");
}
inline QString contenteditablePage() {
    return QStringLiteral("https://chatgpt.com/contenteditable.html");
}
// A textarea composer whose page changes it at every F9: moves it, removes its side panel,
// changes its classes, replaces its input.
inline QString changingPage() {
    return QStringLiteral("https://chatgpt.com/changing.html");
}
inline QString searchPage() {
    return QStringLiteral("https://chatgpt.com/search.html");
}
inline QString passwordPage() {
    return QStringLiteral("https://chatgpt.com/password.html");
}
inline QString otherHostPage() {
    return QStringLiteral("https://example.com/textarea.html");
}

// The paragraphs of contenteditable.html, as a reader of its text should see them: one line
// feed between paragraphs, characters outside the basic plane intact.
inline QString contenteditableText() {
    return QString::fromUtf8("First paragraph of the draft.\n"
                             "Second one, with a comma.\n"
                             "Third: \u00fcn\u00efc\u00f8d\u00e9 \u2713 and \U0001F600 emoji.");
}

} // namespace tandrel::e2e
