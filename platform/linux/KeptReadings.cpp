// SPDX-License-Identifier: MIT
#include "platform/linux/KeptReadings.h"

namespace tandrel::linuxdesktop {

namespace {

QByteArray keyOf(const QByteArray& path, a11y::Question question) {
    return path + '\n' + QByteArray::number(int(question));
}

} // namespace

bool KeptReadings::mayKeep(a11y::Question question) {
    using a11y::Question;
    // Never the focus, the frame or the text: they change without an event we listen to (or
    // with one too frequent to be worth it), and the palette must follow them at once. Nor the
    // page's classes and element ids: Chromium changes them without any event (a chat page that
    // restyles its composer would keep its old surface).
    switch (question) {
    case Question::role:
    case Question::name:
    case Question::description:
    case Question::placeholder:
    case Question::tagName:
    case Question::enabled:
    case Question::editable:
    case Question::parent:
    case Question::children:
    case Question::address:
    case Question::window:
        return true;
    default:
        return false;
    }
}

std::optional<KeptReadings::Answer> KeptReadings::find(const QByteArray& bus,
                                                       const QByteArray& path,
                                                       a11y::Question question,
                                                       std::uint64_t changes) {
    const auto app = m_applications.find(bus);
    if (app == m_applications.end())
        return std::nullopt;
    if (app->changes != changes) {
        m_applications.erase(app);
        return std::nullopt;
    }
    const auto it = app->answers.constFind(keyOf(path, question));
    if (it == app->answers.constEnd())
        return std::nullopt;
    return *it;
}

void KeptReadings::keep(const QByteArray& bus, const QByteArray& path, a11y::Question question,
                        const Answer& answer, std::uint64_t changesBefore,
                        std::uint64_t changesAfter) {
    // Failures (a timeout, an element that went away) are asked again next time; "no value" is
    // an answer like any other.
    const bool keepable = std::visit(
        [](const auto& result) { return result.ok() || result.failedWith(Failure::noValue); },
        answer);
    if (changesBefore != changesAfter || !mayKeep(question) || !keepable)
        return;
    Application& app = m_applications[bus];
    if (app.changes != changesAfter) {
        app.answers.clear();
        app.changes = changesAfter;
    }
    app.answers.insert(keyOf(path, question), answer);
}

std::size_t KeptReadings::size() const {
    std::size_t n = 0;
    for (const Application& app : m_applications)
        n += app.answers.size();
    return n;
}

} // namespace tandrel::linuxdesktop
