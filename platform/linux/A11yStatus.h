// SPDX-License-Identifier: MIT
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
// asking costs no D-Bus round trip: the focus is evaluated every second all day long. Only that
// first read waits for the service; when it does not answer, or the switch's value is dropped, the
// last answer stays in use while the service is asked again in the background.
class A11yStatus final : public QObject {
    Q_OBJECT
public:
    A11yStatus();

    // True when the accessibility bus service last said it is enabled. Never waits: while no
    // answer is kept, the service is asked in the background and the last answer (false before
    // any) is given meanwhile.
    bool isEnabled();
    // Turns the switch on (GNOME keeps it as the toolkit-accessibility setting). Returns whether
    // the service accepted it.
    bool enable();

private slots:
    void onPropertiesChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    std::optional<bool> readFromService();
    void askInBackground();

    std::optional<bool> m_enabled;
    bool m_lastAnswer = false;
    bool m_asking = false;
};

} // namespace tandrel::linuxdesktop
