// SPDX-License-Identifier: MIT
#pragma once

#include "app/focus/ComposerLayout.h"
#include "core/ComposerTextSnapshot.h"
#include "platform/Accessibility.h"

#include <QStringList>
#include <QUrl>

#include <optional>
#include <unordered_map>
#include <vector>

namespace tandrel {

// Reads of other applications' elements through the accessibility seam. Every failure (an error
// result, a missing attribute, a value of another kind, an element that went away) becomes the
// empty result, so callers never handle error codes.
//
// Within an Evaluation scope the plain attribute reads are remembered, so one focus evaluation
// never asks the other process the same question twice; a write forgets everything, since it may
// change what the application exposes. Text readings (snapshots and the selection) always ask
// afresh: an insertion compares them before and after pasting.
class AX {
public:
    explicit AX(ax::Accessibility& accessibility);

    std::optional<ax::Element> element(const ax::Element& e, const QString& attribute) const;
    // The attribute's text; "" when absent or not a plain string.
    QString string(const ax::Element& e, const QString& attribute) const;
    // The screen rectangle, only when both sides are strictly positive.
    std::optional<Rect> frame(const ax::Element& e) const;
    std::optional<TextRange> selection(const ax::Element& e) const;
    ComposerTextSnapshot textSnapshot(const ax::Element& e) const;
    // The http(s) address of the nearest enclosing web page, looking at most 32 elements up.
    std::optional<QUrl> webURL(const ax::Element& e) const;
    // The composer surface around an accepted input; see ComposerLayoutWalk.cpp.
    std::optional<ComposerLayout> composerLayout(const ax::Element& e, bool openCode) const;

    // Absent on error, absence, or a value that is not a boolean.
    std::optional<bool> boolean(const ax::Element& e, const QString& attribute) const;
    // The string entries of an array value; empty otherwise.
    QStringList stringList(const ax::Element& e, const QString& attribute) const;
    // The element entries of an array value; empty otherwise.
    std::vector<ax::Element> elementList(const ax::Element& e, const QString& attribute) const;

    // One read, through the memo when an evaluation is open.
    ax::Reading read(const ax::Element& e, const QString& attribute) const;
    ax::AXError set(const ax::Element& e, const QString& attribute, const ax::Value& value) const;
    // Makes the next read of this attribute ask the application again.
    void forget(const ax::Element& e, const QString& attribute) const;

    ax::Accessibility& accessibility() const { return m_accessibility; }

    // How many reads so far the other application did not answer in time (kCannotComplete).
    // Such a read's empty result says nothing about the element: a caller that compares the
    // count before and after its reads knows whether its answer rests on a missing reply.
    int unansweredReads() const { return m_unansweredReads; }

    // Remembers reads for its lifetime (scopes may nest; the outermost one clears the memo and
    // brackets the evaluation for the accessibility interface, which may share requests inside).
    class Evaluation {
    public:
        explicit Evaluation(const AX& ax);
        ~Evaluation();
        Evaluation(const Evaluation&) = delete;
        Evaluation& operator=(const Evaluation&) = delete;

    private:
        const AX& m_ax;
    };

private:
    // One read that bypasses the memo.
    ax::Reading readFresh(const ax::Element& e, const QString& attribute) const;
    // Passes the reading through, counting it when the application did not answer.
    const ax::Reading& noted(const ax::Reading& reading) const;

    struct Key {
        ax::Element element;
        QString attribute;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };

    ax::Accessibility& m_accessibility;
    mutable int m_evaluationDepth = 0;
    mutable int m_unansweredReads = 0;
    mutable std::unordered_map<Key, ax::Reading, KeyHash> m_memo;
};

} // namespace tandrel
