// SPDX-License-Identifier: MIT
#pragma once

#include "platform/linux/GLibPtr.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>

namespace tandrel::linuxdesktop {

// Answers that serve several questions about one element during one focus evaluation: its
// object attributes (ids, classes, tag, placeholder) and its extents, each from a single
// reading. Nothing here outlives the evaluation (Chromium changes classes and
// ids without any event, and frames move silently), and an answer is used only while the
// application's change count stands where it stood around the request that brought it.
class EvaluationReadings {
public:
    void begin() { ++m_depth; }
    void end() {
        if (m_depth > 0 && --m_depth == 0)
            clear();
    }
    bool active() const { return m_depth > 0; }
    void clear();

    // A new reference on the attributes read earlier in this evaluation; null when there are
    // none, or when the application reported a change since.
    GHashTablePtr attributes(const QByteArray& bus, const QByteArray& path,
                             std::uint64_t changes) const;
    // Takes a reference of its own; ignored outside an evaluation.
    void keepAttributes(const QByteArray& bus, const QByteArray& path, std::uint64_t changes,
                        GHashTable* attributes);

    std::optional<AtspiRect> extents(const QByteArray& bus, const QByteArray& path,
                                     std::uint64_t changes) const;
    void keepExtents(const QByteArray& bus, const QByteArray& path, std::uint64_t changes,
                     const AtspiRect& extents);

private:
    template <class T> struct Entry {
        std::uint64_t changes = 0;
        T value;
    };
    static QByteArray keyOf(const QByteArray& bus, const QByteArray& path);

    int m_depth = 0;
    std::map<QByteArray, Entry<GHashTablePtr>> m_attributes;
    std::map<QByteArray, Entry<AtspiRect>> m_extents;
};

} // namespace tandrel::linuxdesktop
