// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"

#include <QString>

#include <atspi/atspi-constants.h>

#include <vector>

// Which AT-SPI role, state and attribute stands for each name the composer rules use. Everything
// the adapter translates is decided here; the README keeps a short version for contributors.
namespace tandrel::linuxdesktop {

// The facts about an AT-SPI element that decide which role the focus rules see.
struct RoleFacts {
    AtspiRole role = ATSPI_ROLE_INVALID;
    bool editable = false;
    bool multiLine = false;
    bool singleLine = false;
    // Set for elements of a web page (they carry a DOM "tag"), so that a page's dialog does not
    // read as a top-level window and end upward walks early.
    bool webContent = false;
};

// The role under which an AT-SPI element appears to the focus rules.
a11y::Role roleFor(const RoleFacts& facts);
// Whether the role needs the element's object attributes (RoleFacts::webContent) to be told.
bool roleNeedsAttributes(const RoleFacts& facts);

// The object attributes that carry a label, in the order asked; empty for the labels that are
// the accessible name and description themselves.
std::vector<const char*> attributeKeysFor(a11y::Label label);
// The object attribute with a page element's CSS classes, separated by spaces.
inline constexpr const char* kClassAttribute = "class";
// The states that each stand for a state the rules ask about (either one will do).
std::vector<AtspiStateType> statesFor(a11y::State state);

// Whether an embedded child of this role starts a line of its own in the surrounding text.
bool isBlockRole(AtspiRole role);

} // namespace tandrel::linuxdesktop
