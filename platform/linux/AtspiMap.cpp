// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiRoles.h"

namespace tandrel::linuxdesktop {

namespace {

// Nearest equivalents for the roles that are neither text inputs nor containers the rules name.
QString plainRoleName(AtspiRole role) {
    switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
        return QStringLiteral("AXButton");
    case ATSPI_ROLE_CHECK_BOX:
        return QStringLiteral("AXCheckBox");
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
        return QStringLiteral("AXRadioButton");
    case ATSPI_ROLE_LINK:
        return QStringLiteral("AXLink");
    case ATSPI_ROLE_HEADING:
        return QStringLiteral("AXHeading");
    case ATSPI_ROLE_LABEL:
    case ATSPI_ROLE_STATIC:
    case ATSPI_ROLE_TEXT:
        return QStringLiteral("AXStaticText");
    case ATSPI_ROLE_IMAGE:
    case ATSPI_ROLE_ICON:
        return QStringLiteral("AXImage");
    case ATSPI_ROLE_LIST:
    case ATSPI_ROLE_LIST_BOX:
        return QStringLiteral("AXList");
    case ATSPI_ROLE_TABLE:
        return QStringLiteral("AXTable");
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_TREE_ITEM:
        return QStringLiteral("AXRow");
    case ATSPI_ROLE_TREE:
    case ATSPI_ROLE_TREE_TABLE:
        return QStringLiteral("AXOutline");
    case ATSPI_ROLE_SCROLL_PANE:
        return QStringLiteral("AXScrollArea");
    case ATSPI_ROLE_SCROLL_BAR:
        return QStringLiteral("AXScrollBar");
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_POPUP_MENU:
        return QStringLiteral("AXMenu");
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
        return QStringLiteral("AXMenuItem");
    case ATSPI_ROLE_MENU_BAR:
        return QStringLiteral("AXMenuBar");
    case ATSPI_ROLE_TOOL_BAR:
        return QStringLiteral("AXToolbar");
    case ATSPI_ROLE_COMBO_BOX:
        return QStringLiteral("AXComboBox");
    case ATSPI_ROLE_SLIDER:
        return QStringLiteral("AXSlider");
    case ATSPI_ROLE_SPIN_BUTTON:
        return QStringLiteral("AXIncrementor");
    case ATSPI_ROLE_PROGRESS_BAR:
        return QStringLiteral("AXProgressIndicator");
    case ATSPI_ROLE_SPLIT_PANE:
        return QStringLiteral("AXSplitGroup");
    case ATSPI_ROLE_PAGE_TAB_LIST:
        return QStringLiteral("AXTabGroup");
    case ATSPI_ROLE_SEPARATOR:
        return QStringLiteral("AXSplitter");
    default:
        return QStringLiteral("AXGroup");
    }
}

} // namespace

RoleNames translateRole(const RoleFacts& f) {
    switch (f.role) {
    case ATSPI_ROLE_PASSWORD_TEXT:
        return {QStringLiteral("AXTextField"), QStringLiteral("AXSecureTextField")};
    case ATSPI_ROLE_ENTRY:
    case ATSPI_ROLE_TEXT:
        if (f.multiLine)
            return {QStringLiteral("AXTextArea"), {}};
        if (f.role == ATSPI_ROLE_ENTRY || f.singleLine || f.editable) {
            if (f.searchBox)
                return {QStringLiteral("AXTextField"), QStringLiteral("AXSearchField")};
            return {QStringLiteral("AXTextField"), {}};
        }
        break; // read-only text: falls through to the plain names
    case ATSPI_ROLE_DOCUMENT_WEB:
        return {QStringLiteral("AXWebArea"), {}};
    case ATSPI_ROLE_APPLICATION:
        return {QStringLiteral("AXApplication"), {}};
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
        return {QStringLiteral("AXWindow"), {}};
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
        if (!f.webContent)
            return {QStringLiteral("AXWindow"), {}};
        return {QStringLiteral("AXGroup"), QStringLiteral("AXApplicationDialog")};
    case ATSPI_ROLE_FORM:
        return {QStringLiteral("AXGroup"), QStringLiteral("AXLandmarkForm")};
    default:
        break;
    }
    // A contenteditable region shows up as a section, paragraph or similar with the editable
    // state: it takes text like a multi-line input.
    if (f.editable && f.role != ATSPI_ROLE_DOCUMENT_FRAME)
        return {QStringLiteral("AXTextArea"), {}};
    return {plainRoleName(f.role), {}};
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
