// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Desktop.h"

#include <QString>

#include <chrono>
#include <map>

namespace tandrel::bench {

// Forwards every accessibility request to the real desktop and keeps, per attribute, how many
// requests were made and how long they took: the breakdown that says what dominates.
class CountingAccessibility final : public a11y::Accessibility {
public:
    struct Tally {
        std::uint64_t requests = 0;
        std::chrono::nanoseconds time{0};
    };

    explicit CountingAccessibility(a11y::Accessibility& inner) : m_inner(inner) {}

private:
    template <class F> auto timed(const QString& name, F&& f) {
        const auto start = std::chrono::steady_clock::now();
        auto result = f();
        Tally& t = m_tallies[name];
        ++t.requests;
        t.time += std::chrono::steady_clock::now() - start;
        return result;
    }

    template <class F> auto timed(a11y::Question question, F&& f) {
        return timed(QString::fromLatin1(a11y::nameOf(question)), std::forward<F>(f));
    }

public:
    bool isTrusted() override {
        return timed(QStringLiteral("(trust)"), [&] { return m_inner.isTrusted(); });
    }
    bool askForTrust() override { return m_inner.askForTrust(); }
    a11y::Element application(a11y::Pid pid) override {
        return timed(QStringLiteral("(application)"), [&] { return m_inner.application(pid); });
    }
    void setReplyTimeout(std::chrono::milliseconds t) override { m_inner.setReplyTimeout(t); }
    Result<a11y::Role> role(const a11y::Element& e) override {
        return timed(a11y::Question::role, [&] { return m_inner.role(e); });
    }
    Result<QString> label(const a11y::Element& e, a11y::Label l) override {
        return timed(a11y::questionOf(l), [&] { return m_inner.label(e, l); });
    }
    Result<QStringList> classes(const a11y::Element& e) override {
        return timed(a11y::Question::classes, [&] { return m_inner.classes(e); });
    }
    Result<bool> state(const a11y::Element& e, a11y::State s) override {
        return timed(a11y::questionOf(s), [&] { return m_inner.state(e, s); });
    }
    Result<Rect> frame(const a11y::Element& e) override {
        return timed(a11y::Question::frame, [&] { return m_inner.frame(e); });
    }
    Result<a11y::Element> parent(const a11y::Element& e) override {
        return timed(a11y::Question::parent, [&] { return m_inner.parent(e); });
    }
    Result<std::vector<a11y::Element>> children(const a11y::Element& e) override {
        return timed(a11y::Question::children, [&] { return m_inner.children(e); });
    }
    Result<a11y::Element> window(const a11y::Element& e) override {
        return timed(a11y::Question::window, [&] { return m_inner.window(e); });
    }
    Result<a11y::Element> focusedElement(const a11y::Element& e) override {
        return timed(a11y::Question::focusedElement, [&] { return m_inner.focusedElement(e); });
    }
    Result<QUrl> address(const a11y::Element& e) override {
        return timed(a11y::Question::address, [&] { return m_inner.address(e); });
    }
    Result<a11y::TextContent> text(const a11y::Element& e, bool withSelection) override {
        return timed(a11y::Question::text, [&] { return m_inner.text(e, withSelection); });
    }
    Result<bool> isAwake(const a11y::Element& e) override {
        return timed(a11y::Question::isAwake, [&] { return m_inner.isAwake(e); });
    }
    Result<Done> wake(const a11y::Element& e) override {
        return timed(a11y::Question::wake, [&] { return m_inner.wake(e); });
    }
    Result<std::unique_ptr<a11y::Observer>> observe(a11y::Pid pid,
                                                    a11y::ObserverCallback cb) override {
        return m_inner.observe(pid, std::move(cb));
    }
    void beginEvaluation() override { m_inner.beginEvaluation(); }
    void endEvaluation() override { m_inner.endEvaluation(); }

    const std::map<QString, Tally>& tallies() const { return m_tallies; }
    void reset() { m_tallies.clear(); }

private:
    a11y::Accessibility& m_inner;
    std::map<QString, Tally> m_tallies;
};

// The real desktop with its accessibility requests counted.
class CountingDesktop final : public Desktop {
public:
    explicit CountingDesktop(Desktop& inner)
        : m_inner(inner), m_accessibility(inner.accessibility()) {}
    a11y::Accessibility& accessibility() override { return m_accessibility; }
    Workspace& workspace() override { return m_inner.workspace(); }
    Clock& clock() override { return m_inner.clock(); }
    Screens& screens() override { return m_inner.screens(); }
    LoginItems& loginItems() override { return m_inner.loginItems(); }
    Pasteboard& pasteboard() override { return m_inner.pasteboard(); }
    KeyEvents& keyEvents() override { return m_inner.keyEvents(); }
    FileWatching& fileWatching() override { return m_inner.fileWatching(); }
    CountingAccessibility& counting() { return m_accessibility; }

private:
    Desktop& m_inner;
    CountingAccessibility m_accessibility;
};

} // namespace tandrel::bench
