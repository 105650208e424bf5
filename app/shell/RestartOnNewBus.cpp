// SPDX-License-Identifier: MIT
#include "app/shell/RestartOnNewBus.h"

#include "app/editor/EditorController.h"
#include "app/sending/PromptSender.h"
#include "app/shell/AppDelegate.h"
#include "platform/linux/AtspiConnection.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/RestartInPlace.h"

namespace tandrel {

namespace {
constexpr int kWaitMs = 1000;
}

RestartOnNewBus::RestartOnNewBus(LinuxDesktop& desktop, AppDelegate& delegate,
                                 std::vector<QByteArray> arguments)
    : m_desktop(desktop), m_delegate(delegate), m_arguments(std::move(arguments)) {
    m_wait.setInterval(kWaitMs);
    connect(&m_wait, &QTimer::timeout, this, &RestartOnNewBus::restartWhenIdle);
    connect(&desktop.accessibilityBus(), &linuxdesktop::AtspiConnection::replaced, this,
            [this](const QByteArray& address) {
                m_address = address;
                m_wait.start();
                restartWhenIdle();
            });
}

void RestartOnNewBus::restartWhenIdle() {
    if (m_delegate.sender().busy() || m_delegate.editor().hasUnsavedEdits())
        return; // asked again in a moment
    m_wait.stop();
    qCInfo(lcVisibility, "The accessibility bus was replaced: starting again on the new one.");
    const linuxdesktop::CarriedState state{
        m_delegate.paused(), m_delegate.editor().isWindowVisible(), m_desktop.heldClipboard()};
    const QString failure = linuxdesktop::restartInPlace(state, m_address, m_arguments);
    qCWarning(lcVisibility,
              "Could not start again on the new accessibility bus (%s): quit and "
              "start Tandrel again to use it.",
              qUtf8Printable(failure));
}

void RestartOnNewBus::applyCarriedState(LinuxDesktop& desktop, AppDelegate& delegate) {
    const std::optional<linuxdesktop::CarriedState> state = linuxdesktop::takeCarriedState();
    if (!state)
        return;
    if (state->clipboard && !state->clipboard->empty())
        desktop.pasteboard().write(*state->clipboard);
    if (state->paused != delegate.paused())
        delegate.togglePause();
    if (state->editorOpen && !delegate.editor().isWindowVisible())
        delegate.editPrompts();
}

} // namespace tandrel
