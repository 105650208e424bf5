// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiMap.h"

namespace tandrel::linuxdesktop {

a11y::Role roleFor(const RoleFacts& f) {
    using a11y::Role;
    switch (f.role) {
    case ATSPI_ROLE_PASSWORD_TEXT:
        return Role::passwordField;
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TEXT:
        if (f.multiLine)
            return Role::textArea;
        if (f.role == ATSPI_ROLE_ENTRY || f.singleLine || f.editable)
            return Role::textField;
        return Role::other; // read-only text
    case ATSPI_ROLE_DOCUMENT_WEB:
        return Role::webDocument;
    case ATSPI_ROLE_APPLICATION:
        return Role::application;
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
        return Role::window;
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
        return f.webContent ? Role::dialog : Role::window;
    case ATSPI_ROLE_FORM:
        return Role::form;
    default:
        break;
    }
    // A contenteditable region shows up as a section, paragraph or similar with the editable
    // state: it takes text like a multi-line input.
    if (f.editable && f.role != ATSPI_ROLE_DOCUMENT_FRAME)
        return Role::textArea;
    return Role::other;
}

bool roleNeedsAttributes(const RoleFacts& f) {
    return f.role == ATSPI_ROLE_DIALOG || f.role == ATSPI_ROLE_ALERT ||
           f.role == ATSPI_ROLE_FILE_CHOOSER;
}

std::vector<const char*> attributeKeysFor(a11y::Label label) {
    switch (label) {
    case a11y::Label::placeholder:
        // Chromium says "placeholder", GTK "placeholder-text".
        return {"placeholder", "placeholder-text"};
    case a11y::Label::identifier:
        return {"id"};
    case a11y::Label::tagName:
        return {"tag"};
    case a11y::Label::name:
    case a11y::Label::description:
        break;
    }
    return {};
}

std::vector<AtspiStateType> statesFor(a11y::State state) {
    switch (state) {
    case a11y::State::enabled:
        return {ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE};
    case a11y::State::editable:
        return {ATSPI_STATE_EDITABLE};
    }
    return {};
}

bool isBlockRole(AtspiRole role) {
    switch (role) {
    case ATSPI_ROLE_PARAGRAPH:
    case ATSPI_ROLE_HEADING:
    case ATSPI_ROLE_SECTION:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_ITEM:
    case ATSPI_ROLE_BLOCK_QUOTE:
    case ATSPI_ROLE_TABLE:
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_FORM:
    case ATSPI_ROLE_ARTICLE:
    case ATSPI_ROLE_LANDMARK:
    case ATSPI_ROLE_SEPARATOR:
    case ATSPI_ROLE_CAPTION:
    case ATSPI_ROLE_FOOTER:
    case ATSPI_ROLE_HEADER:
    case ATSPI_ROLE_DESCRIPTION_LIST:
    case ATSPI_ROLE_DESCRIPTION_TERM:
    case ATSPI_ROLE_DESCRIPTION_VALUE:
    case ATSPI_ROLE_DOCUMENT_FRAME:
    case ATSPI_ROLE_DOCUMENT_TEXT:
        return true;
    default:
        return false;
    }
}

} // namespace tandrel::linuxdesktop
