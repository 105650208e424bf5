// SPDX-License-Identifier: MIT
#include "app/sending/PromptSender.h"

#include <QCoreApplication>

#include <memory>

namespace tandrel {

namespace {

// The first check comes this long after the paste keystroke, and each further one as long after
// the previous: most inputs show a paste within a few hundredths of a second.
constexpr double kCheckInterval = 0.08;
// The last attempt number that may schedule another check: at most 20 checks, about 1.6 s.
constexpr int kLastAttemptToRetry = 18;
// The submit is handled by the chat before the clipboard changes under it again.
constexpr double kRestoreDelay = 0.3;
// The clipboard's owner is another program: one that has not handed over everything it holds by
// then is stopped or far too slow, and nothing is sent rather than the user's content lost.
constexpr double kClipboardSaveTimeout = 1.0;

QString unverifiableInput() {
    return QCoreApplication::translate("PromptSender",
                                       "This input cannot be verified. Nothing was sent.");
}
QString clipboardNotSaved() {
    return QCoreApplication::translate("PromptSender",
                                       "Could not save your clipboard. Nothing was sent.");
}
QString clipboardNotRestored() {
    return QCoreApplication::translate("PromptSender", "Could not restore your clipboard.");
}
QString clipboardWriteFailed() {
    return QCoreApplication::translate("PromptSender",
                                       "Could not put the prompt on the clipboard.");
}
QString focusChangedBeforePaste() {
    return QCoreApplication::translate("PromptSender", "Focus changed. Nothing was sent.");
}
QString notRespondingBeforePaste() {
    return QCoreApplication::translate("PromptSender",
                                       "The application is not responding. Nothing was sent.");
}
QString focusChangedDuringCheck() {
    return QCoreApplication::translate("PromptSender", "Focus changed. Return was not pressed.");
}
QString notVerified() {
    return QCoreApplication::translate("PromptSender",
                                       "Could not verify insertion. Return was not pressed.");
}
QString returnFailed() {
    return QCoreApplication::translate("PromptSender", "Prompt inserted. Press Return to send.");
}

} // namespace

PromptSender::PromptSender(Pasteboard& pasteboard, KeyEvents& keys, Clock& clock,
                           FocusTracker& tracker)
    : m_pasteboard(pasteboard), m_keys(keys), m_clock(clock), m_tracker(tracker) {}

PromptSender::~PromptSender() {
    m_step.reset();
    // Leaving mid-insertion must not leave the prompt where the user's clipboard was.
    if (m_insertion)
        restoreClipboard();
}

bool PromptSender::busy() const {
    return m_busy;
}

void PromptSender::send(const Prompt& prompt, const ChatTarget& target) {
    KeyEvents& keys = m_keys;
    if (m_busy) {
        keys.beep();
        return;
    }
    const FocusResult current = m_tracker.evaluate(false);
    if (!target.matches(current.target)) {
        // A stopped application has not moved its focus: a beep alone would leave the user
        // clicking at a palette that seems dead.
        if (current.applicationNotResponding())
            report(notRespondingBeforePaste());
        else
            keys.beep();
        return;
    }
    // The text and the selection come from one reading.
    const std::optional<a11y::TextContent> content = m_tracker.reads().text(target.element);
    if (!content) {
        // Pasting where the result cannot be checked could never end in a safe submit.
        report(unverifiableInput());
        return;
    }
    m_insertion =
        Insertion{prompt.text, target, ComposerTextSnapshot(content->text), content->selection, {},
                  nullptr,     false};
    m_busy = true;
    report(std::nullopt);
    saveClipboard(m_clock.uptime() + kClipboardSaveTimeout);
}

void PromptSender::saveClipboard(double deadline) {
    Pasteboard& pasteboard = m_pasteboard;
    auto copied = std::make_shared<bool>(false);
    m_insertion->clipboardWatch = pasteboard.observeChanges([copied] { *copied = true; });
    const double left = deadline - m_clock.uptime();
    m_step = pasteboard.readContent(
        std::max(left, 0.0), [this, copied, deadline](std::optional<PasteboardContent> saved) {
            // The user copied while it was being read: what was read may be the old content, or
            // part of each. The new one is read instead, within the same second.
            if (saved && *copied && m_clock.uptime() < deadline)
                return saveClipboard(deadline);
            if (*copied)
                saved.reset();
            paste(std::move(saved));
        });
}

void PromptSender::paste(std::optional<PasteboardContent> saved) {
    if (!saved) {
        // Nothing was written: the user's clipboard stays exactly as it is.
        m_insertion.reset();
        finish(clipboardNotSaved());
        return;
    }
    m_insertion->saved = std::move(*saved);

    // The input is confirmed after the clipboard was saved, which may have taken a while, and
    // before the clipboard changes hands. On X11 this process serves the clipboard it owns from
    // its own event loop, and a browser asks the new owner for it as soon as it changes: asking
    // that browser's accessibility afterwards would leave each waiting on the other until the
    // request times out. Nothing runs between this check and the paste keystroke.
    const FocusResult confirmed = m_tracker.evaluate(false);
    if (!m_insertion->target.matches(confirmed.target)) {
        // Nothing was written yet, so the clipboard stays exactly as it is.
        m_insertion.reset();
        // A busy application would take the keystroke late, perhaps after the clipboard is back
        // or the focus has moved: without a confirmed input, nothing is pasted.
        finish(confirmed.applicationNotResponding() ? notRespondingBeforePaste()
                                                    : focusChangedBeforePaste());
        return;
    }

    Pasteboard& pasteboard = m_pasteboard;
    const bool written = pasteboard.write(plainTextContent(m_insertion->text));
    // A refused write may have taken the user's content with it: it is put back all the same.
    m_insertion->clipboardWatch =
        pasteboard.observeChanges([this] { m_insertion->clipboardTaken = true; });
    if (!written) {
        finish(clipboardWriteFailed());
        return;
    }

    if (m_keys.paste()) {
        scheduleCheck(0);
        return;
    }
    finish(focusChangedBeforePaste());
}

void PromptSender::scheduleCheck(int attempt) {
    m_step = m_clock.runAfter(kCheckInterval, [this, attempt] { check(attempt); });
}

void PromptSender::check(int attempt) {
    if (!m_insertion)
        return;
    const FocusResult answer = m_tracker.evaluate(false);
    const std::optional<ChatTarget>& current = answer.target;
    // An application busy with our paste (asking us for the clipboard's text, say) does not
    // answer for a while: nothing moved, so this check only counts as not verified yet.
    if (!answer.applicationNotResponding() && !m_insertion->target.matches(current)) {
        finish(focusChangedDuringCheck());
        return;
    }
    if (current) {
        // A snapshot that times out has no text and so does not verify: checked again.
        const ComposerTextSnapshot after = m_tracker.reads().textSnapshot(current->element);
        if (m_insertion->before.verifiesInsertion(after, m_insertion->text,
                                                  m_insertion->selection)) {
            if (m_keys.submit())
                scheduleFinalRestore();
            else
                finish(returnFailed());
            return;
        }
    }
    if (attempt > kLastAttemptToRetry) {
        finish(notVerified());
        return;
    }
    scheduleCheck(attempt + 1);
}

void PromptSender::scheduleFinalRestore() {
    // busy stays set until the restore: the palette keeps its buttons disabled meanwhile.
    m_step = m_clock.runAfter(kRestoreDelay, [this] { finish(std::nullopt); });
}

void PromptSender::finish(std::optional<QString> status) {
    if (m_insertion && !restoreClipboard()) {
        // Said rather than swallowed: the user may need to copy their content again.
        status =
            status ? *status + QLatin1Char(' ') + clipboardNotRestored() : clipboardNotRestored();
    }
    m_insertion.reset();
    m_busy = false;
    report(status);
}

bool PromptSender::restoreClipboard() {
    // Nothing was written yet; or someone copied after the prompt went onto the clipboard, and
    // their copy is newer and stays.
    if (!m_insertion->clipboardWatch || m_insertion->clipboardTaken)
        return true;
    m_insertion->clipboardWatch.reset();
    // A clipboard that was empty is emptied again rather than left holding the prompt.
    return m_pasteboard.write(m_insertion->saved);
}

void PromptSender::report(const std::optional<QString>& status) {
    emit statusChanged(status);
}

} // namespace tandrel
