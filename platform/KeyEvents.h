// SPDX-License-Identifier: MIT
#pragma once

namespace tandrel {

// What the sender does with the keyboard, in its own terms: each desktop chooses the keys that
// mean them there. Every keystroke goes to whatever has the keyboard focus. Lives as long as the
// desktop that hands it out; every call is made on the main thread.
class KeyEvents {
public:
    virtual ~KeyEvents() = default;

    // The focused input takes the clipboard's content. False when the keystrokes could not be
    // created or posted (then nothing was posted).
    virtual bool paste() = 0;
    // The focused input sends what it holds, as the Return key would. False as for paste().
    virtual bool submit() = 0;
    // The system beep.
    virtual void beep() = 0;
};

} // namespace tandrel
