// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Desktop.h"

#include <QString>

#include <chrono>
#include <map>

namespace tandrel::bench {

// Forwards every accessibility request to the real desktop and keeps, per attribute, how many
// requests were made and how long they took: the breakdown that says what dominates.
class CountingAccessibility final : public ax::Accessibility {
public:
    struct Tally {
        std::uint64_t requests = 0;
        std::chrono::nanoseconds time{0};
    };

    explicit CountingAccessibility(ax::Accessibility& inner) : m_inner(inner) {}

private:
    template <class F> auto timed(const QString& name, F&& f) {
        const auto start = std::chrono::steady_clock::now();
        auto result = f();
        Tally& t = m_tallies[name];
        ++t.requests;
        t.time += std::chrono::steady_clock::now() - start;
        return result;
    }

public:
    bool isProcessTrusted() override {
        return timed(QStringLiteral("(trust)"), [&] { return m_inner.isProcessTrusted(); });
    }
    bool isProcessTrustedWithPrompt(bool prompt) override {
        return m_inner.isProcessTrustedWithPrompt(prompt);
    }
    ax::Element createApplication(ax::Pid pid) override {
        return timed(QStringLiteral("(application)"),
                     [&] { return m_inner.createApplication(pid); });
    }
    ax::AXError setMessagingTimeout(const ax::Element& e, float s) override {
        return m_inner.setMessagingTimeout(e, s);
    }
    ax::Reading copyAttributeValue(const ax::Element& e, const QString& a) override {
        return timed(a, [&] { return m_inner.copyAttributeValue(e, a); });
    }
    ax::Reading copyParameterizedAttributeValue(const ax::Element& e, const QString& a,
                                                const ax::Value& p) override {
        return timed(a, [&] { return m_inner.copyParameterizedAttributeValue(e, a, p); });
    }
    ax::AXError setAttributeValue(const ax::Element& e, const QString& a,
                                  const ax::Value& v) override {
        return timed(QStringLiteral("set ") + a,
                     [&] { return m_inner.setAttributeValue(e, a, v); });
    }
    ax::ObserverCreation createObserver(ax::Pid pid, ax::ObserverCallback cb) override {
        return m_inner.createObserver(pid, std::move(cb));
    }
    void beginEvaluation() override { m_inner.beginEvaluation(); }
    void endEvaluation() override { m_inner.endEvaluation(); }

    const std::map<QString, Tally>& tallies() const { return m_tallies; }
    void reset() { m_tallies.clear(); }

private:
    ax::Accessibility& m_inner;
    std::map<QString, Tally> m_tallies;
};

// The real desktop with its accessibility requests counted.
class CountingDesktop final : public Desktop {
public:
    explicit CountingDesktop(Desktop& inner)
        : m_inner(inner), m_accessibility(inner.accessibility()) {}
    ax::Accessibility& accessibility() override { return m_accessibility; }
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
