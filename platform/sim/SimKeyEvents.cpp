// SPDX-License-Identifier: MIT
#include "platform/sim/SimKeyEvents.h"

#include "platform/sim/SimDesktop.h"

namespace tandrel::sim {

SimKeyEvents::SimKeyEvents(SimDesktop& desktop) : m_desktop(desktop) {}

SimKeyEvents::~SimKeyEvents() = default;

void SimKeyEvents::setBehaviour(const SimElement& element, PasteBehaviour behaviour) {
    m_behaviours[element.node().get()] = {element.node(), behaviour};
}

std::shared_ptr<SimNode> SimKeyEvents::focusedNode() const {
    const auto front = m_desktop.ws().frontmostApplication();
    if (!front || !front->processIdentifier || !m_desktop.hasApp(*front->processIdentifier))
        return nullptr;
    const auto application = m_desktop.app(*front->processIdentifier).element().node();
    auto focused = application->focused.lock();
    return focused && !focused->destroyed ? focused : nullptr;
}

bool SimKeyEvents::press(Verb verb) {
    if (m_failing.contains(verb))
        return false;
    const auto focused = focusedNode();
    m_keys.push_back(
        {m_desktop.manualClock().uptime(), verb, focused, focused ? focused->text : std::nullopt});
    if (verb == Verb::paste && focused) {
        // The application reads the clipboard when the keystroke arrives.
        if (const auto text = m_desktop.pasteboard().text())
            deliver(focused, *text);
    }
    return true;
}

void SimKeyEvents::deliver(const std::shared_ptr<SimNode>& node, const QString& text) {
    PasteBehaviour behaviour = m_default;
    if (const auto it = m_behaviours.find(node.get());
        it != m_behaviours.end() && !it->second.first.expired())
        behaviour = it->second.second;
    if (!behaviour.delay)
        return;
    QString inserted = text;
    switch (behaviour.shape) {
    case PasteBehaviour::Shape::exact:
        break;
    case PasteBehaviour::Shape::twice:
        inserted = text + text;
        break;
    case PasteBehaviour::Shape::separated:
        inserted = QStringLiteral("\n\n") + text;
        break;
    case PasteBehaviour::Shape::extraCharacter:
        inserted = text + QLatin1Char('~');
        break;
    }
    if (*behaviour.delay <= 0) {
        splice(node, inserted);
        return;
    }
    const std::uint64_t id = m_nextPaste++;
    m_pending[id] = m_desktop.manualClock().runAfter(*behaviour.delay, [this, id, node, inserted] {
        splice(node, inserted);
        m_pending.erase(id); // last: this destroys the handle that ran us
    });
}

void SimKeyEvents::splice(const std::shared_ptr<SimNode>& node, const QString& inserted) {
    if (node->destroyed || !node->text)
        return;
    const QString& text = *node->text;
    const qsizetype size = text.size();
    TextRange range{size, 0};
    if (node->selection && node->selection->location >= 0 && node->selection->length >= 0 &&
        node->selection->location <= size &&
        node->selection->length <= size - node->selection->location)
        range = *node->selection;
    const SimElement element(node);
    element.text(text.left(range.location) + inserted + text.mid(range.location + range.length));
    element.selection({range.location + inserted.size(), 0});
    m_pastes.push_back({m_desktop.manualClock().uptime(), node, inserted});
    element.post(a11y::Change::text);
}

std::vector<SimKeyEvents::KeyPress> SimKeyEvents::submits() const {
    std::vector<KeyPress> result;
    for (const KeyPress& key : m_keys) {
        if (key.verb == Verb::submit)
            result.push_back(key);
    }
    return result;
}

void SimKeyEvents::clearRecords() {
    m_keys.clear();
    m_pastes.clear();
    m_beeps = 0;
}

} // namespace tandrel::sim
