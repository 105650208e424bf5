// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Handle.h"
#include "platform/KeyEvents.h"
#include "platform/sim/SimNode.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace tandrel::sim {

class SimDesktop;
class SimElement;

// How a simulated input takes a paste: when its text shows the pasted text, and in what shape.
struct PasteBehaviour {
    enum class Shape {
        exact,         // the clipboard's text, spliced in at the selection
        twice,         // the text arrives two times in a row
        separated,     // a blank line is put before the text
        extraCharacter // the input appends a character of its own to every paste
    };
    // Seconds from the keystroke until the text shows; absent: it never shows.
    std::optional<double> delay = 0.02;
    Shape shape = Shape::exact;
};

// The simulated keyboard: records every verb with where the focus was, and lets a paste put the
// clipboard's text into the focused simulated input as its behaviour says. Every submit is
// recorded with the text its input held, as a chat would send it.
class SimKeyEvents final : public KeyEvents {
public:
    enum class Verb { paste, submit };
    struct KeyPress {
        double time = 0;
        Verb verb = Verb::paste;
        std::shared_ptr<SimNode> focused; // the focused element of the front application
        std::optional<QString> text;      // that element's text at the moment
    };
    struct Paste {
        double time = 0;                  // when the text showed
        std::shared_ptr<SimNode> element; // where it went
        QString inserted;                 // what was spliced in
    };

    explicit SimKeyEvents(SimDesktop& desktop);
    ~SimKeyEvents() override;

    // KeyEvents
    bool paste() override { return press(Verb::paste); }
    bool submit() override { return press(Verb::submit); }
    void beep() override { ++m_beeps; }

    void setDefaultBehaviour(PasteBehaviour behaviour) { m_default = behaviour; }
    void setBehaviour(const SimElement& element, PasteBehaviour behaviour);
    // The keystrokes of this verb cannot be created.
    void fail(Verb verb) { m_failing.insert(verb); }

    const std::vector<KeyPress>& keys() const { return m_keys; }
    std::vector<KeyPress> submits() const;
    const std::vector<Paste>& pastes() const { return m_pastes; }
    int beeps() const { return m_beeps; }
    // Pastes typed but not yet shown.
    std::size_t pendingPastes() const { return m_pending.size(); }
    void clearRecords();

private:
    bool press(Verb verb);
    std::shared_ptr<SimNode> focusedNode() const;
    void deliver(const std::shared_ptr<SimNode>& node, const QString& text);
    void splice(const std::shared_ptr<SimNode>& node, const QString& inserted);

    SimDesktop& m_desktop;
    PasteBehaviour m_default;
    std::map<const SimNode*, std::pair<std::weak_ptr<SimNode>, PasteBehaviour>> m_behaviours;
    std::set<Verb> m_failing;
    std::vector<KeyPress> m_keys;
    std::vector<Paste> m_pastes;
    std::map<std::uint64_t, std::unique_ptr<Handle>> m_pending;
    std::uint64_t m_nextPaste = 0;
    int m_beeps = 0;
};

} // namespace tandrel::sim
