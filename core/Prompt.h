// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUuid>

#include <vector>

namespace tandrel {

// One saved prompt: the button's title and the message it inserts.
struct Prompt {
    QUuid id;
    QString title;
    QString text;

    Prompt(QUuid id, QString title, QString text);

    // The first two words of the title (split at Unicode White_Space), joined by one space.
    // No truncation and no fallback: a blank title gives an empty label.
    QString buttonLabel() const;

    // The seven built-in prompts. Their ids are random, drawn once per run on first use
    // (thread-safe), so they are the same all through one run.
    static const std::vector<Prompt>& defaults();

    // Equal ids, and titles and texts that are canonically equivalent.
    friend bool operator==(const Prompt& a, const Prompt& b);
};

} // namespace tandrel
