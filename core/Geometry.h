// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tandrel {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle in points, origin at the top left, y growing downwards: on screen, the desktop's
// global logical coordinates (Qt's), which the desktop adapter also answers accessibility
// rectangles in.
struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

    double x() const { return origin.x; }
    double y() const { return origin.y; }
    double width() const { return size.width; }
    double height() const { return size.height; }

    // The marker for "no rectangle": ignored by united(), distinct from a zero-sized rectangle.
    static Rect null() {
        const double inf = std::numeric_limits<double>::infinity();
        return Rect(inf, inf, 0, 0);
    }
    bool isNull() const { return std::isinf(origin.x) || std::isinf(origin.y); }

    // Same rectangle with non-negative width and height.
    Rect standardized() const {
        Rect r = *this;
        if (r.size.width < 0) {
            r.origin.x += r.size.width;
            r.size.width = -r.size.width;
        }
        if (r.size.height < 0) {
            r.origin.y += r.size.height;
            r.size.height = -r.size.height;
        }
        return r;
    }

    // Smallest rectangle containing both; a null rectangle takes no part.
    Rect united(const Rect& other) const {
        if (isNull())
            return other.isNull() ? *this : other.standardized();
        if (other.isNull())
            return standardized();
        const Rect a = standardized();
        const Rect b = other.standardized();
        const double left = std::fmin(a.x(), b.x());
        const double top = std::fmin(a.y(), b.y());
        const double right = std::fmax(a.x() + a.width(), b.x() + b.width());
        const double bottom = std::fmax(a.y() + a.height(), b.y() + b.height());
        return Rect(left, top, right - left, bottom - top);
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// A range of UTF-16 code units, signed as the platform reports it.
struct TextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;
    // The platform's marker for a missing location.
    static constexpr std::int64_t notFound = std::numeric_limits<std::int64_t>::max();
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

} // namespace tandrel
