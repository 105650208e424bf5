// SPDX-License-Identifier: MIT
#pragma once

#include "app/focus/ChatTarget.h"
#include "app/focus/FocusTracker.h"
#include "core/ComposerTextSnapshot.h"
#include "core/Prompt.h"
#include "platform/Clock.h"
#include "platform/KeyEvents.h"
#include "platform/Pasteboard.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tandrel {

// Sends one prompt into a chat input through the clipboard: saves the user's clipboard, puts the
// prompt on it, pastes, checks through accessibility that the text arrived in that same input,
// submits, and puts the clipboard back. The submit comes only after a verified insertion, and the
// clipboard is put back only when nobody else wrote to it meanwhile.
//
// Everything runs on the main thread; the waits between the steps are delayed calls on the
// desktop's clock, cancelled when the sender goes away.
class PromptSender final : public QObject {
    Q_OBJECT
public:
    // What it uses of the desktop: the clipboard, the keys and the clock. They and the tracker
    // outlive the sender.
    PromptSender(Pasteboard& pasteboard, KeyEvents& keys, Clock& clock, FocusTracker& tracker);
    ~PromptSender();
    PromptSender(const PromptSender&) = delete;
    PromptSender& operator=(const PromptSender&) = delete;

    // An insertion is under way: from the accepted click (while the clipboard is being saved)
    // until it ends in any way.
    bool busy() const;

    // Starts inserting the prompt's text into the target that was last found. Returns once the
    // clipboard is being saved or the insertion was refused; the paste, the checks, the submit and
    // the restore follow on the clock. While busy, or when the focus is no longer on the target, it
    // only beeps; when the application does not answer, it says so.
    void send(const Prompt& prompt, const ChatTarget& target);

signals:
    // Each status sentence for the palette, or none to clear it, with busy() already updated, so
    // a receiver can enable or disable buttons from it.
    void statusChanged(const std::optional<QString>& status);

private:
    struct Insertion {
        QString text;
        ChatTarget target;
        ComposerTextSnapshot before;
        std::optional<TextRange> selection;
        PasteboardContent saved;
        // Set once the prompt went onto the clipboard (even if the clipboard refused it): until
        // then there is nothing to put back. Watches for somebody else's copy from then on.
        std::unique_ptr<Handle> clipboardWatch;
        // Somebody else wrote to the clipboard after the prompt: their copy stays.
        bool clipboardTaken = false;
    };

    // Reads the whole clipboard by the deadline (on the clock), then goes on with paste().
    void saveClipboard(double deadline);
    // The clipboard was read, or could not be: confirms the input, writes the prompt and pastes.
    void paste(std::optional<PasteboardContent> saved);
    void scheduleCheck(int attempt);
    void check(int attempt);
    void scheduleFinalRestore();
    // Puts the clipboard back (unless someone else wrote to it), clears busy and reports.
    void finish(std::optional<QString> status);
    // False only when the saved content was due back and the clipboard refused it.
    bool restoreClipboard();
    void report(const std::optional<QString>& status);

    Pasteboard& m_pasteboard;
    KeyEvents& m_keys;
    Clock& m_clock;
    FocusTracker& m_tracker;
    bool m_busy = false;
    std::optional<Insertion> m_insertion;
    std::unique_ptr<Handle> m_step; // the next delayed step of the insertion
};

} // namespace tandrel
