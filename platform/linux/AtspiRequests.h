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
        const auto end = std::chrono::steady_clock::now();
        m_time += end - start;
        ++m_count;
        const GErrorPtr error(raw);
        ax::AXError code = error ? errorOf(*error) : ax::kSuccess;
        // libatspi gives up on a request at its timeout, mostly without a word: it hands back an
        // empty or default answer and no error. A request that lasted the whole timeout went
        // unanswered, whatever it returned.
        if (end - start >= m_replyTimeout - kTimeoutSlack)
            code = ax::kCannotComplete;
        if (code == ax::kCannotComplete)
            m_lastUnanswered = end;
        return {std::move(value), code};
    }

    // For the few libatspi calls that take no GError slot: an absent answer is a failure.
    template <class Call>
    auto sendWithoutErrorSlot(Call&& call) -> Answer<std::invoke_result_t<Call>> {
        auto answer = send([&](GError**) { return std::forward<Call>(call)(); });
        if (!answer.value && answer.ok())
            answer.error = ax::kFailure;
        return answer;
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

    // libatspi measures its timeout in whole milliseconds from a moment just after ours.
    static constexpr std::chrono::milliseconds kTimeoutSlack{5};

    std::uint64_t m_count = 0;
    std::chrono::nanoseconds m_time{0};
    std::chrono::milliseconds m_replyTimeout{1000};
    std::optional<std::chrono::steady_clock::time_point> m_lastUnanswered;
};

} // namespace tandrel::linuxdesktop
