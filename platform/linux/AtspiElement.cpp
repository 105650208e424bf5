// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiElement.h"

#include <QHash>

namespace tandrel::linuxdesktop {

namespace {
constexpr const char* kRootPath = "/org/a11y/atspi/accessible/root";
}

AtspiElement::AtspiElement(AtspiAccessible* accessible)
    : m_accessible(static_cast<AtspiAccessible*>(g_object_ref(accessible))),
      m_busName(busNameOf(accessible)), m_path(pathOf(accessible)) {}

QByteArray AtspiElement::busNameOf(AtspiAccessible* accessible) {
    const AtspiObject& object = accessible->parent;
    return object.app && object.app->bus_name ? QByteArray(object.app->bus_name) : QByteArray();
}

QByteArray AtspiElement::pathOf(AtspiAccessible* accessible) {
    const AtspiObject& object = accessible->parent;
    return object.path ? QByteArray(object.path) : QByteArray();
}

AtspiElement::~AtspiElement() = default;

bool AtspiElement::equals(const a11y::ElementImpl& other) const {
    const auto* o = dynamic_cast<const AtspiElement*>(&other);
    return o && o->m_busName == m_busName && o->m_path == m_path;
}

std::size_t AtspiElement::hash() const {
    return qHash(m_busName) ^ (qHash(m_path) * 31u);
}

bool AtspiElement::isApplicationRoot() const {
    return m_path == kRootPath;
}

a11y::Element AtspiElement::wrap(AtspiAccessible* accessible) {
    if (!accessible)
        return {};
    return a11y::Element(std::make_shared<const AtspiElement>(accessible));
}

a11y::Element AtspiElement::adopt(AtspiAccessible* accessible) {
    const GObjectPtr<AtspiAccessible> owned(accessible);
    return wrap(owned.get());
}

AtspiAccessible* AtspiElement::accessibleOf(const a11y::Element& element) {
    const auto* impl = element.as<AtspiElement>();
    return impl ? impl->accessible() : nullptr;
}

} // namespace tandrel::linuxdesktop
