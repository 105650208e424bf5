// SPDX-License-Identifier: MIT
#pragma once

#include <cassert>
#include <utility>
#include <variant>

namespace tandrel {

// Why a question to another program got no answer, in the few ways the callers tell apart.
enum class Failure {
    unsupported,  // the element or program does not offer this at all
    noValue,      // offered, but there is nothing to give right now
    notAnswering, // the program did not reply in time: nothing is known
    gone,         // the element or program no longer exists (or cannot be reached)
};

// What a question across the seam answered: a value, or why there is none.
template <class T> class Result {
public:
    Result(T value) : m_data(std::move(value)) {}
    Result(Failure failure) : m_data(failure) {}

    bool ok() const { return std::holds_alternative<T>(m_data); }
    explicit operator bool() const { return ok(); }
    // Only on an answer.
    const T& value() const& {
        assert(ok());
        return *std::get_if<T>(&m_data);
    }
    T&& value() && {
        assert(ok());
        return std::move(*std::get_if<T>(&m_data));
    }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }
    // Only without one.
    Failure failure() const {
        assert(!ok());
        return *std::get_if<Failure>(&m_data);
    }
    bool failedWith(Failure f) const { return !ok() && failure() == f; }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Failure> m_data;
};

// The value of a result that only says "done".
struct Done {
    friend bool operator==(Done, Done) = default;
};

const char* nameOf(Failure failure);

} // namespace tandrel
