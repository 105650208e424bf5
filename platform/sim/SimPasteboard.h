#pragma once

#include "platform/Clock.h"
#include "platform/Pasteboard.h"

#include <set>

namespace tandrel::sim {

// The simulated clipboard: a list of items, a change count that moves on every write, and
// switches for the failures a real clipboard can have. Its owner delivers the content on the
// clock: at once, slowly, or never.
class SimPasteboard final : public Pasteboard {
public:
    explicit SimPasteboard(Clock& clock) : m_clock(clock) {}

    // The type under which plain text is written and read, as on the real desktop.
    static const QString& plainTextType();

    // Pasteboard
    std::unique_ptr<Handle>
    readContent(double timeout,
                std::function<void(std::optional<PasteboardContent>)> done) override;
    std::int64_t changeCount() override { return m_changeCount; }
    void clearContents() override;
    bool writeString(const QString& text) override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;

    // Another application copies: the content is replaced and the change count moves.
    void copy(std::vector<PasteboardItem> items);
    void copyText(const QString& text);
    const std::vector<PasteboardItem>& items() const { return m_items; }
    // The first item's plain text, as a paste into a text input would take it.
    std::optional<QString> text() const;

    // A type that items list but whose data the owner never delivers.
    void withhold(const QString& type) { m_withheld.insert(type); }
    // Writing plain text fails (the clipboard is left cleared by the preceding clear).
    void failStringWrites(bool fail) { m_failStringWrites = fail; }
    // Writing items fails (the clipboard is left cleared by the preceding clear).
    void failItemWrites(bool fail) { m_failItemWrites = fail; }
    // The owner takes this long to deliver each type; none: it never answers (a stopped program).
    void setOwnerDelay(std::optional<double> secondsPerType) { m_ownerDelay = secondsPerType; }

    // Writes by the program under test: clears, strings and item lists.
    int clears() const { return m_clears; }
    int writes() const { return m_writes; }

private:
    std::vector<PasteboardItem> m_items;
    std::int64_t m_changeCount = 0;
    std::set<QString> m_withheld;
    bool m_failStringWrites = false;
    bool m_failItemWrites = false;
    std::optional<double> m_ownerDelay = 0.0;
    Clock& m_clock;
    int m_clears = 0;
    int m_writes = 0;
};

} // namespace tandrel::sim
