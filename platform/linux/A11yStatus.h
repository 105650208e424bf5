#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace tandrel::linuxdesktop {

// The session's switch for assistive technologies: org.a11y.Status "IsEnabled" on the
// org.a11y.Bus service. Applications started while it is off do not expose their trees.
//
// The switch is read once and then kept current from the service's PropertiesChanged signal, so
// asking costs no D-Bus round trip: the focus is evaluated every second all day long.
class A11yStatus final : public QObject {
    Q_OBJECT
public:
    A11yStatus();

    // True when the accessibility bus service answered and said it is enabled. Asks the service
    // again only while no answer has been had yet.
    bool isEnabled();
    // Turns the switch on (GNOME keeps it as the toolkit-accessibility setting). Returns whether
    // the service accepted it.
    bool enable();

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    std::optional<bool> readFromService();

    std::optional<bool> m_enabled;
};

} // namespace tandrel::linuxdesktop
