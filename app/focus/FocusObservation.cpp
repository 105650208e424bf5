// SPDX-License-Identifier: MIT
#include "app/focus/FocusObservation.h"
#include "platform/AXNames.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcObservation, "tandrel.observation", QtInfoMsg)

namespace tandrel {

namespace {

const QString kApplicationNotifications[] = {
    ax::notification::focusedUIElementChanged,
    ax::notification::focusedWindowChanged,
};

const QString kLayoutNotifications[] = {
    ax::notification::moved,
    ax::notification::resized,
    ax::notification::layoutChanged,
    ax::notification::valueChanged,
    ax::notification::uiElementDestroyed,
};

bool containsEqual(const std::vector<ax::Element>& list, const ax::Element& element) {
    return std::find(list.begin(), list.end(), element) != list.end();
}

} // namespace

FocusObservation::FocusObservation(ax::Accessibility& accessibility, Workspace& workspace,
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

void FocusObservation::observe(std::optional<ax::Pid> pid,
                               std::optional<std::vector<ax::Element>> elements) {
    if (m_pid && !pid) {
        stopWatching();
        m_pid.reset();
    } else if (pid && m_pid != pid) {
        watch(*pid);
    }
    if (m_observer && elements)
        updateElements(*elements);
}

void FocusObservation::watch(ax::Pid pid) {
    stopWatching();
    // Remembered even if the observer cannot be created, so a failing process is not asked
    // again on every evaluation; the timer keeps the palette up to date meanwhile.
    m_pid = pid;
    ax::Accessibility& accessibility = m_accessibility;
    ax::ObserverCreation creation = accessibility.createObserver(
        pid, [this](const ax::Element&, const QString&) { accessibilityChanged(); });
    if (creation.error != ax::kSuccess || !creation.observer)
        return;
    m_observer = std::move(creation.observer);
    m_application = accessibility.createApplication(pid);
    for (const QString& notification : kApplicationNotifications)
        m_observer->addNotification(m_application, notification);
}

void FocusObservation::stopWatching() {
    m_receivedEvent = false;
    m_observer.reset();
    m_application = ax::Element();
    m_elements.clear();
}

void FocusObservation::updateElements(const std::vector<ax::Element>& elements) {
    for (const ax::Element& element : m_elements) {
        if (containsEqual(elements, element))
            continue;
        for (const QString& notification : kLayoutNotifications)
            m_observer->removeNotification(element, notification);
    }
    std::vector<ax::Element> added;
    for (const ax::Element& element : elements) {
        if (!containsEqual(m_elements, element))
            added.push_back(element);
    }
    m_elements = elements;
    for (const ax::Element& element : added) {
        for (const QString& notification : kLayoutNotifications)
            m_observer->addNotification(element, notification);
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
