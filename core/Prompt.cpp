// SPDX-License-Identifier: MIT
#include "core/Prompt.h"

#include "core/UnicodeText.h"

#include <QStringList>

#include <utility>

namespace tandrel {

Prompt::Prompt(QUuid id, QString title, QString text)
    : id(id), title(std::move(title)), text(std::move(text)) {}

QString Prompt::buttonLabel() const {
    QStringList words;
    qsizetype i = 0;
    while (i < title.size() && words.size() < 2) {
        while (i < title.size() && UnicodeText::isWhitespace(title[i]))
            ++i;
        const qsizetype start = i;
        while (i < title.size() && !UnicodeText::isWhitespace(title[i]))
            ++i;
        if (i > start)
            words.append(title.sliced(start, i - start));
    }
    return words.join(u' ');
}

const std::vector<Prompt>& Prompt::defaults() {
    // A function-local static is initialised exactly once even when first used from two
    // threads at the same time, so every caller sees the same ids.
    static const std::vector<Prompt> prompts = [] {
        const std::pair<const char*, const char*> builtIns[] = {
            {"Next step?",
             "Next step? (Think through the possible paths forward. Plan so your next step can, "
             "where it makes sense, cover a long stretch of work on your own. In your final "
             "message, recommend that next step and ask every decision you need from me for it, "
             "each with your recommended answer.)"},
            {"Proceed",
             "Proceed (if you have any loose ends, tidy them up; If you proposed the next step, "
             "it's approved as proposed; If you asked me to do something, check whether it's "
             "done and finish it yourself if not; If you haven't proposed the next step, propose "
             "one now)"},
            {"Step back",
             "Take a step back and look at the entire backlog, all the things we have open in "
             "this chat and lets do backlog grooming, prioritisation and operationalization of "
             "work."},
            {"Explain",
             "Explain in simple terms what you mean, because I don't understand. Most likely "
             "some of the things you mentioned need expanding upon."},
            {"TLDR", "TLDR"},
            {"Reorient", "Reorient yourself in what has happened since we last talked"},
            {"Wrap up",
             "Any loose ends? any leftovers from our work? anything to clean up or refactor "
             "related to what we did here?"},
        };
        std::vector<Prompt> list;
        for (const auto& [title, text] : builtIns)
            list.emplace_back(QUuid::createUuid(), QString::fromLatin1(title),
                              QString::fromLatin1(text));
        return list;
    }();
    return prompts;
}

bool operator==(const Prompt& a, const Prompt& b) {
    return a.id == b.id && UnicodeText::canonicallyEqual(a.title, b.title) &&
           UnicodeText::canonicallyEqual(a.text, b.text);
}

} // namespace tandrel
