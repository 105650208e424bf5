// SPDX-License-Identifier: MIT
#pragma once

#include "app/shell/ShellDialogs.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

namespace tandrel {

// Qt message boxes and QDesktopServices. Needs a QApplication.
class QtShellDialogs final : public ShellDialogs {
    Q_DECLARE_TR_FUNCTIONS(QtShellDialogs)

public:
    QtShellDialogs() = default;
    ~QtShellDialogs() override;

    void showAlert(const QString& title, const QString& informativeText) override;
    void showNotice(const QString& title, const QString& informativeText) override;
    void showAbout(const QString& name, const QString& version, const QString& credits) override;
    bool openURL(const QUrl& url) override;

    // The About box while it is open.
    QMessageBox* aboutBox() const { return m_about; }
    // The notice while it is open.
    QMessageBox* noticeBox() const { return m_notice; }

private:
    QPointer<QMessageBox> m_about;
    QPointer<QMessageBox> m_notice;
};

} // namespace tandrel
