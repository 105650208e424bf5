// SPDX-License-Identifier: MIT
#pragma once

#include "core/AccessibleRole.h"
#include "core/Geometry.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace tandrel::a11y {

using Pid = std::int32_t;

// What a platform element handle points at. Each platform supplies its own; two handles name the
// same element when equals() says so, never by pointer identity.
class ElementImpl {
public:
    virtual ~ElementImpl() = default;
    virtual bool equals(const ElementImpl& other) const = 0;
    virtual std::size_t hash() const = 0;
};

// A reference-counted handle on one accessible element of some process. Every copy must be
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

// An element's text as the user sees it, in UTF-16 code units, with the selection over it (the
// caret as an empty range); no selection when it cannot be told.
struct TextContent {
    QString text;
    std::optional<TextRange> selection;
    friend bool operator==(const TextContent&, const TextContent&) = default;
};

} // namespace tandrel::a11y
