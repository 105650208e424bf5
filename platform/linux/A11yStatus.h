#pragma once

namespace tandrel::linuxdesktop {

// The session's switch for assistive technologies: org.a11y.Status "IsEnabled" on the
// org.a11y.Bus service. Applications started while it is off do not expose their trees.
class A11yStatus {
public:
    // True when the accessibility bus service answers and says it is enabled.
    bool isEnabled();
    // Turns the switch on (GNOME keeps it as the toolkit-accessibility setting). Returns whether
    // the service accepted it.
    bool enable();
};

} // namespace tandrel::linuxdesktop
