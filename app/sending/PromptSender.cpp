#include "app/sending/PromptSender.h"

namespace tandrel {

namespace {

// The first check comes this long after the paste keystroke, and each further one as long after
// the previous: most inputs show a paste within a few hundredths of a second.
constexpr double kCheckInterval = 0.08;
// The last attempt number that may schedule another check: at most 20 checks, about 1.6 s.
constexpr int kLastAttemptToRetry = 18;
// Return is handled by the chat before the clipboard changes under it again.
constexpr double kRestoreDelay = 0.3;

QString unverifiableInput() {
    return QStringLiteral("This input cannot be verified. Nothing was sent.");
}
QString clipboardWriteFailed() {
    return QStringLiteral("Could not put the prompt on the clipboard.");
}
QString focusChangedBeforePaste() {
    return QStringLiteral("Focus changed. Nothing was sent.");
}
QString notRespondingBeforePaste() {
    return QStringLiteral("The application is not responding. Nothing was sent.");
}
QString focusChangedDuringCheck() {
    return QStringLiteral("Focus changed. Return was not pressed.");
}
QString notVerified() {
    return QStringLiteral("Could not verify insertion. Return was not pressed.");
}
QString returnFailed() {
    return QStringLiteral("Prompt inserted. Press Return to send.");
}

} // namespace

PromptSender::PromptSender(Desktop& desktop, FocusTracker& tracker)
    : m_desktop(desktop), m_tracker(tracker) {}

PromptSender::~PromptSender() {
    m_step.reset();
    // Leaving mid-insertion must not leave the prompt where the user's clipboard was.
    if (m_insertion)
        restoreClipboard(m_insertion->saved, m_insertion->changeCount);
}

bool PromptSender::busy() const {
    return m_busy;
}

void PromptSender::send(const Prompt& prompt, const ChatTarget& target) {
    KeyEvents& keys = m_desktop.keyEvents();
    if (m_busy) {
        keys.beep();
        return;
    }
    if (!target.matches(m_tracker.current(false))) {
        keys.beep();
        return;
    }
    const AX& ax = m_tracker.ax();
    ComposerTextSnapshot before = ax.textSnapshot(target.element);
    if (!before.isReadable()) {
        // Pasting where the result cannot be checked could never end in a safe Return.
        report(unverifiableInput());
        return;
    }
    const std::optional<TextRange> selection = ax.selection(target.element);
    std::vector<PasteboardItem> saved = saveClipboard();

    m_insertion = Insertion{prompt.text, target, std::move(before), selection, std::move(saved), 0};
    m_busy = true;
    report(std::nullopt);

    // The input is confirmed before the clipboard changes hands. On X11 this process serves the
    // clipboard it owns from its own event loop, and a browser asks the new owner for it as soon
    // as it changes: asking that browser's accessibility afterwards would leave each waiting on
    // the other until the request times out.
    if (!target.matches(m_tracker.current(false))) {
        // Nothing was written yet, so the clipboard stays exactly as it is.
        m_insertion.reset();
        // A busy application would take the keystroke late, perhaps after the clipboard is back
        // or the focus has moved: without a confirmed input, nothing is pasted.
        finish(applicationNotResponding() ? notRespondingBeforePaste() : focusChangedBeforePaste());
        return;
    }

    Pasteboard& pasteboard = m_desktop.pasteboard();
    pasteboard.clearContents();
    if (!pasteboard.writeString(prompt.text)) {
        m_insertion->changeCount = pasteboard.changeCount();
        finish(clipboardWriteFailed());
        return;
    }
    m_insertion->changeCount = pasteboard.changeCount();

    if (keys.postKey(kKeyCodeV, kKeyFlagCommand)) {
        scheduleCheck(0);
        return;
    }
    finish(focusChangedBeforePaste());
}

bool PromptSender::applicationNotResponding() const {
    return m_tracker.lastOutcome().reason == FocusOutcome::Reason::applicationNotResponding;
}

void PromptSender::scheduleCheck(int attempt) {
    m_step = m_desktop.clock().runAfter(kCheckInterval, [this, attempt] { check(attempt); });
}

void PromptSender::check(int attempt) {
    if (!m_insertion)
        return;
    const std::optional<ChatTarget> current = m_tracker.current(false);
    // An application busy with our paste (asking us for the clipboard's text, say) does not
    // answer for a while: nothing moved, so this check only counts as not verified yet.
    const bool unanswered = !current && applicationNotResponding();
    if (!unanswered && !m_insertion->target.matches(current)) {
        finish(focusChangedDuringCheck());
        return;
    }
    if (current) {
        // A snapshot that times out lacks readings and so does not verify: checked again.
        const ComposerTextSnapshot after = m_tracker.ax().textSnapshot(current->element);
        if (m_insertion->before.verifiesInsertion(after, m_insertion->text,
                                                  m_insertion->selection)) {
            if (m_desktop.keyEvents().postKey(kKeyCodeReturn, kKeyFlagsNone))
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
    m_step = m_desktop.clock().runAfter(kRestoreDelay, [this] { finish(std::nullopt); });
}

void PromptSender::finish(const std::optional<QString>& status) {
    if (m_insertion)
        restoreClipboard(m_insertion->saved, m_insertion->changeCount);
    m_insertion.reset();
    m_busy = false;
    report(status);
}

std::vector<PasteboardItem> PromptSender::saveClipboard() {
    Pasteboard& pasteboard = m_desktop.pasteboard();
    std::vector<PasteboardItem> saved;
    const std::vector<QStringList> items = pasteboard.itemTypes();
    for (std::size_t index = 0; index < items.size(); ++index) {
        PasteboardItem item;
        for (const QString& type : items[index]) {
            if (std::optional<QByteArray> bytes = pasteboard.data(int(index), type))
                item.emplace_back(type, std::move(*bytes));
        }
        // An item without any readable data still holds its place.
        saved.push_back(std::move(item));
    }
    return saved;
}

void PromptSender::restoreClipboard(const std::vector<PasteboardItem>& saved,
                                    std::int64_t ifUnchanged) {
    Pasteboard& pasteboard = m_desktop.pasteboard();
    // Someone copied after the prompt went onto the clipboard: their copy is newer and stays.
    if (pasteboard.changeCount() != ifUnchanged)
        return;
    pasteboard.clearContents();
    // A clipboard that was empty stays cleared rather than keeping the prompt.
    if (!saved.empty())
        pasteboard.writeItems(saved);
}

void PromptSender::report(const std::optional<QString>& status) {
    if (onStatus)
        onStatus(status);
}

} // namespace tandrel
