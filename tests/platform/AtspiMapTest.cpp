// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiRoles.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

RoleFacts facts(AtspiRole role) {
    RoleFacts f;
    f.role = role;
    return f;
}

RoleFacts editable(AtspiRole role, bool multiLine = false, bool singleLine = false) {
    RoleFacts f = facts(role);
    f.editable = true;
    f.multiLine = multiLine;
    f.singleLine = singleLine;
    return f;
}

TEST(AtspiRoles, TextInputsReadAsTheTextRolesTheRulesKnow) {
    // A textarea and a role=textbox contenteditable are multi-line entries.
    EXPECT_EQ(translateRole(editable(ATSPI_ROLE_ENTRY, true)).role, "AXTextArea");
    EXPECT_EQ(translateRole(editable(ATSPI_ROLE_ENTRY, false, true)).role, "AXTextField");
    // An entry that reports neither line state is a field, never a text area.
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_ENTRY)).role, "AXTextField");
    // A plain contenteditable div shows up as an editable section.
    EXPECT_EQ(translateRole(editable(ATSPI_ROLE_SECTION)).role, "AXTextArea");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_SECTION)).role, "AXGroup");
    EXPECT_TRUE(translateRole(editable(ATSPI_ROLE_ENTRY, true)).subrole.isEmpty());
}

TEST(AtspiRoles, PasswordAndSearchFieldsCarryTheirSubroles) {
    // Even a multi-line password input must stay a secure field.
    const RoleNames password = translateRole(editable(ATSPI_ROLE_PASSWORD_TEXT, true));
    EXPECT_EQ(password.role, "AXTextField");
    EXPECT_EQ(password.subrole, "AXSecureTextField");

    RoleFacts search = editable(ATSPI_ROLE_ENTRY, false, true);
    search.searchBox = true;
    EXPECT_EQ(translateRole(search).role, "AXTextField");
    EXPECT_EQ(translateRole(search).subrole, "AXSearchField");
}

TEST(AtspiRoles, ReadOnlyTextIsNotAnInput) {
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_TEXT)).role, "AXStaticText");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_STATIC)).role, "AXStaticText");
}

TEST(AtspiRoles, ContainersThatEndUpwardWalks) {
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_DOCUMENT_WEB)).role, "AXWebArea");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_APPLICATION)).role, "AXApplication");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_FRAME)).role, "AXWindow");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_WINDOW)).role, "AXWindow");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_DIALOG)).role, "AXWindow");
    // A dialog inside a web page (a chat's modal composer) must not stop the walk to the page.
    RoleFacts webDialog = facts(ATSPI_ROLE_DIALOG);
    webDialog.webContent = true;
    EXPECT_NE(translateRole(webDialog).role, "AXWindow");
}

TEST(AtspiRoles, FormsAreLandmarkFormsAndOtherRolesGetNearestNames) {
    const RoleNames form = translateRole(facts(ATSPI_ROLE_FORM));
    EXPECT_EQ(form.role, "AXGroup");
    EXPECT_EQ(form.subrole, "AXLandmarkForm");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_PUSH_BUTTON)).role, "AXButton");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_LINK)).role, "AXLink");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_COMBO_BOX)).role, "AXComboBox");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_PANEL)).role, "AXGroup");
    EXPECT_EQ(translateRole(facts(ATSPI_ROLE_UNKNOWN)).role, "AXGroup");
}

TEST(AtspiRoles, ParagraphLikeChildrenAreBlocksAndInlineOnesAreNot) {
    EXPECT_TRUE(isBlockRole(ATSPI_ROLE_PARAGRAPH));
    EXPECT_TRUE(isBlockRole(ATSPI_ROLE_HEADING));
    EXPECT_TRUE(isBlockRole(ATSPI_ROLE_LIST_ITEM));
    EXPECT_TRUE(isBlockRole(ATSPI_ROLE_SECTION));
    EXPECT_FALSE(isBlockRole(ATSPI_ROLE_LINK));
    EXPECT_FALSE(isBlockRole(ATSPI_ROLE_IMAGE));
    EXPECT_FALSE(isBlockRole(ATSPI_ROLE_STATIC));
}

} // namespace
} // namespace tandrel::linuxdesktop
