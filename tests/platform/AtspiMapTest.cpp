// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiMap.h"

#include <gtest/gtest.h>

#include <string>

namespace tandrel::linuxdesktop {
namespace {

using a11y::Role;

struct RoleCase {
    const char* what;
    RoleFacts facts;
    Role role;
};

RoleFacts facts(AtspiRole role, bool editable = false, bool multiLine = false,
                bool singleLine = false, bool webContent = false) {
    return RoleFacts{role, editable, multiLine, singleLine, webContent};
}

TEST(AtspiMap, EachElementReadsAsTheRoleTheRulesKnow) {
    const RoleCase cases[] = {
        // A textarea and a role=textbox contenteditable are multi-line entries.
        {"textarea", facts(ATSPI_ROLE_ENTRY, true, true), Role::textArea},
        {"single-line entry", facts(ATSPI_ROLE_ENTRY, true, false, true), Role::textField},
        // An entry that reports neither line state is a field, never a text area.
        {"entry without line state", facts(ATSPI_ROLE_ENTRY), Role::textField},
        {"contenteditable div", facts(ATSPI_ROLE_SECTION, true), Role::textArea},
        {"plain section", facts(ATSPI_ROLE_SECTION), Role::other},
        // Even a multi-line password input must stay a password field.
        {"password", facts(ATSPI_ROLE_PASSWORD_TEXT, true, true), Role::passwordField},
        {"read-only text", facts(ATSPI_ROLE_TEXT), Role::other},
        {"static", facts(ATSPI_ROLE_STATIC), Role::other},
        {"web document", facts(ATSPI_ROLE_DOCUMENT_WEB), Role::webDocument},
        {"editable document frame", facts(ATSPI_ROLE_DOCUMENT_FRAME, true), Role::other},
        {"application", facts(ATSPI_ROLE_APPLICATION), Role::application},
        {"frame", facts(ATSPI_ROLE_FRAME), Role::window},
        {"window", facts(ATSPI_ROLE_WINDOW), Role::window},
        {"native dialog", facts(ATSPI_ROLE_DIALOG), Role::window},
        // A dialog inside a web page (a chat's modal composer) must not stop the walk to the page.
        {"page dialog", facts(ATSPI_ROLE_DIALOG, false, false, false, true), Role::dialog},
        {"form", facts(ATSPI_ROLE_FORM), Role::form},
        {"button", facts(ATSPI_ROLE_PUSH_BUTTON), Role::other},
        {"unknown", facts(ATSPI_ROLE_UNKNOWN), Role::other},
    };
    for (const RoleCase& c : cases)
        EXPECT_EQ(roleFor(c.facts), c.role) << c.what;
    // Only dialogs need the object attributes to be told.
    EXPECT_TRUE(roleNeedsAttributes(facts(ATSPI_ROLE_ALERT)));
    EXPECT_FALSE(roleNeedsAttributes(facts(ATSPI_ROLE_ENTRY)));
}

TEST(AtspiMap, LabelsAndStatesComeFromTheirAttributesAndStates) {
    const auto keys = [](a11y::Label label) {
        std::vector<std::string> names;
        for (const char* key : attributeKeysFor(label))
            names.emplace_back(key);
        return names;
    };
    EXPECT_EQ(keys(a11y::Label::placeholder),
              (std::vector<std::string>{"placeholder", "placeholder-text"}));
    EXPECT_EQ(keys(a11y::Label::identifier), std::vector<std::string>{"id"});
    EXPECT_EQ(keys(a11y::Label::tagName), std::vector<std::string>{"tag"});
    EXPECT_TRUE(keys(a11y::Label::name).empty());
    EXPECT_EQ(statesFor(a11y::State::enabled),
              (std::vector<AtspiStateType>{ATSPI_STATE_ENABLED, ATSPI_STATE_SENSITIVE}));
    EXPECT_EQ(statesFor(a11y::State::editable), std::vector<AtspiStateType>{ATSPI_STATE_EDITABLE});
}

TEST(AtspiMap, ParagraphLikeChildrenAreBlocksAndInlineOnesAreNot) {
    for (const AtspiRole block :
         {ATSPI_ROLE_PARAGRAPH, ATSPI_ROLE_HEADING, ATSPI_ROLE_LIST_ITEM, ATSPI_ROLE_SECTION})
        EXPECT_TRUE(isBlockRole(block)) << block;
    for (const AtspiRole inlined : {ATSPI_ROLE_LINK, ATSPI_ROLE_IMAGE, ATSPI_ROLE_STATIC})
        EXPECT_FALSE(isBlockRole(inlined)) << inlined;
}

} // namespace
} // namespace tandrel::linuxdesktop
