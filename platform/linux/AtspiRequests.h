#pragma once

#include "platform/AXValue.h"
#include "platform/linux/GLibPtr.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

namespace tandrel::linuxdesktop {

// What one request answered, and the seam's error code when it failed. On failure the value
// is whatever libatspi returned (usually nothing) and is not to be relied on.
template <class T> struct Answer {
    T value{};
    ax::AXError error = ax::kSuccess;
    bool ok() const { return error == ax::kSuccess; }
};

// The one way requests reach other applications over AT-SPI: each is counted and timed (for
// benchmarks and diagnostics), and its GError, if any, becomes the seam's error code here and
// nowhere else.
class AtspiRequests {
public:
    // Sends one request. `call` receives the GError slot to hand to libatspi and returns the
    // answer, already in an owning type when the answer is ours to free.
    template <class Call> auto send(Call&& call) -> Answer<std::invoke_result_t<Call, GError**>> {
        GError* raw = nullptr;
        const auto start = std::chrono::steady_clock::now();
        auto value = std::forward<Call>(call)(&raw);
        m_time += std::chrono::steady_clock::now() - start;
        ++m_count;
        const GErrorPtr error(raw);
        const ax::AXError code = error ? errorOf(*error) : ax::kSuccess;
        if (code == ax::kCannotComplete)
            m_lastUnanswered = std::chrono::steady_clock::now();
        return {std::move(value), code};
    }

    std::uint64_t count() const { return m_count; }
    std::chrono::nanoseconds time() const { return m_time; }

    // How long libatspi waits for an answer; set wherever its timeout is set.
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }
    // libatspi gives up on an unanswered request but leaves its D-Bus pending call to the
    // connection, which frees it only when its own timeout fires on the GLib main context. Until
    // then the call is in flight: this is the time left, zero when nothing is.
    std::chrono::milliseconds unansweredTimeLeft() const;

private:
    static ax::AXError errorOf(const GError& error);

    std::uint64_t m_count = 0;
    std::chrono::nanoseconds m_time{0};
    std::chrono::milliseconds m_replyTimeout{1000};
    std::optional<std::chrono::steady_clock::time_point> m_lastUnanswered;
};

} // namespace tandrel::linuxdesktop
