// SPDX-License-Identifier: MIT
#pragma once

#include "platform/LoginItems.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tandrel::sim {

// The desktop's login records as a test sets them up. Registering succeeds by default and turns
// the status to enabled (or to the status set with setStatusAfterRegister); a failure set up with
// failRegister/failUnregister is thrown as a tandrel::Error with that message, leaving the status
// alone, until it is cleared with std::nullopt.
class SimLoginItems final : public LoginItems {
public:
    LoginItemStatus status() override;
    QString takenBy() override { return m_takenBy; }
    void registerApp() override;
    void unregisterApp() override;
    void openSettings() override;

    void setStatus(LoginItemStatus status) { m_status = status; }
    // Shown while the status is Taken; registering replaces that entry.
    void setTakenBy(QString command) { m_takenBy = std::move(command); }
    void setStatusAfterRegister(LoginItemStatus status) { m_statusAfterRegister = status; }
    void failRegister(std::optional<QString> message) { m_registerFailure = std::move(message); }
    void failUnregister(std::optional<QString> message) {
        m_unregisterFailure = std::move(message);
    }

    // "registerApp", "unregisterApp" and "openSettings" in the order they were asked for (also
    // when they failed); status reads are only counted.
    const QStringList& actions() const { return m_actions; }
    int statusReads() const { return m_statusReads; }
    void resetCalls();

private:
    LoginItemStatus m_status = LoginItemStatus::NotRegistered;
    LoginItemStatus m_statusAfterRegister = LoginItemStatus::Enabled;
    QString m_takenBy;
    std::optional<QString> m_registerFailure;
    std::optional<QString> m_unregisterFailure;
    QStringList m_actions;
    int m_statusReads = 0;
};

} // namespace tandrel::sim
