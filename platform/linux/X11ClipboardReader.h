// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Pasteboard.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdint>
#include <deque>
#include <functional>

namespace tandrel::linuxdesktop {

// Reads the X11 CLIPBOARD selection held by another program without ever waiting for it: the
// requests go out on Qt's own X connection from a hidden window made for that one read, and the
// owner's answers are taken from Qt's event stream by a native event filter. Content too large
// for one transfer arrives in increments (INCR). A read that has not finished by its deadline
// fails as a whole, so a stopped or slow owner costs the caller nothing but the wait it chose.
//
// Types are reported as MIME types, the way Qt names them when it offers content: the text atoms
// (UTF8_STRING, else STRING) as "text/plain", every atom named like a MIME type as itself. The
// targets of the selection protocol and X server resources (pixmaps, windows) are no content.
class X11ClipboardReader final : public QObject, public QAbstractNativeEventFilter {
public:
    using Done = std::function<void(std::optional<PasteboardContent>)>;

    // The connection is Qt's, and outlives the reader.
    explicit X11ClipboardReader(xcb_connection_t* connection);
    ~X11ClipboardReader() override;

    // Starts a read; one under way is cancelled first. `done` runs from the event loop, never from
    // within this call. Returns the read's number, for cancel().
    std::uint64_t start(double timeout, Done done);
    // Cancels that read if it is still under way; `done` is not called.
    void cancel(std::uint64_t read);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Transfer {
        QString type;          // the MIME type it is kept under
        xcb_atom_t target = 0; // what is asked of the owner
        bool incremental = false;
        QByteArray received;
    };

    xcb_atom_t intern(const char* name) const;
    QByteArray atomName(xcb_atom_t atom) const;
    void request(xcb_atom_t target);
    void onSelectionNotify(const xcb_selection_notify_event_t& event);
    void onPropertyNotify(const xcb_property_notify_event_t& event);
    // Reads and deletes our property; false when the server has no reply for it.
    bool takeProperty(xcb_atom_t* type, QByteArray* bytes);
    void plan(const QByteArray& targets);
    void keep(const Transfer& transfer, QByteArray bytes);
    void next();
    void finish(std::optional<PasteboardContent> content);
    void stop();

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_atom_t m_clipboard = 0;
    xcb_atom_t m_targets = 0;
    xcb_atom_t m_incr = 0;
    xcb_atom_t m_utf8 = 0;
    xcb_atom_t m_property = 0;

    // The read under way: 0 when none.
    std::uint64_t m_read = 0;
    std::uint64_t m_lastRead = 0;
    // A read that ended and whose answer waits in the event loop: 0 when none.
    std::uint64_t m_delivering = 0;
    xcb_window_t m_window = 0;
    Done m_done;
    QTimer m_deadline;
    bool m_askedTargets = false;
    std::deque<Transfer> m_pending;
    PasteboardItem m_item;
};

} // namespace tandrel::linuxdesktop
