// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Observers.h"
#include "platform/Pasteboard.h"

#include <QMetaObject>
#include <QPointer>

class QClipboard;
class QMimeData;

namespace tandrel::linuxdesktop {

class X11ClipboardReader;

// The X11 CLIPBOARD selection through QClipboard: one item whose types are the MIME formats its
// owner offers. Reaching the clipboard needs a QGuiApplication, so nothing is touched until the
// first call; without one the clipboard reads as empty and refuses writes. Another program's
// content is read without waiting on that program (X11ClipboardReader); what Tandrel holds
// itself is read from its own copy.
//
// Tandrel's own writes (the prompt, and the user's content put back) carry the hint that
// clipboard managers honour for secrets, so a user's clipboard history is not filled with
// prompts and duplicates of what it already holds. QClipboard reports them as changes too, at
// once and again when the window system confirms them: those reports are not passed on.
class QtPasteboard final : public Pasteboard {
public:
    QtPasteboard();
    ~QtPasteboard() override;

    std::unique_ptr<Handle>
    readContent(double timeout,
                std::function<void(std::optional<PasteboardContent>)> done) override;
    bool write(const PasteboardContent& content) override;
    std::unique_ptr<Handle> observeChanges(std::function<void()> handler) override;
    // What this process holds on the clipboard (for the user, after a send), none when another
    // program holds it.
    std::optional<PasteboardContent> heldContent();

private:
    QClipboard* clipboard();
    PasteboardContent ownContent();
    bool stillOurs();
    void noteChange();

    Observers m_observers;
    QMetaObject::Connection m_changed;
    bool m_writing = false;
    // What Tandrel last put on the clipboard; a change while it is still there is our own echo.
    bool m_ownsContent = false;
    QPointer<QMimeData> m_own;
    std::unique_ptr<X11ClipboardReader> m_reader;
};

} // namespace tandrel::linuxdesktop
