#pragma once

#include "platform/AXValue.h"
#include "platform/linux/GLibPtr.h"

#include <chrono>
#include <cstdint>
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
        return {std::move(value), error ? errorOf(*error) : ax::kSuccess};
    }

    std::uint64_t count() const { return m_count; }
    std::chrono::nanoseconds time() const { return m_time; }

private:
    static ax::AXError errorOf(const GError& error);

    std::uint64_t m_count = 0;
    std::chrono::nanoseconds m_time{0};
};

} // namespace tandrel::linuxdesktop
