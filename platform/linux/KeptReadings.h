// SPDX-License-Identifier: MIT
#pragma once

#include "platform/AXValue.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>

namespace tandrel::linuxdesktop {

// Readings that only an event can change (role, names, object attributes, states, parent and
// children), kept across focus evaluations so that a warm evaluation asks the application only
// for what can change silently: the focus and the frames.
//
// Readings are kept per application (bus name) together with that application's change count,
// which the event listeners raise for every children, attributes, state, property or defunct
// event. A count that moved drops everything kept for the application; a reading during which
// the count moved is not kept, since an event may have overtaken it.
class KeptReadings {
public:
    // Whether readings of this attribute may be kept at all.
    static bool mayKeep(const QString& attribute);

    std::optional<ax::Reading> find(const QByteArray& bus, const QByteArray& path,
                                    const QString& attribute, std::uint64_t changes);
    // `changesBefore` is the count when the request was sent, `changesAfter` when it returned.
    void keep(const QByteArray& bus, const QByteArray& path, const QString& attribute,
              const ax::Reading& reading, std::uint64_t changesBefore, std::uint64_t changesAfter);

    void clear() { m_applications.clear(); }
    std::size_t size() const;

private:
    struct Application {
        std::uint64_t changes = 0;
        QHash<QByteArray, ax::Reading> readings; // path + '\n' + attribute
    };
    QHash<QByteArray, Application> m_applications;
};

} // namespace tandrel::linuxdesktop
