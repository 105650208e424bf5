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
class LinuxAccessibility final : public a11y::Accessibility {
public:
    // Everything is read through the connection while it is up; while it is down (the bus is
    // being replaced) the process is not trusted and every request fails at once.
    LinuxAccessibility(AtspiEvents& events, A11yStatus& status, AtspiConnection& connection);
    ~LinuxAccessibility() override;

    bool isTrusted() override;
    bool askForTrust() override;

    a11y::Element application(a11y::Pid pid) override;
    void setReplyTimeout(std::chrono::milliseconds timeout) override;

    Result<a11y::Role> role(const a11y::Element& element) override;
    Result<QString> label(const a11y::Element& element, a11y::Label label) override;
    Result<QStringList> classes(const a11y::Element& element) override;
    Result<bool> state(const a11y::Element& element, a11y::State state) override;
    Result<Rect> frame(const a11y::Element& element) override;
    Result<a11y::Element> parent(const a11y::Element& element) override;
    Result<std::vector<a11y::Element>> children(const a11y::Element& element) override;
    Result<a11y::Element> window(const a11y::Element& element) override;
    Result<a11y::Element> focusedElement(const a11y::Element& application) override;
    Result<QUrl> address(const a11y::Element& webDocument) override;
    Result<a11y::TextContent> text(const a11y::Element& element, bool withSelection) override;
    Result<bool> isAwake(const a11y::Element& application) override;
    Result<Done> wake(const a11y::Element& application) override;
    Result<std::unique_ptr<a11y::Observer>> observe(a11y::Pid pid,
                                                    a11y::ObserverCallback callback) override;

    // Where the native Wayland window of a process is on the screen, when one is in front and
    // served: its elements' extents are then read in window coordinates, which count from the
    // window's buffer, and placed by it.
    using NativeWindowContent = std::function<std::optional<NativeWindow>(a11y::Pid)>;
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
    std::optional<a11y::Pid> processOf(const a11y::Element& element);

private:
    // The answer kept from an earlier evaluation while the application reported no change, else
    // a fresh one from `read`, kept when it may be.
    template <class T, class Read>
    Result<T> keptOr(const a11y::Element& element, a11y::Question question, Read&& read);
    Result<a11y::Role> readRole(AtspiAccessible* a);
    Result<QString> readAttribute(AtspiAccessible* a, const char* key);
    Result<a11y::Element> readWindow(AtspiAccessible* a);
    Answer<a11y::Element> focusedInActiveWindow(AtspiAccessible* app);
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
    std::optional<WindowPlacement> windowPlacement(AtspiAccessible* a, a11y::Pid pid,
                                                   QSize content);
    Answer<int> childCount(AtspiAccessible* a);
    Answer<a11y::Element> childAt(AtspiAccessible* a, int index);
    Answer<a11y::Element> parentOf(AtspiAccessible* a);

    AtspiEvents& m_events;
    A11yStatus& m_status;
    AtspiConnection& m_connection;
    AtspiRequests m_requests;
    AtspiTextReading m_text{m_requests};
    QHash<QByteArray, a11y::Pid> m_pidOfBus;
    // The application found for a process, and its change count when it last answered as one:
    // while no event came from it, it still is.
    struct KnownApplication {
        a11y::Element element;
        std::uint64_t changes = 0;
    };
    QHash<a11y::Pid, KnownApplication> m_applicationOfPid;
    EvaluationReadings m_evaluation;
    KeptReadings m_kept;
    // Extents come in device pixels; positions and sizes are answered in the screens' points.
    QtScreens m_screens;
    // Set by a reading that found an element's object attributes empty, which Firefox answers
    // right after it starts: such an answer is asked again rather than kept.
    bool m_readWasIncomplete = false;
    NativeWindowContent m_nativeContent;
    struct KnownPlacement {
        a11y::Pid pid = 0;
        QSize content;
        WindowPlacement placement;
    };
    std::optional<KnownPlacement> m_placement;
};

} // namespace tandrel::linuxdesktop
