// SPDX-License-Identifier: MIT
#pragma once

#include <QLatin1String>

// Every attribute and notification name that crosses the accessibility seam, spelled once: a
// typo becomes a compile error instead of a quiet "attribute unsupported". Constants, so they
// are safe to use while other constants are being initialised.
namespace tandrel::ax {

namespace attr {
inline constexpr QLatin1String role{"AXRole"};
inline constexpr QLatin1String subrole{"AXSubrole"};
inline constexpr QLatin1String focusedUIElement{"AXFocusedUIElement"};
inline constexpr QLatin1String parent{"AXParent"};
inline constexpr QLatin1String children{"AXChildren"};
inline constexpr QLatin1String window{"AXWindow"};
inline constexpr QLatin1String position{"AXPosition"};
inline constexpr QLatin1String size{"AXSize"};
inline constexpr QLatin1String title{"AXTitle"};
inline constexpr QLatin1String description{"AXDescription"};
inline constexpr QLatin1String placeholderValue{"AXPlaceholderValue"};
inline constexpr QLatin1String identifier{"AXIdentifier"};
inline constexpr QLatin1String domIdentifier{"AXDOMIdentifier"};
inline constexpr QLatin1String domClassList{"AXDOMClassList"};
inline constexpr QLatin1String domTagName{"AXDOMTagName"};
inline constexpr QLatin1String enabled{"AXEnabled"};
inline constexpr QLatin1String editable{"AXEditable"};
inline constexpr QLatin1String url{"AXURL"};
inline constexpr QLatin1String value{"AXValue"};
inline constexpr QLatin1String numberOfCharacters{"AXNumberOfCharacters"};
inline constexpr QLatin1String selectedTextRange{"AXSelectedTextRange"};
inline constexpr QLatin1String manualAccessibility{"AXManualAccessibility"};
inline constexpr QLatin1String enhancedUserInterface{"AXEnhancedUserInterface"};
// Parameterized, with a text range.
inline constexpr QLatin1String stringForRange{"AXStringForRange"};
inline constexpr QLatin1String attributedStringForRange{"AXAttributedStringForRange"};
} // namespace attr

namespace notification {
inline constexpr QLatin1String focusedUIElementChanged{"AXFocusedUIElementChanged"};
inline constexpr QLatin1String focusedWindowChanged{"AXFocusedWindowChanged"};
inline constexpr QLatin1String valueChanged{"AXValueChanged"};
inline constexpr QLatin1String uiElementDestroyed{"AXUIElementDestroyed"};
inline constexpr QLatin1String moved{"AXMoved"};
inline constexpr QLatin1String resized{"AXResized"};
inline constexpr QLatin1String layoutChanged{"AXLayoutChanged"};
} // namespace notification

} // namespace tandrel::ax
