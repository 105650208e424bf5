#pragma once

#include <cstdint>

namespace tandrel {

// Key codes and modifier flags as the sender speaks them: positions on the ANSI keyboard and the
// Command flag. A desktop translates them into its own keys (Control+V on Linux).
using KeyCode = std::uint16_t;
using KeyFlags = std::uint64_t;

inline constexpr KeyCode kKeyCodeV = 9;
inline constexpr KeyCode kKeyCodeReturn = 36;
inline constexpr KeyFlags kKeyFlagsNone = 0;
inline constexpr KeyFlags kKeyFlagCommand = 0x100000;

// Synthetic keystrokes to whatever has the keyboard focus, and the system beep. Lives as long as
// the desktop that hands it out; every call is made on the main thread.
class KeyEvents {
public:
    virtual ~KeyEvents() = default;

    // Posts one press and release of the key with the modifiers held; false when the keystroke
    // could not be created or posted (then nothing was posted).
    virtual bool postKey(KeyCode code, KeyFlags flags) = 0;
    virtual void beep() = 0;
};

} // namespace tandrel
