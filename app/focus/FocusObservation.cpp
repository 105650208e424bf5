// SPDX-License-Identifier: MIT
#include "app/focus/FocusObservation.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcObservation, "tandrel.observation", QtInfoMsg)

namespace tandrel {

namespace {

constexpr a11y::Change kApplicationChanges[] = {a11y::Change::focus, a11y::Change::window};

constexpr a11y::Change kLayoutChanges[] = {
    a11y::Change::bounds,
    a11y::Change::layout,
    a11y::Change::text,
    a11y::Change::destroyed,
};

bool containsEqual(const std::vector<a11y::Element>& list, const a11y::Element& element) {
    return std::find(list.begin(), list.end(), element) != list.end();
}

} // namespace

FocusObservation::FocusObservation(a11y::Accessibility& accessibility, Workspace& workspace,
                                   Clock& clock)
    : m_accessibility(accessibility), m_clock(clock) {
    // The handle dies with this object, so the handler never runs on a destroyed observation.
    m_workspaceToken = workspace.observeApplicationActivation([this] { scheduleRefresh(); });
}

FocusObservation::~FocusObservation() {
    m_refresh.reset();
    stopWatching();
    m_workspaceToken.reset();
}

void FocusObservation::observe(std::optional<a11y::Pid> pid,
                               std::optional<std::vector<a11y::Element>> elements) {
    if (m_pid && !pid) {
        stopWatching();
        m_pid.reset();
    } else if (pid && m_pid != pid) {
        watch(*pid);
    }
    if (m_observer && elements)
        updateElements(*elements);
}

void FocusObservation::watch(a11y::Pid pid) {
    stopWatching();
    // Remembered even if the observer cannot be created, so a failing process is not asked
    // again on every evaluation; the timer keeps the palette up to date meanwhile.
    m_pid = pid;
    Result<std::unique_ptr<a11y::Observer>> observer = m_accessibility.observe(
        pid, [this](const a11y::Element&, a11y::Change) { accessibilityChanged(); });
    if (!observer.ok() || !*observer)
        return;
    m_observer = std::move(observer).value();
    m_application = m_accessibility.application(pid);
    for (const a11y::Change change : kApplicationChanges)
        m_observer->watch(m_application, change);
}

void FocusObservation::stopWatching() {
    m_receivedEvent = false;
    m_observer.reset();
    m_application = a11y::Element();
    m_elements.clear();
}

void FocusObservation::updateElements(const std::vector<a11y::Element>& elements) {
    for (const a11y::Element& element : m_elements) {
        if (containsEqual(elements, element))
            continue;
        for (const a11y::Change change : kLayoutChanges)
            m_observer->unwatch(element, change);
    }
    std::vector<a11y::Element> added;
    for (const a11y::Element& element : elements) {
        if (!containsEqual(m_elements, element))
            added.push_back(element);
    }
    m_elements = elements;
    for (const a11y::Element& element : added) {
        for (const a11y::Change change : kLayoutChanges)
            m_observer->watch(element, change);
    }
}

void FocusObservation::accessibilityChanged() {
    if (!m_receivedEvent) {
        m_receivedEvent = true;
        qCInfo(lcObservation, "Receiving Accessibility changes for the active app.");
    }
    scheduleRefresh();
}

void FocusObservation::scheduleRefresh() {
    // The first event of a burst fixes the time; later ones ride along.
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    m_refresh = m_clock.runAfter(refreshDelay, [this] {
        // The handle of this very call stays in place until the next burst replaces it.
        m_refreshPending = false;
        emit changed();
    });
}

} // namespace tandrel
