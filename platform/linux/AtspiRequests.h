// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/GLibPtr.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

namespace tandrel::linuxdesktop {

// What one request answered, and why it failed when it did. On failure the value is whatever
// libatspi returned (usually nothing) and is not to be relied on.
template <class T> struct Answer {
    T value{};
    std::optional<Failure> failure;
    bool ok() const { return !failure; }
};

// The one way requests reach other applications over AT-SPI: each is counted and timed (for
// benchmarks and diagnostics), and its GError, if any, becomes the seam's Failure here and
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
        std::optional<Failure> failure;
        if (error)
            failure = failureOf(*error);
        // libatspi gives up on a request at its timeout, mostly without a word: it hands back an
        // empty or default answer and no error. Such an answer after the whole timeout is an
        // unanswered request; a real answer that was merely slow (this process may be the slow
        // one) is kept.
        if (end - start >= m_replyTimeout - kTimeoutSlack && (failure || looksEmpty(value)))
            failure = Failure::notAnswering;
        return {std::move(value), failure};
    }

    // For the few libatspi calls that take no GError slot: an absent answer is a failure.
    template <class Call>
    auto sendWithoutErrorSlot(Call&& call) -> Answer<std::invoke_result_t<Call>> {
        auto answer = send([&](GError**) { return std::forward<Call>(call)(); });
        if (!answer.value && answer.ok())
            answer.failure = Failure::noValue;
        return answer;
    }

    std::uint64_t count() const { return m_count; }
    std::chrono::nanoseconds time() const { return m_time; }

    // How long libatspi waits for an answer; set wherever its timeout is set.
    void setReplyTimeout(std::chrono::milliseconds timeout) { m_replyTimeout = timeout; }

private:
    static Failure failureOf(const GError& error);

    // What libatspi returns when it has no answer: no object (or a null element handle), a
    // negative count or offset, a zero role (ATSPI_ROLE_INVALID) or process id.
    template <class T> static bool looksEmpty(const T& value) {
        if constexpr (std::is_enum_v<T>)
            return static_cast<long long>(value) == 0;
        else if constexpr (std::is_signed_v<T>)
            return value < 0;
        else if constexpr (std::is_unsigned_v<T>)
            return value == 0;
        else if constexpr (requires { value.isNull(); })
            return value.isNull();
        else
            return !value;
    }

    // libatspi measures its timeout in whole milliseconds from a moment just after ours.
    static constexpr std::chrono::milliseconds kTimeoutSlack{5};

    std::uint64_t m_count = 0;
    std::chrono::nanoseconds m_time{0};
    std::chrono::milliseconds m_replyTimeout{1000};
};

} // namespace tandrel::linuxdesktop
