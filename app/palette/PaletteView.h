// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tandrel {

// Frames inside the palette are content coordinates: origin at the top left of the window's
// content, in points. A prompt button's frame and the hint's are relative to the strip.

struct PromptButtonContent {
    QString title;                 // the prompt's button label
    QString toolTip;               // the prompt's whole text
    QString accessibleName;        // the button label
    QString accessibleDescription; // what pressing it does, with the text
    Rect frame;                    // in the strip
};

// The line shown in the strip when there are no prompts.
struct StripHint {
    QString text;
    Rect frame; // in the strip
};

struct OverflowItem {
    QString title;
    QString toolTip;
    int tag = 0; // index of the prompt button it stands for
    bool enabled = true;
    friend bool operator==(const OverflowItem&, const OverflowItem&) = default;
};

// The pull-down's menu: its title (what the control reads) and one item per hidden button.
struct OverflowMenu {
    QString title;
    std::vector<OverflowItem> items;
    friend bool operator==(const OverflowMenu&, const OverflowMenu&) = default;
};

// Everything one layout decides inside the window.
struct PaletteLayout {
    Size content;
    Rect strip;
    std::vector<bool> buttonHidden; // one per prompt button
    bool moreHidden = true;
    bool moreEnabled = true;
    Rect more;
    Rect edit;
    Rect close;
    bool statusHidden = true;
    QString statusText;
    Rect status;
    friend bool operator==(const PaletteLayout&, const PaletteLayout&) = default;
};

// What the palette controller asks of its window. The view applies plain values and reports
// presses; it decides nothing. Implemented by the Qt window and by recording doubles in tests.
class PaletteView {
public:
    // Presses from the window's controls. Installed by the controller, cleared when it goes, so
    // a press after that does nothing.
    struct Actions {
        std::function<void(int index)> promptPressed;
        std::function<void(int tag)> overflowChosen;
        std::function<void()> editPressed;
        std::function<void()> dismissPressed;
    };

    virtual ~PaletteView() = default;

    virtual void setActions(Actions actions) = 0;

    // Width of a prompt button's title in the buttons' font, with the button's own padding:
    // what the button would need to show it whole.
    virtual double intrinsicButtonWidth(const QString& title) = 0;

    // Replaces the strip's contents: the prompt buttons, or the hint when there are none.
    virtual void setPromptButtons(const std::vector<PromptButtonContent>& buttons,
                                  const std::optional<StripHint>& hint) = 0;
    virtual void setPromptButtonsEnabled(bool enabled) = 0;

    virtual void applyLayout(const PaletteLayout& layout) = 0;

    // Replaces the overflow control's menu; none removes it.
    virtual void setOverflowMenu(const std::optional<OverflowMenu>& menu) = 0;
    // Enables or disables every item of the current menu.
    virtual void setOverflowItemsEnabled(bool enabled) = 0;

    // The window's frame in the screens' coordinates (top-left origin, points).
    virtual void setWindowFrame(const Rect& frame) = 0;
    // Shows the window without activating the application or taking focus, or hides it.
    virtual void setWindowVisible(bool visible) = 0;
};

} // namespace tandrel
