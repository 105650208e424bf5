// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/AtspiEvents.h"
#include "platform/linux/AtspiRequests.h"
#include "platform/linux/AtspiTextReading.h"
#include "platform/linux/EvaluationReadings.h"
#include "platform/linux/KeptReadings.h"
#include "platform/linux/QtScreens.h"
#include "platform/linux/wayland/NativeWindow.h"

#include <QByteArray>
#include <QHash>
#include <QRect>

#include <atspi/atspi.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tandrel::linuxdesktop {

class A11yStatus;
class AtspiConnection;

// The seam's accessibility interface over libatspi: attribute names are translated as the
// desktop's accessibility tree can answer them, offsets are converted between AT-SPI code
// points and UTF-16, and every failure comes back as an error code.
class LinuxAccessibility final : public ax::Accessibility {
public:
    // Everything is read through the connection while it is up; while it is down (the bus is
    // being replaced) the process is not trusted and every request fails at once.
    LinuxAccessibility(AtspiEvents& events, A11yStatus& status, AtspiConnection& connection);
    ~LinuxAccessibility() override;

    bool isProcessTrusted() override;
    bool isProcessTrustedWithPrompt(bool prompt) override;

    ax::Element createApplication(ax::Pid pid) override;
    ax::AXError setMessagingTimeout(const ax::Element& element, float seconds) override;

    ax::Reading copyAttributeValue(const ax::Element& element, const QString& attribute) override;
    ax::Reading copyParameterizedAttributeValue(const ax::Element& element,
                                                const QString& attribute,
                                                const ax::Value& parameter) override;
    ax::AXError setAttributeValue(const ax::Element& element, const QString& attribute,
                                  const ax::Value& value) override;

    ax::ObserverCreation createObserver(ax::Pid pid, ax::ObserverCallback callback) override;

    // Where the native Wayland window of a process is on the screen, when one is in front and
    // served: its elements' extents are then read in window coordinates, which count from the
    // window's buffer, and placed by it.
    using NativeWindowContent = std::function<std::optional<NativeWindow>(ax::Pid)>;
    void setNativeWindowContent(NativeWindowContent content) {
        m_nativeContent = std::move(content);
    }

    void beginEvaluation() override { m_evaluation.begin(); }
    void endEvaluation() override { m_evaluation.end(); }

    // Requests made to other processes so far (each one a D-Bus round trip unless libatspi
    // answered from its cache), for benchmarks and diagnostics.
    std::uint64_t callCount() const { return m_requests.count(); }
    // How long those requests took altogether.
    std::chrono::nanoseconds requestTime() const { return m_requests.time(); }
    // How many readings are kept across evaluations right now.
    std::size_t keptReadings() const { return m_kept.size(); }
    // Drops every kept reading, so the next evaluation is a cold one (for benchmarks).
    void forgetKeptReadings() { m_kept.clear(); }
    // Drops everything read from the bus, which is going away: applications, processes,
    // readings.
    void forgetEverything();

    // The process that owns an element's application, when it can be found.
    std::optional<ax::Pid> processOf(const ax::Element& element);

private:
    ax::Reading readAnswer(const ax::Element& element, AtspiAccessible* a, const QString& name);
    ax::Reading readRole(AtspiAccessible* a, bool subrole);
    ax::Reading readAttribute(AtspiAccessible* a, const char* key);
    ax::Reading readStateFlag(AtspiAccessible* a, AtspiStateType state, AtspiStateType orState);
    ax::Reading readFocused(const ax::Element& element);
    ax::Reading readPoint(AtspiAccessible* a, bool size);
    ax::Reading readParent(AtspiAccessible* a);
    ax::Reading readChildren(AtspiAccessible* a);
    ax::Reading readWindow(AtspiAccessible* a);
    ax::Reading readURL(AtspiAccessible* a);
    ax::Reading readAwake(AtspiAccessible* a);
    Answer<ax::Element> focusedInActiveWindow(AtspiAccessible* app);
    Answer<bool> isStillFocused(AtspiAccessible* a);
    // Drops the application kept for a process once a request finds it gone.
    void forgetApplication(const QByteArray& busName);

    // Single requests, each through m_requests.
    Answer<AtspiRole> roleOf(AtspiAccessible* a);
    // Null when libatspi has none to give.
    Answer<GObjectPtr<AtspiStateSet>> statesOf(AtspiAccessible* a);
    // Object attributes and extents come from one request per element and evaluation.
    Answer<GHashTablePtr> attributesOf(AtspiAccessible* a);
    Answer<AtspiRect> extentsOf(AtspiAccessible* a);
    Answer<AtspiRect> readExtents(AtspiAccessible* a, AtspiCoordType type);
    // How a native window's elements lie in it: where its content starts within its buffer
    // (from the window extents of its frame and the frame's first descendants; nothing when not
    // exposed) and how many units its web content counts per point. Absent when its frame could
    // not be read.
    struct WindowPlacement {
        std::optional<QPoint> inset;
        int webScale = 1;
    };
    std::optional<WindowPlacement> windowPlacement(AtspiAccessible* a, ax::Pid pid, QSize content);
    Answer<int> childCount(AtspiAccessible* a);
    // The text with its embedded children expanded, read once per evaluation or snapshot.
    Answer<QString> wholeText(AtspiAccessible* a);
    Answer<ax::Element> childAt(AtspiAccessible* a, int index);
    Answer<ax::Element> parentOf(AtspiAccessible* a);

    AtspiEvents& m_events;
    A11yStatus& m_status;
    AtspiConnection& m_connection;
    AtspiRequests m_requests;
    AtspiTextReading m_text{m_requests};
    QHash<QByteArray, ax::Pid> m_pidOfBus;
    // The application found for a process, and its change count when it last answered as one:
    // while no event came from it, it still is.
    struct KnownApplication {
        ax::Element element;
        std::uint64_t changes = 0;
    };
    QHash<ax::Pid, KnownApplication> m_applicationOfPid;
    EvaluationReadings m_evaluation;
    KeptReadings m_kept;
    // Extents come in device pixels; positions and sizes are answered in the screens' points.
    QtScreens m_screens;
    // Set by a reading that found an element's object attributes empty, which Firefox answers
    // right after it starts: such an answer is asked again rather than kept.
    bool m_readWasIncomplete = false;
    NativeWindowContent m_nativeContent;
    struct KnownPlacement {
        ax::Pid pid = 0;
        QSize content;
        WindowPlacement placement;
    };
    std::optional<KnownPlacement> m_placement;
};

} // namespace tandrel::linuxdesktop
