// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace tandrel::a11y {

// The roles the composer rules tell apart; every other role is `other`.
enum class Role {
    application,   // the root of a program's tree
    window,        // a top-level window or a native dialog
    webDocument,   // a web page's document
    form,          // a form landmark in a page
    dialog,        // a dialog inside a page
    textArea,      // a multi-line input, or an editable region of a page
    textField,     // a single-line input
    passwordField, // an input that hides what is typed
    other,
};

// The role as the diagnostics show it: "text area", "web document", …
QString nameOf(Role role);

} // namespace tandrel::a11y
