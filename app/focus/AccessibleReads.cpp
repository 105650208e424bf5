// SPDX-License-Identifier: MIT
#include "app/focus/AccessibleReads.h"

namespace tandrel {

using a11y::Element;
using a11y::Question;
using a11y::Role;

namespace {

// How many elements (the start and its ancestors) the page-address walk examines.
constexpr int kMaxWebURLElements = 32;

template <class T> std::optional<T> answerOf(Result<T> result) {
    if (!result.ok())
        return std::nullopt;
    return std::move(result).value();
}

std::optional<Element> elementOf(Result<Element> result) {
    if (!result.ok() || result->isNull())
        return std::nullopt;
    return std::move(result).value();
}

} // namespace

AccessibleReads::AccessibleReads(a11y::Accessibility& accessibility)
    : m_accessibility(accessibility) {}

std::size_t AccessibleReads::KeyHash::operator()(const Key& key) const {
    return key.element.hash() ^ (std::size_t(key.question) * 0x9e3779b97f4a7c15ULL);
}

AccessibleReads::Evaluation::Evaluation(const AccessibleReads& reads) : m_reads(reads) {
    if (m_reads.m_evaluationDepth++ == 0)
        m_reads.m_accessibility.beginEvaluation();
}

AccessibleReads::Evaluation::~Evaluation() {
    if (--m_reads.m_evaluationDepth == 0) {
        m_reads.m_memo.clear();
        m_reads.m_accessibility.endEvaluation();
    }
}

template <class T> const Result<T>& AccessibleReads::noted(const Result<T>& result) const {
    if (result.failedWith(Failure::notAnswering))
        ++m_unansweredReads;
    return result;
}

template <class T, class Ask>
Result<T> AccessibleReads::ask(const Element& e, Question question, Ask&& asking) const {
    if (e.isNull())
        return Failure::gone;
    if (m_evaluationDepth == 0)
        return noted(Result<T>(asking()));
    Key key{e, question};
    // A remembered timeout counts again: the answer that uses it rests on it just the same.
    if (const auto it = m_memo.find(key); it != m_memo.end())
        return noted(std::get<Result<T>>(it->second));
    Result<T> result = asking();
    m_memo.emplace(std::move(key), result);
    return noted(result);
}

std::optional<Role> AccessibleReads::role(const Element& e) const {
    return answerOf(ask<Role>(e, Question::role, [&] { return m_accessibility.role(e); }));
}

QString AccessibleReads::label(const Element& e, a11y::Label label) const {
    return ask<QString>(e, a11y::questionOf(label), [&] { return m_accessibility.label(e, label); })
        .valueOr(QString());
}

QStringList AccessibleReads::classes(const Element& e) const {
    return ask<QStringList>(e, Question::classes, [&] { return m_accessibility.classes(e); })
        .valueOr({});
}

std::optional<bool> AccessibleReads::state(const Element& e, a11y::State state) const {
    return answerOf(
        ask<bool>(e, a11y::questionOf(state), [&] { return m_accessibility.state(e, state); }));
}

std::optional<Rect> AccessibleReads::frame(const Element& e) const {
    const auto frame =
        answerOf(ask<Rect>(e, Question::frame, [&] { return m_accessibility.frame(e); }));
    // Written so that not-a-number sizes fail too.
    if (!frame || !(frame->width() > 0) || !(frame->height() > 0))
        return std::nullopt;
    return frame;
}

std::optional<Element> AccessibleReads::parent(const Element& e) const {
    return elementOf(ask<Element>(e, Question::parent, [&] { return m_accessibility.parent(e); }));
}

std::vector<Element> AccessibleReads::children(const Element& e) const {
    std::vector<Element> children = ask<std::vector<Element>>(e, Question::children, [&] {
                                        return m_accessibility.children(e);
                                    }).valueOr({});
    std::erase_if(children, [](const Element& child) { return child.isNull(); });
    return children;
}

std::optional<Element> AccessibleReads::window(const Element& e) const {
    return elementOf(ask<Element>(e, Question::window, [&] { return m_accessibility.window(e); }));
}

std::optional<Element> AccessibleReads::focusedElement(const Element& application) const {
    return elementOf(ask<Element>(application, Question::focusedElement,
                                  [&] { return m_accessibility.focusedElement(application); }));
}

std::optional<bool> AccessibleReads::isAwake(const Element& application) const {
    return answerOf(ask<bool>(application, Question::isAwake,
                              [&] { return m_accessibility.isAwake(application); }));
}

Result<Done> AccessibleReads::wake(const Element& application) const {
    m_memo.clear();
    if (application.isNull())
        return Failure::gone;
    return m_accessibility.wake(application);
}

void AccessibleReads::forgetFocus(const Element& application) const {
    m_memo.erase(Key{application, Question::focusedElement});
}

std::optional<a11y::TextContent> AccessibleReads::text(const Element& e) const {
    // Text changes between snapshots, so it never goes through the memo.
    if (e.isNull())
        return std::nullopt;
    return answerOf(noted(m_accessibility.text(e, true)));
}

ComposerTextSnapshot AccessibleReads::textSnapshot(const Element& e) const {
    const auto content =
        e.isNull() ? std::nullopt : answerOf(noted(m_accessibility.text(e, false)));
    return ComposerTextSnapshot(content ? std::optional<QString>(content->text) : std::nullopt);
}

std::optional<QUrl> AccessibleReads::webURL(const Element& e) const {
    std::optional<Element> current = e;
    for (int examined = 0; current && examined < kMaxWebURLElements; ++examined) {
        const std::optional<Role> role = this->role(*current);
        if (role == Role::webDocument) {
            const auto url = answerOf(ask<QUrl>(*current, Question::address,
                                                [&] { return m_accessibility.address(*current); }));
            if (url && url->isValid()) {
                const QString scheme = url->scheme().toLower();
                if ((scheme == QLatin1String("https") || scheme == QLatin1String("http")) &&
                    !url->host().isEmpty())
                    return url;
            }
            // An address that is not a web page's leaves room for an enclosing web document.
        }
        if (role == Role::window || role == Role::application)
            return std::nullopt;
        current = parent(*current);
    }
    return std::nullopt;
}

} // namespace tandrel
