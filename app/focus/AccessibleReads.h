// SPDX-License-Identifier: MIT
#pragma once

#include "app/focus/ComposerLayout.h"
#include "core/ComposerTextSnapshot.h"
#include "platform/Accessibility.h"

#include <QStringList>
#include <QUrl>

#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

namespace tandrel {

// Reads of other applications' elements through the accessibility seam. Every failure (no such
// thing, nothing to give, no reply, an element that went away) becomes the empty answer, so
// callers never handle failures; only the count of unanswered questions is kept.
//
// Within an Evaluation scope answers are remembered, so one focus evaluation never asks the
// other process the same question twice; waking an application forgets everything, since it may
// change what the application exposes. Text is always read afresh: an insertion compares it
// before and after pasting.
class AccessibleReads {
public:
    explicit AccessibleReads(a11y::Accessibility& accessibility);

    std::optional<a11y::Role> role(const a11y::Element& e) const;
    // The label's text; "" when absent.
    QString label(const a11y::Element& e, a11y::Label label) const;
    QStringList classes(const a11y::Element& e) const;
    std::optional<bool> state(const a11y::Element& e, a11y::State state) const;
    // The screen rectangle, only when both sides are strictly positive.
    std::optional<Rect> frame(const a11y::Element& e) const;
    std::optional<a11y::Element> parent(const a11y::Element& e) const;
    std::vector<a11y::Element> children(const a11y::Element& e) const;
    std::optional<a11y::Element> window(const a11y::Element& e) const;
    std::optional<a11y::Element> focusedElement(const a11y::Element& application) const;
    std::optional<bool> isAwake(const a11y::Element& application) const;

    // The text and selection, read once; absent when the input has no readable text.
    std::optional<a11y::TextContent> text(const a11y::Element& e) const;
    // The text alone, as each check of an insertion compares it.
    ComposerTextSnapshot textSnapshot(const a11y::Element& e) const;
    // The http(s) address of the nearest enclosing web page, looking at most 32 elements up.
    std::optional<QUrl> webURL(const a11y::Element& e) const;
    // The composer surface around an accepted input; see ComposerLayoutWalk.cpp.
    std::optional<ComposerLayout> composerLayout(const a11y::Element& e, bool openCode) const;

    // Asks the application to show its whole tree; forgets every remembered answer.
    Result<Done> wake(const a11y::Element& application) const;
    // Makes the next question for the application's focus ask it again.
    void forgetFocus(const a11y::Element& application) const;

    a11y::Accessibility& accessibility() const { return m_accessibility; }

    // How many questions so far the other application did not answer in time. Such a question's
    // empty answer says nothing about the element: a caller that compares the count before and
    // after its reads knows whether its answer rests on a missing reply.
    int unansweredReads() const { return m_unansweredReads; }

    // Remembers answers for its lifetime (scopes may nest; the outermost one clears the memo and
    // brackets the evaluation for the accessibility interface, which may share requests inside).
    class Evaluation {
    public:
        explicit Evaluation(const AccessibleReads& reads);
        ~Evaluation();
        Evaluation(const Evaluation&) = delete;
        Evaluation& operator=(const Evaluation&) = delete;

    private:
        const AccessibleReads& m_reads;
    };

private:
    // One question, through the memo when an evaluation is open.
    template <class T, class Ask>
    Result<T> ask(const a11y::Element& e, a11y::Question question, Ask&& asking) const;
    template <class T> const Result<T>& noted(const Result<T>& result) const;

    struct Key {
        a11y::Element element;
        a11y::Question question;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    using Answer = std::variant<Result<a11y::Role>, Result<QString>, Result<QStringList>,
                                Result<bool>, Result<Rect>, Result<a11y::Element>,
                                Result<std::vector<a11y::Element>>, Result<QUrl>>;

    a11y::Accessibility& m_accessibility;
    mutable int m_evaluationDepth = 0;
    mutable int m_unansweredReads = 0;
    mutable std::unordered_map<Key, Answer, KeyHash> m_memo;
};

} // namespace tandrel
