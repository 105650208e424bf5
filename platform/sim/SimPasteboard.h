// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Clock.h"
#include "platform/Observers.h"
#include "platform/Pasteboard.h"
#include "platform/sim/SimLifetimes.h"

#include <set>

namespace tandrel::sim {

// The simulated clipboard: a list of items, the observers that hear of another application's
// copy, and switches for the failures a real clipboard can have. Its owner delivers the content
// on the clock: at once, slowly, or never.
class SimPasteboard final : public Pasteboard {
public:
    explicit SimPasteboard(Clock& clock) : m_clock(clock) {}

    // The type under which plain text is written and read, as on the real desktop.
    static const QString& plainTextType();

    // Pasteboard
    std::unique_ptr<Handle>
    readContent(double timeout,
                std::function<void(std::optional<PasteboardContent>)> done) override;
    bool write(const PasteboardContent& content) override;
    std::unique_ptr<Handle> observeChanges(std::function<void()> handler) override;

    // Another application copies: the content is replaced and the observers are told.
    void copy(std::vector<PasteboardItem> items);
    void copyText(const QString& text);
    const std::vector<PasteboardItem>& items() const { return m_items; }
    // The first item's plain text, as a paste into a text input would take it.
    std::optional<QString> text() const;

    // A type that items list but whose data the owner never delivers.
    void withhold(const QString& type) { m_withheld.insert(type); }
    // Writes of content for which this answers true are refused, and leave the clipboard empty.
    void refuseWrites(std::function<bool(const PasteboardContent&)> refuses) {
        m_refuses = std::move(refuses);
    }
    // The owner takes this long to deliver each type; none: it never answers (a stopped program).
    void setOwnerDelay(std::optional<double> secondsPerType) { m_ownerDelay = secondsPerType; }

    // Writes by the program under test, refused ones included.
    int writes() const { return m_writes; }
    std::size_t changeObservers() const { return m_observers.size(); }
    // The change observations given out and not yet destroyed.
    const std::shared_ptr<SimLifetimes>& lifetimes() const { return m_lifetimes; }

private:
    std::vector<PasteboardItem> m_items;
    std::set<QString> m_withheld;
    std::function<bool(const PasteboardContent&)> m_refuses;
    std::optional<double> m_ownerDelay = 0.0;
    Clock& m_clock;
    Observers m_observers;
    std::shared_ptr<SimLifetimes> m_lifetimes = std::make_shared<SimLifetimes>();
    int m_writes = 0;
};

} // namespace tandrel::sim
