// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <atspi/atspi-constants.h>

namespace tandrel::linuxdesktop {

// The facts about an AT-SPI element that decide which role name the focus rules see.
struct RoleFacts {
    AtspiRole role = ATSPI_ROLE_INVALID;
    bool editable = false;
    bool multiLine = false;
    bool singleLine = false;
    // Set for elements of a web page (they carry a DOM "tag"), so that a page's dialog does not
    // read as a top-level window and end upward walks early.
    bool webContent = false;
    // The element is a search box ("searchbox" ARIA role or an input of type search).
    bool searchBox = false;
};

struct RoleNames {
    QString role;
    QString subrole; // empty when the element has none
};

// The role and subrole under which an AT-SPI element appears to the focus rules.
RoleNames translateRole(const RoleFacts& facts);

// Whether an embedded child of this role starts a line of its own in the surrounding text.
bool isBlockRole(AtspiRole role);

} // namespace tandrel::linuxdesktop
