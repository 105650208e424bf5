// SPDX-License-Identifier: MIT
#include "app/shell/QtShellDialogs.h"

#include "app/shell/TandrelIcon.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QTextDocument>

#include <cstdio>

namespace tandrel {

namespace {

// The window comes up in front and takes the keyboard, like any dialog the user asked for; a
// tray program has no window in front of its own that the desktop would otherwise pick.
void bringToFront(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

// QMessageBox guesses the informative text's format; file names and system messages may hold
// characters that a guess of rich text would swallow, so say exactly what is meant.
QString asRichText(const QString& plain) {
    return Qt::convertFromPlainText(plain, Qt::WhiteSpaceNormal);
}

QPixmap largeIcon() {
    const QPalette palette = QGuiApplication::palette();
    return QPixmap::fromImage(
        menuBarImage(4.0, palette.color(QPalette::WindowText), palette.color(QPalette::Window)));
}

} // namespace

QtShellDialogs::~QtShellDialogs() {
    delete m_about.data();
    delete m_notice.data();
}

void QtShellDialogs::showAlert(const QString& title, const QString& informativeText) {
    // Also on stderr: someone who started the program from a terminal, or a journal, keeps it.
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(informativeText));
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(asRichText(informativeText));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    bringToFront(box);
    box.exec();
}

void QtShellDialogs::showNotice(const QString& title, const QString& informativeText) {
    if (!m_notice) {
        m_notice = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::Ok);
        m_notice->setAttribute(Qt::WA_DeleteOnClose);
        // It tells about something the user did elsewhere; whatever they type now goes on
        // where they type it.
        m_notice->setAttribute(Qt::WA_ShowWithoutActivating);
        m_notice->setWindowFlag(Qt::WindowStaysOnTopHint);
        m_notice->setWindowModality(Qt::NonModal);
        m_notice->setTextFormat(Qt::PlainText);
    }
    m_notice->setWindowTitle(title);
    m_notice->setText(title);
    m_notice->setInformativeText(asRichText(informativeText));
    m_notice->show();
    m_notice->raise();
}

void QtShellDialogs::showAbout(const QString& name, const QString& version,
                               const QString& credits) {
    if (!m_about) {
        m_about = new QMessageBox();
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        m_about->setStandardButtons(QMessageBox::Ok);
        m_about->setTextFormat(Qt::PlainText);
        m_about->setIconPixmap(largeIcon());
    }
    m_about->setWindowTitle(tr("About %1").arg(name));
    m_about->setText(name);
    m_about->setInformativeText(asRichText(tr("Version %1\n\n%2").arg(version, credits)));
    bringToFront(*m_about);
}

bool QtShellDialogs::openURL(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace tandrel
