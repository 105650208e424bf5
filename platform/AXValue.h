// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace tandrel::ax {

using Pid = std::int32_t;

// Result codes of accessibility calls, numbered as the accessibility API of the desktop chats'
// home platform numbers them, so that logs and rules read the same everywhere.
using AXError = int;
inline constexpr AXError kSuccess = 0;
inline constexpr AXError kFailure = -25200;
inline constexpr AXError kIllegalArgument = -25201;
inline constexpr AXError kInvalidUIElement = -25202;
inline constexpr AXError kInvalidUIElementObserver = -25203;
inline constexpr AXError kCannotComplete = -25204;
inline constexpr AXError kAttributeUnsupported = -25205;
inline constexpr AXError kActionUnsupported = -25206;
inline constexpr AXError kNotificationUnsupported = -25207;
inline constexpr AXError kNotImplemented = -25208;
inline constexpr AXError kNotificationAlreadyRegistered = -25209;
inline constexpr AXError kNotificationNotRegistered = -25210;
inline constexpr AXError kAPIDisabled = -25211;
inline constexpr AXError kNoValue = -25212;

// What a platform element handle points at. Each platform supplies its own; two handles name the
// same element when equals() says so, never by pointer identity.
class ElementImpl {
public:
    virtual ~ElementImpl() = default;
    virtual bool equals(const ElementImpl& other) const = 0;
    virtual std::size_t hash() const = 0;
};

// A reference-counted handle on one accessibility element of some process. Every copy must be
// destroyed before the desktop whose accessibility interface made it (see Desktop).
class Element {
public:
    Element() = default;
    explicit Element(std::shared_ptr<const ElementImpl> impl) : m_impl(std::move(impl)) {}

    bool isNull() const { return !m_impl; }
    const ElementImpl* impl() const { return m_impl.get(); }
    template <class T> const T* as() const { return dynamic_cast<const T*>(m_impl.get()); }
    std::size_t hash() const { return m_impl ? m_impl->hash() : 0; }

    friend bool operator==(const Element& a, const Element& b) {
        if (!a.m_impl || !b.m_impl)
            return !a.m_impl && !b.m_impl;
        return a.m_impl == b.m_impl || a.m_impl->equals(*b.m_impl);
    }

private:
    std::shared_ptr<const ElementImpl> m_impl;
};

struct AttributedString {
    QString string; // the plain characters; attributes play no part here
    friend bool operator==(const AttributedString&, const AttributedString&) = default;
};

struct Number {
    double value = 0;
    friend bool operator==(const Number&, const Number&) = default;
};

struct Boolean {
    bool value = false;
    friend bool operator==(const Boolean&, const Boolean&) = default;
};

class Value;
using Array = std::vector<Value>;

// A typed attribute value. An empty Value stands for a null or absent one.
class Value {
public:
    using Data = std::variant<std::monostate, Element, QString, AttributedString, Number, Boolean,
                              Point, Size, TextRange, QUrl, Array>;

    Value() = default;
    Value(Element v) : m_data(std::move(v)) {}
    Value(QString v) : m_data(std::move(v)) {}
    Value(const char* v) : m_data(QString::fromUtf8(v)) {}
    Value(AttributedString v) : m_data(std::move(v)) {}
    Value(Number v) : m_data(v) {}
    Value(Boolean v) : m_data(v) {}
    Value(Point v) : m_data(v) {}
    Value(Size v) : m_data(v) {}
    Value(TextRange v) : m_data(v) {}
    Value(QUrl v) : m_data(std::move(v)) {}
    Value(Array v) : m_data(std::move(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_data); }
    template <class T> bool is() const { return std::holds_alternative<T>(m_data); }
    template <class T> const T* get() const { return std::get_if<T>(&m_data); }
    const Data& data() const { return m_data; }

    friend bool operator==(const Value&, const Value&) = default;

private:
    Data m_data;
};

// The outcome of reading one attribute: only kSuccess with a non-null value counts as a reading.
struct Reading {
    AXError error = kFailure;
    Value value;

    bool ok() const { return error == kSuccess && !value.isNull(); }
};

} // namespace tandrel::ax
