// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Accessibility.h"
#include "platform/linux/GLibPtr.h"

#include <QByteArray>

#include <atspi/atspi.h>

namespace tandrel::linuxdesktop {

// An AT-SPI accessible behind the seam's element handle. Holds one reference on the object for
// as long as any handle copy lives; two handles name the same element when they share the bus
// name of the application and the object path.
class AtspiElement final : public a11y::ElementImpl {
public:
    // Takes a new reference on the accessible.
    explicit AtspiElement(AtspiAccessible* accessible);
    ~AtspiElement() override;
    AtspiElement(const AtspiElement&) = delete;
    AtspiElement& operator=(const AtspiElement&) = delete;

    bool equals(const a11y::ElementImpl& other) const override;
    std::size_t hash() const override;

    AtspiAccessible* accessible() const { return m_accessible.get(); }
    const QByteArray& busName() const { return m_busName; }
    const QByteArray& path() const { return m_path; }
    // The application's root object carries this path on every bus name.
    bool isApplicationRoot() const;

    // A handle for the accessible (nothing for a null pointer); takes a new reference.
    static a11y::Element wrap(AtspiAccessible* accessible);
    // A handle for an accessible just returned to us with a reference we now own.
    static a11y::Element adopt(AtspiAccessible* accessible);
    static AtspiAccessible* accessibleOf(const a11y::Element& element);
    // What names an accessible: its application's bus name and its object path.
    static QByteArray busNameOf(AtspiAccessible* accessible);
    static QByteArray pathOf(AtspiAccessible* accessible);

private:
    GObjectPtr<AtspiAccessible> m_accessible;
    QByteArray m_busName;
    QByteArray m_path;
};

} // namespace tandrel::linuxdesktop
