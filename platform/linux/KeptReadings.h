// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"

#include <QByteArray>
#include <QHash>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace tandrel::linuxdesktop {

// Answers that only an event can change (role, names, tag, states, parent and children, the
// window and a page's address), kept across focus evaluations so that a warm evaluation asks the
// application only for what can change silently: the focus, the frames, classes and ids.
//
// Answers are kept per application (bus name) together with that application's change count,
// which the event listeners raise for every children, attributes, state, property or defunct
// event. A count that moved drops everything kept for the application; an answer during which
// the count moved is not kept, since an event may have overtaken it.
class KeptReadings {
public:
    using Answer =
        std::variant<Result<a11y::Role>, Result<QString>, Result<bool>, Result<a11y::Element>,
                     Result<std::vector<a11y::Element>>, Result<QUrl>>;

    // Whether answers to this question may be kept at all.
    static bool mayKeep(a11y::Question question);

    std::optional<Answer> find(const QByteArray& bus, const QByteArray& path,
                               a11y::Question question, std::uint64_t changes);
    // `changesBefore` is the count when the request was sent, `changesAfter` when it returned.
    void keep(const QByteArray& bus, const QByteArray& path, a11y::Question question,
              const Answer& answer, std::uint64_t changesBefore, std::uint64_t changesAfter);
    void clear() { m_applications.clear(); }
    std::size_t size() const;

private:
    struct Application {
        std::uint64_t changes = 0;
        QHash<QByteArray, Answer> answers; // path + '\n' + question
    };
    QHash<QByteArray, Application> m_applications;
};

} // namespace tandrel::linuxdesktop
